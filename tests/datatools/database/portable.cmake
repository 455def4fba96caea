# Native tests and a fuzzer of the UTF-8 repair.
nubo_add_native_test(NAME utf8_repair_native_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/utf8_repair_test.cpp
  LIBS nubo_utf8_repair)
nubo_add_fuzzer(NAME utf8_repair_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/utf8_repair_fuzzer.cpp
  LIBS nubo_utf8_repair)
