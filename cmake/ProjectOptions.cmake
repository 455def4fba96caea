# Compile settings shared by every target of our own (not by third-party code).
add_library(nubo_options INTERFACE)
target_compile_options(nubo_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
  -Wimplicit-fallthrough)
if(NUBO_WERROR)
  target_compile_options(nubo_options INTERFACE -Werror)
endif()
target_include_directories(nubo_options INTERFACE ${PROJECT_SOURCE_DIR})

if(WIN32)
  target_compile_definitions(nubo_options INTERFACE
    UNICODE _UNICODE _WIN32_WINNT=0x0A00 WINVER=0x0A00 NTDDI_VERSION=0x0A000006
    WIN32_LEAN_AND_MEAN NOMINMAX)
  # One self-contained program: no MinGW runtime DLLs beside it.
  target_link_options(nubo_options INTERFACE -static)
endif()
