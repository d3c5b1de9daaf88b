# Cross-compiles for Windows with MinGW-w64 (i686-w64-mingw32, posix threads,
# so std::thread and std::mutex work). Debian: g++-mingw-w64-i686-posix.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KESTRIX_MINGW_TRIPLET i686-w64-mingw32)

include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
