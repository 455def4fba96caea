# Repair of ill-formed UTF-8 read from user databases.
add_library(nubo_utf8_repair STATIC ${CMAKE_CURRENT_LIST_DIR}/utf8_repair.cpp)
target_link_libraries(nubo_utf8_repair PUBLIC nubo_options)
