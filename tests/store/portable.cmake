# Native tests and a fuzzer of the UTF-8 checks and repair.
nubo_add_native_test(NAME utf8_native_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/utf8_test.cpp
  LIBS nubo_utf8)
nubo_add_fuzzer(NAME utf8_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/utf8_fuzzer.cpp
  LIBS nubo_utf8)
