# Portable cores of the data tools: no windows.h, built for Windows and natively.
include(${CMAKE_CURRENT_LIST_DIR}/database/portable.cmake)
