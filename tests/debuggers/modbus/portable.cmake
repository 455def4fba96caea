# Native sanitizer tests and fuzzers of the Modbus frame core.
nubo_add_native_test(NAME modbus_core_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/portable/modbus_frame_test.cpp
  LIBS nubo_modbus_core)

nubo_add_fuzzer(NAME fuzz_modbus_parse
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/portable/fuzz_modbus_parse.cpp
  LIBS nubo_modbus_core)
nubo_add_fuzzer(NAME fuzz_modbus_build_parse
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/portable/fuzz_modbus_build_parse.cpp
  LIBS nubo_modbus_core)
