# kestrix_embed_version(<target> <file description>)
# Embeds a VS_VERSIONINFO block with the project's version in the program, so
# that the program can read its own FileVersion like a Windows program does.
# The block is made at build time by kestrix-versiongen (platform/tools).
function(kestrix_embed_version target description)
  if(WIN32)
    kestrix_version_resource(${target} "${description}")
    return()
  endif()
  set(out "${CMAKE_CURRENT_BINARY_DIR}/${target}_version_block.cpp")
  set(v "${PROJECT_VERSION_MAJOR}, ${PROJECT_VERSION_MINOR}, ${PROJECT_VERSION_PATCH}, 0")
  add_custom_command(OUTPUT "${out}"
    COMMAND kestrix-versiongen "${out}"
            "${PROJECT_VERSION_MAJOR}" "${PROJECT_VERSION_MINOR}" "${PROJECT_VERSION_PATCH}" 0
            "FileVersion=${v}" "ProductVersion=${v}"
            "FileDescription=${description}" "CompanyName=Quornel Limited"
            "ProductName=Kestrix"
    DEPENDS kestrix-versiongen
    VERBATIM
    COMMENT "Embedding version ${v} in ${target}")
  target_sources(${target} PRIVATE "${out}")
endfunction()

# On Windows the block is a real VERSIONINFO resource, compiled by windres.
function(kestrix_version_resource target description)
  set(KESTRIX_VERSION_DESCRIPTION "${description}")
  set(out "${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc")
  configure_file("${PROJECT_SOURCE_DIR}/cmake/version.rc.in" "${out}" @ONLY)
  target_sources(${target} PRIVATE "${out}")
endfunction()
