# Native tests and fuzz targets of the data-tool cores (sanitizer build).

# Text tools.
set(NUBO_TEXT_TESTS_DIR ${CMAKE_CURRENT_LIST_DIR}/text)
nubo_add_native_test(NAME text_cores_tests
  SOURCES
    ${NUBO_TEXT_TESTS_DIR}/base64_codec_test.cpp
    ${NUBO_TEXT_TESTS_DIR}/hex_codec_test.cpp
    ${NUBO_TEXT_TESTS_DIR}/url_codec_test.cpp
    ${NUBO_TEXT_TESTS_DIR}/digests_test.cpp
    ${NUBO_TEXT_TESTS_DIR}/generators_test.cpp
    ${NUBO_TEXT_TESTS_DIR}/strict_integer_test.cpp
  LIBS nubo_text_cores)
# Random inputs checked against coreutils, python and GNU date.
nubo_add_native_test(NAME text_cores_differential_tests
  SOURCES ${NUBO_TEXT_TESTS_DIR}/differential_test.cpp
  LIBS nubo_text_cores)

foreach(target IN ITEMS base64_decode hex_decode url_decode unix_time password)
  nubo_add_fuzzer(NAME text_${target}_fuzzer
    SOURCES ${NUBO_TEXT_TESTS_DIR}/fuzz/${target}_fuzzer.cpp
    LIBS nubo_text_cores
    CORPUS ${NUBO_TEXT_TESTS_DIR}/corpus/${target})
endforeach()

# Packet decoder
include(${CMAKE_CURRENT_LIST_DIR}/packet/portable.cmake)
# Database browser
