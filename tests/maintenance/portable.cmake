# Native sanitizer tests and fuzzer of the software manager's portable cores.
nubo_add_native_test(NAME software_core_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/software/portable/name_key_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/software/portable/scan_budget_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/software/portable/uninstall_command_text_test.cpp
  LIBS nubo_software_core)

nubo_add_fuzzer(NAME fuzz_software_name_key
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/software/portable/fuzz_name_key.cpp
  LIBS nubo_software_core)
