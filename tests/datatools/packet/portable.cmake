# Native tests of the packet decoder and inspector tool, the comparison with
# tshark and the fuzz targets.
set(NUBO_PACKET_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})

nubo_add_native_test(NAME packet_native_tests
  SOURCES
    ${NUBO_PACKET_TEST_DIR}/packet_inspect_test.cpp
    ${NUBO_PACKET_TEST_DIR}/packet_inspector_tool_test.cpp
    ${NUBO_PACKET_TEST_DIR}/packet_ip_test.cpp
    ${NUBO_PACKET_TEST_DIR}/packet_json_test.cpp
    ${NUBO_PACKET_TEST_DIR}/packet_steps_test.cpp
    ${NUBO_PACKET_TEST_DIR}/packet_test_support.cpp
    ${NUBO_PACKET_TEST_DIR}/packet_text_input_test.cpp
    ${NUBO_PACKET_TEST_DIR}/packet_transport_test.cpp
  LIBS nubo_packet_tool GTest::gmock)

# Field values of crafted frames against tshark reading the same bytes.
add_executable(packet_fields_dump ${NUBO_PACKET_TEST_DIR}/packet_fields_dump.cpp)
target_link_libraries(packet_fields_dump PRIVATE nubo_packet nubo_options)
add_test(NAME packet.tshark_differential
  COMMAND /usr/bin/python3 ${NUBO_PACKET_TEST_DIR}/tshark_differential.py
          --dump $<TARGET_FILE:packet_fields_dump>
          --work ${CMAKE_BINARY_DIR}/packet-tshark)
set_tests_properties(packet.tshark_differential PROPERTIES TIMEOUT 300 LABELS native)

# The fuzz targets compile the sources themselves so that libFuzzer sees
# their coverage.
nubo_add_fuzzer(NAME packet_inspect_fuzzer
  SOURCES ${NUBO_PACKET_TEST_DIR}/packet_inspect_fuzzer.cpp ${NUBO_PACKET_CORE_SOURCES}
  CORPUS ${NUBO_PACKET_TEST_DIR}/fuzz_corpus/inspect)
nubo_add_fuzzer(NAME packet_hex_fuzzer
  SOURCES ${NUBO_PACKET_TEST_DIR}/packet_hex_fuzzer.cpp ${NUBO_PACKET_CORE_SOURCES}
          ${NUBO_PACKET_TOOL_SOURCES}
  CORPUS ${NUBO_PACKET_TEST_DIR}/fuzz_corpus/hex)
