# Cross-compiles for Windows with MinGW-w64 (x86_64-w64-mingw32, posix threads,
# so std::thread and std::mutex work). Debian: g++-mingw-w64-x86-64-posix.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KESTRIX_MINGW_TRIPLET x86_64-w64-mingw32)

include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
