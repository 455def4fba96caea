# Portable cores of the communication debuggers (no windows.h). Included by
# debuggers/CMakeLists.txt for the Windows build and by cmake/NativeCores.cmake
# for the native sanitizer and fuzz build.
add_library(nubo_debuggers_common STATIC ${CMAKE_CURRENT_LIST_DIR}/common/hex_text.cpp)
target_link_libraries(nubo_debuggers_common PUBLIC nubo_options)

include(${CMAKE_CURRENT_LIST_DIR}/network/portable.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/mqtt/portable.cmake)
