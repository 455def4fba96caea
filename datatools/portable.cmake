# Portable cores of the data tools: no windows.h, built by the Windows build
# and by the native sanitizer and fuzz build alike.

# Text tools: Base64, hex and URL codecs, MD5 and SHA-256, passwords, UTC
# times, UUIDs and the strict integer parse.
add_library(nubo_text_cores STATIC
  ${CMAKE_CURRENT_LIST_DIR}/text/base64_codec.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text/hex_codec.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text/url_codec.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text/md5.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text/sha256.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text/sha256_hardware.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text/password_generator.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text/unix_time_format.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text/uuid_format.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text/strict_integer.cpp)
target_link_libraries(nubo_text_cores PUBLIC nubo_options)
# The digest and codec loops are the hot paths of the text tools.
target_compile_options(nubo_text_cores PRIVATE -O3)

# Packet decoder
include(${CMAKE_CURRENT_LIST_DIR}/packet/portable.cmake)
# Database browser
