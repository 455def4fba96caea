# GoogleTest from Debian's sources, built with the cross compiler; tests are
# discovered and run under Wine when CTest runs.
set(NUBO_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory("${NUBO_GTEST_SOURCE}" "${CMAKE_BINARY_DIR}/third_party/googletest" EXCLUDE_FROM_ALL)

include(GoogleTest)

add_library(nubo_test_main STATIC "${PROJECT_SOURCE_DIR}/tests/support/test_main.cpp")
target_link_libraries(nubo_test_main PUBLIC GTest::gmock)

# nubo_add_test(NAME name SOURCES ... LIBS ... [PROPERTIES ...] [FIXTURES ...] [LOCKS ...])
# PROPERTIES takes single values only: the discovery flattens every list it is
# given, so fixtures and resource locks have arguments of their own.
function(nubo_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;PROPERTIES;FIXTURES;LOCKS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} nubo_test_main nubo_options)
  target_compile_definitions(${T_NAME} PRIVATE
    NUBO_SOURCE_DIR="${PROJECT_SOURCE_DIR}" NUBO_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    NO_PRETTY_VALUES NO_PRETTY_TYPES
    TEST_LIST ${T_NAME}_TESTS
    PROPERTIES TIMEOUT 120 ${T_PROPERTIES})
  if(T_FIXTURES OR T_LOCKS)
    # Runs after the discovery's own include file, over the tests it listed.
    set(lists_file "${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}_lists.cmake")
    file(WRITE "${lists_file}" "if(${T_NAME}_TESTS)\n  set_tests_properties(\${${T_NAME}_TESTS} PROPERTIES")
    if(T_FIXTURES)
      file(APPEND "${lists_file}" " FIXTURES_REQUIRED \"${T_FIXTURES}\"")
    endif()
    if(T_LOCKS)
      file(APPEND "${lists_file}" " RESOURCE_LOCK \"${T_LOCKS}\"")
    endif()
    file(APPEND "${lists_file}" ")\nendif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${lists_file}")
  endif()
endfunction()
