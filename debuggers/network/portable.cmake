# The network debugger's portable core: the send-hex parser and the bounded
# event log.
add_library(nubo_network_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/network_event_log.cpp
  ${CMAKE_CURRENT_LIST_DIR}/send_hex.cpp)
target_link_libraries(nubo_network_core PUBLIC nubo_debuggers_common)
