# The serial debugger's portable core: line settings check, strict hex
# parser and the bounded event log.
add_library(nubo_serial_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/serial_event_log.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serial_hex.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serial_port_settings.cpp)
target_link_libraries(nubo_serial_core PUBLIC nubo_debuggers_common nubo_store_text)
