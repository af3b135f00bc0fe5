# config.json is read and written with nlohmann-json (Debian's
# nlohmann-json3-dev, header-only). The cross compiler must not search
# /usr/include, where glibc's headers would shadow MinGW's, so the build tree
# gets a folder holding nothing but a link to the library's own folder.
find_path(BRISOLT_JSON_DIR nlohmann/json.hpp PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT BRISOLT_JSON_DIR)
  message(FATAL_ERROR "nlohmann/json.hpp not found: install nlohmann-json3-dev (scripts/deps.sh does)")
endif()
set(BRISOLT_JSON_INCLUDE_DIR ${CMAKE_BINARY_DIR}/third_party CACHE INTERNAL "The folder holding only nlohmann/")
file(MAKE_DIRECTORY ${BRISOLT_JSON_INCLUDE_DIR})
file(CREATE_LINK ${BRISOLT_JSON_DIR}/nlohmann ${BRISOLT_JSON_INCLUDE_DIR}/nlohmann SYMBOLIC)
target_include_directories(brisolt_core SYSTEM PUBLIC ${BRISOLT_JSON_INCLUDE_DIR})
