# Portable cores of the communication debuggers (no windows.h). Included by
# debuggers/CMakeLists.txt for the Windows build and by cmake/NativeCores.cmake
# for the native sanitizer and fuzz build.
include(${CMAKE_CURRENT_LIST_DIR}/common/portable.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/network/portable.cmake)
