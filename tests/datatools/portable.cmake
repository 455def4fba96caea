include(${CMAKE_CURRENT_LIST_DIR}/database/portable.cmake)
