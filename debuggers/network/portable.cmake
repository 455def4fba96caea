# The network debugger's portable core: strict IPv4 text, the send-hex
# parser, the Winsock failure text and the bounded event log.
add_library(nubo_network_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ipv4_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/network_errors.cpp
  ${CMAKE_CURRENT_LIST_DIR}/network_event_log.cpp
  ${CMAKE_CURRENT_LIST_DIR}/send_hex.cpp)
target_link_libraries(nubo_network_core PUBLIC nubo_debuggers_common)
