# What every communication debugger shares and no windows.h needs: strict
# IPv4 text and the operating-system failure texts.
add_library(nubo_debuggers_common STATIC
  ${CMAKE_CURRENT_LIST_DIR}/failure_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ipv4_text.cpp)
target_link_libraries(nubo_debuggers_common PUBLIC nubo_store_text nubo_options)
