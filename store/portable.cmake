# Portable pieces of the store: no windows.h, also built natively.
add_library(nubo_utf8 STATIC ${CMAKE_CURRENT_LIST_DIR}/utf8.cpp)
target_link_libraries(nubo_utf8 PUBLIC nubo_options)
