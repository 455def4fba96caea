# Native sanitizer tests and fuzzers of the network debugger's portable core.
nubo_add_native_test(NAME network_core_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/portable/network_event_log_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/portable/send_hex_test.cpp
  LIBS nubo_network_core)

nubo_add_fuzzer(NAME fuzz_network_send_hex
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/portable/fuzz_send_hex.cpp
  LIBS nubo_network_core)
