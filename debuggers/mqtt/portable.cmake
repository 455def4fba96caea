# The MQTT client's portable core: the packet codec, the protocol engine over
# a host interface, the request checks, the command queue and the event log.
add_library(nubo_mqtt_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/mqtt_codec.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mqtt_command_queue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mqtt_engine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mqtt_event_log.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mqtt_requests.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mqtt_types.cpp)
target_link_libraries(nubo_mqtt_core PUBLIC nubo_store_text nubo_options)
# The Windows build exposes nlohmann-json as a target; natively it is a
# system header.
if(TARGET nlohmann_json)
  target_link_libraries(nubo_mqtt_core PUBLIC nlohmann_json)
endif()
