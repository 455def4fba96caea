# Packet decoder
include(${CMAKE_CURRENT_LIST_DIR}/packet/portable.cmake)
# Database browser
include(${CMAKE_CURRENT_LIST_DIR}/database/portable.cmake)
