# The Modbus frame core: request frames, response lengths and checks, CRC.
add_library(nubo_modbus_core STATIC ${CMAKE_CURRENT_LIST_DIR}/modbus_frame.cpp)
target_link_libraries(nubo_modbus_core PUBLIC nubo_options)
