# Portable cores of the software manager (no windows.h): name keys, the scan
# budget and the uninstall command's text rules. Included by
# maintenance/CMakeLists.txt for the Windows build and by
# cmake/NativeCores.cmake for the native sanitizer and fuzz build.
add_library(nubo_software_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/software/name_key.cpp
  ${CMAKE_CURRENT_LIST_DIR}/software/scan_budget.cpp
  ${CMAKE_CURRENT_LIST_DIR}/software/uninstall_command_text.cpp)
target_link_libraries(nubo_software_core PUBLIC nubo_options)
