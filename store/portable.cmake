# Portable pieces of the store: no windows.h, also built natively.
add_library(nubo_utf8 STATIC ${CMAKE_CURRENT_LIST_DIR}/utf8.cpp)
target_link_libraries(nubo_utf8 PUBLIC nubo_options)

# UTF-8 checks and hexadecimal text under one name.
add_library(nubo_store_text STATIC ${CMAKE_CURRENT_LIST_DIR}/hex_text.cpp)
target_link_libraries(nubo_store_text PUBLIC nubo_utf8 nubo_options)
