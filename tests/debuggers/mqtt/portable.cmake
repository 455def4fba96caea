# Native sanitizer tests and fuzzers of the MQTT client's portable core.
nubo_add_native_test(NAME mqtt_core_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/portable/mqtt_codec_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/portable/mqtt_engine_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/portable/mqtt_requests_test.cpp
  LIBS nubo_mqtt_core)

foreach(target IN ITEMS fixed_header text_rules encode_parse chunked_read)
  nubo_add_fuzzer(NAME fuzz_mqtt_${target}
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/portable/fuzz_mqtt_${target}.cpp
    LIBS nubo_mqtt_core)
endforeach()
