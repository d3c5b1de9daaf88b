# What the release packages hold, and how CPack makes them (scripts/package):
# - Windows: a zip per architecture with both programs, the bridge's example
#   configuration, a README for Windows users and the licence;
# - Linux: a .deb with the three programs and the board tool, the example
#   configuration, the documentation and the udev rule for the boards.
# The programs are stripped. Packaging never builds: scripts/package builds
# what it packages first, or packages builds that already exist.

set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

if(WIN32)
  install(TARGETS kestrix-module squarix RUNTIME DESTINATION .)
  install(FILES bridge/squarix.XML packaging/windows/README.txt DESTINATION .)
  # The licence with Windows line ends, so that every editor shows it whole.
  file(READ "${PROJECT_SOURCE_DIR}/LICENSE" licence)
  string(REPLACE "\n" "\r\n" licence "${licence}")
  file(WRITE "${CMAKE_BINARY_DIR}/packaging/LICENSE.txt" "${licence}")
  install(FILES "${CMAKE_BINARY_DIR}/packaging/LICENSE.txt" DESTINATION .)

  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_PACKAGE_FILE_NAME "kestrix-${PROJECT_VERSION}-windows-x64")
  else()
    set(CPACK_PACKAGE_FILE_NAME "kestrix-${PROJECT_VERSION}-windows-x86")
  endif()
  set(CPACK_GENERATOR ZIP)
else()
  # squarix reads its configuration beside its own file, so both programs
  # live in a folder of their own, with links in /usr/bin; the configuration
  # there is a link to /etc, where an update keeps the user's changes
  # (packaging/linux/conffiles). The links are relative, so that the tree
  # also works unpacked elsewhere (dpkg -x).
  install(TARGETS kestrix-module squarix RUNTIME DESTINATION lib/kestrix)
  install(TARGETS kestrix-lab kestrix-boards RUNTIME DESTINATION bin)
  install(FILES bridge/squarix.XML DESTINATION /etc/kestrix)
  set(links "${CMAKE_BINARY_DIR}/packaging/links")
  file(MAKE_DIRECTORY "${links}/bin" "${links}/lib")
  file(CREATE_LINK ../lib/kestrix/kestrix-module "${links}/bin/kestrix-module" SYMBOLIC)
  file(CREATE_LINK ../lib/kestrix/squarix "${links}/bin/squarix" SYMBOLIC)
  file(CREATE_LINK ../../../etc/kestrix/squarix.XML "${links}/lib/squarix.XML" SYMBOLIC)
  install(FILES "${links}/bin/kestrix-module" "${links}/bin/squarix" DESTINATION bin)
  install(FILES "${links}/lib/squarix.XML" DESTINATION lib/kestrix)

  # The README's links to docs/ still lead somewhere; the licence is where
  # Debian keeps a package's copyright.
  install(FILES README.md DESTINATION share/doc/kestrix)
  install(FILES LICENSE DESTINATION share/doc/kestrix RENAME copyright)
  file(GLOB docs CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/docs/*.md")
  install(FILES ${docs} DESTINATION share/doc/kestrix/docs)
  install(FILES packaging/linux/60-kestrix-boards.rules DESTINATION /lib/udev/rules.d)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_PACKAGE_NAME kestrix)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION misc)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${PROJECT_SOURCE_DIR}/packaging/linux/conffiles")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()

set(CPACK_PACKAGE_NAME kestrix)
set(CPACK_PACKAGE_VENDOR "the Kestrix developers")
set(CPACK_PACKAGE_CONTACT "the Kestrix developers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Cockpit panels for desktop flight simulators")
set(CPACK_PACKAGE_DESCRIPTION
  "The panel driver kestrix-module drives Vantrix radio and transponder panels
from a SimConnect simulator; the transponder bridge squarix turns the
transponder panel's selections into FSUIPC writes; kestrix-lab is the
simulated world to try them in.")
set(CPACK_STRIP_FILES ON)
include(CPack)
