# Native tests and fuzzers of the communication debuggers' portable cores.
include(${CMAKE_CURRENT_LIST_DIR}/common/portable.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/network/portable.cmake)
