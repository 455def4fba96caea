# Native (Linux, clang) build of the portable cores: the sources that include
# no windows.h, with AddressSanitizer and UndefinedBehaviorSanitizer, their
# unit tests and libFuzzer targets.
enable_testing()

set(NUBO_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
# Every core is built with coverage for the fuzzers, which then learn from the
# library code they call and not only from the fuzz target itself.
target_compile_options(nubo_options INTERFACE ${NUBO_SANITIZE} -fsanitize=fuzzer-no-link)
target_link_options(nubo_options INTERFACE ${NUBO_SANITIZE})

set(NUBO_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory("${NUBO_GTEST_SOURCE}" "${CMAKE_BINARY_DIR}/third_party/googletest" EXCLUDE_FROM_ALL)
include(GoogleTest)

# nubo_add_native_test(NAME name SOURCES ... LIBS ...)
function(nubo_add_native_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest_main nubo_options)
  gtest_discover_tests(${T_NAME} DISCOVERY_MODE PRE_TEST NO_PRETTY_VALUES NO_PRETTY_TYPES
    PROPERTIES TIMEOUT 120 LABELS native)
endfunction()

# nubo_add_fuzzer(NAME name SOURCES ... LIBS ... [CORPUS dir] [SECONDS n])
# Each fuzzer runs for a bounded time as a test and fails the run on any finding.
set(NUBO_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzz target runs in the test command")
function(nubo_add_fuzzer)
  cmake_parse_arguments(F "" "NAME;CORPUS;SECONDS" "SOURCES;LIBS" ${ARGN})
  add_executable(${F_NAME} ${F_SOURCES})
  target_compile_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS} nubo_options)
  if(NOT F_SECONDS)
    set(F_SECONDS ${NUBO_FUZZ_SECONDS})
  endif()
  set(work "${CMAKE_BINARY_DIR}/fuzz-corpus/${F_NAME}")
  file(MAKE_DIRECTORY "${work}")
  set(args -max_total_time=${F_SECONDS} -timeout=10 -rss_limit_mb=2048
      -artifact_prefix=${CMAKE_BINARY_DIR}/fuzz-findings-${F_NAME}- "${work}")
  if(F_CORPUS)
    list(APPEND args "${F_CORPUS}")
  endif()
  add_test(NAME fuzz.${F_NAME} COMMAND ${F_NAME} ${args})
  set_tests_properties(fuzz.${F_NAME} PROPERTIES TIMEOUT 300 LABELS fuzz)
endfunction()

# Folders with portable cores add their native targets here.
foreach(folder IN ITEMS store datatools debuggers maintenance)
  if(EXISTS "${PROJECT_SOURCE_DIR}/${folder}/portable.cmake")
    include("${PROJECT_SOURCE_DIR}/${folder}/portable.cmake")
  endif()
  if(EXISTS "${PROJECT_SOURCE_DIR}/tests/${folder}/portable.cmake")
    include("${PROJECT_SOURCE_DIR}/tests/${folder}/portable.cmake")
  endif()
endforeach()
