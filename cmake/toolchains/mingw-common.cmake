# What both MinGW-w64 toolchains share; the including file sets
# CMAKE_SYSTEM_PROCESSOR and KESTRIX_MINGW_TRIPLET.
set(CMAKE_C_COMPILER ${KESTRIX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KESTRIX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KESTRIX_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KESTRIX_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# printf and its kin with the C99 conversions (%zu, %lld) that the
# system's msvcrt lacks.
add_compile_definitions(__USE_MINGW_ANSI_STDIO=1)

# One .exe per program that needs no DLL beyond the system's: libstdc++,
# libgcc and winpthread linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests (ctest, gtest_discover_tests) run the programs under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../../scripts/wine-run)
