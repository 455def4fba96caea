# Packet decoder
include(${CMAKE_CURRENT_LIST_DIR}/packet/portable.cmake)
