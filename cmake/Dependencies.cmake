# Third-party code for the Windows build: SQLite, nlohmann-json, GoogleTest.

# SQLite amalgamation, fetched and verified by scripts/fetch-sqlite into .cache.
set(NUBO_SQLITE_DIR "${PROJECT_SOURCE_DIR}/.cache/sqlite-3.53.3" CACHE PATH
    "Folder holding sqlite3.c and sqlite3.h")
if(NOT EXISTS "${NUBO_SQLITE_DIR}/sqlite3.c" OR NOT EXISTS "${NUBO_SQLITE_DIR}/sqlite3.h")
  message(FATAL_ERROR "SQLite sources missing in ${NUBO_SQLITE_DIR}: run scripts/fetch-sqlite")
endif()
add_library(sqlite3 STATIC "${NUBO_SQLITE_DIR}/sqlite3.c")
target_include_directories(sqlite3 SYSTEM PUBLIC "${NUBO_SQLITE_DIR}")
# Serialised threading mode; every other option stays stock.
target_compile_definitions(sqlite3 PRIVATE SQLITE_THREADSAFE=1)
target_compile_options(sqlite3 PRIVATE -O2 -w)

# nlohmann-json: only its own folder is exposed to the cross compiler, never
# the host's /usr/include as a whole.
set(NUBO_JSON_SOURCE "/usr/include/nlohmann" CACHE PATH "nlohmann-json headers")
if(NOT EXISTS "${NUBO_JSON_SOURCE}/json.hpp")
  message(FATAL_ERROR "nlohmann-json not found in ${NUBO_JSON_SOURCE} (install nlohmann-json3-dev)")
endif()
set(NUBO_JSON_INCLUDE "${CMAKE_BINARY_DIR}/third_party/json-include")
file(MAKE_DIRECTORY "${NUBO_JSON_INCLUDE}")
file(CREATE_LINK "${NUBO_JSON_SOURCE}" "${NUBO_JSON_INCLUDE}/nlohmann" SYMBOLIC)
add_library(nlohmann_json INTERFACE)
target_include_directories(nlohmann_json SYSTEM INTERFACE "${NUBO_JSON_INCLUDE}")
