# Native sanitizer tests and fuzzers of the shared portable pieces.
nubo_add_native_test(NAME debuggers_common_core_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/portable/ipv4_text_test.cpp
  LIBS nubo_debuggers_common)

nubo_add_fuzzer(NAME fuzz_ipv4_text
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/portable/fuzz_ipv4_text.cpp
  LIBS nubo_debuggers_common)
