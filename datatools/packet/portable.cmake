# Packet decoder (heap-free core) and the packet inspector tool over it.
set(NUBO_PACKET_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/packet_inspect.cpp
  ${CMAKE_CURRENT_LIST_DIR}/packet_ip.cpp
  ${CMAKE_CURRENT_LIST_DIR}/packet_link.cpp
  ${CMAKE_CURRENT_LIST_DIR}/packet_steps.cpp
  ${CMAKE_CURRENT_LIST_DIR}/packet_text_input.cpp
  ${CMAKE_CURRENT_LIST_DIR}/packet_transport.cpp)
set(NUBO_PACKET_TOOL_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/packet_inspector_tool.cpp
  ${CMAKE_CURRENT_LIST_DIR}/packet_json.cpp)

add_library(nubo_packet STATIC ${NUBO_PACKET_CORE_SOURCES})
target_link_libraries(nubo_packet PUBLIC nubo_options)

add_library(nubo_packet_tool STATIC ${NUBO_PACKET_TOOL_SOURCES})
target_link_libraries(nubo_packet_tool PUBLIC nubo_packet)
