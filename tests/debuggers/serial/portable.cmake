# Native sanitizer tests and fuzzers of the serial debugger's portable core.
nubo_add_native_test(NAME serial_core_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/portable/serial_core_test.cpp
  LIBS nubo_serial_core)

nubo_add_fuzzer(NAME fuzz_serial_hex
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/portable/fuzz_serial_hex.cpp
  LIBS nubo_serial_core)
nubo_add_fuzzer(NAME fuzz_serial_settings
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/portable/fuzz_serial_settings.cpp
  LIBS nubo_serial_core)
