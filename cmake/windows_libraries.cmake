# The libraries Debian has no mingw-w64 build of, compiled from the sources that
# scripts/fetch-windows-sources.sh puts in third_party/, under the names the Linux
# edition's find_package gives them.
set(ZEM_THIRD_PARTY_DIR ${CMAKE_SOURCE_DIR}/third_party)
if(NOT EXISTS ${ZEM_THIRD_PARTY_DIR}/sqlite/sqlite3.c OR
   NOT EXISTS ${ZEM_THIRD_PARTY_DIR}/pugixml/src/pugixml.cpp)
  message(FATAL_ERROR "third_party/ lacks SQLite or pugixml: run scripts/fetch-windows-sources.sh")
endif()

# Third-party code keeps its own warnings out of the project's -Werror.
add_library(zem_sqlite3 STATIC ${ZEM_THIRD_PARTY_DIR}/sqlite/sqlite3.c)
target_include_directories(zem_sqlite3 SYSTEM PUBLIC ${ZEM_THIRD_PARTY_DIR}/sqlite)
target_compile_options(zem_sqlite3 PRIVATE -w)
target_compile_definitions(zem_sqlite3 PRIVATE SQLITE_THREADSAFE=1)
add_library(SQLite::SQLite3 ALIAS zem_sqlite3)

add_library(zem_pugixml STATIC ${ZEM_THIRD_PARTY_DIR}/pugixml/src/pugixml.cpp)
target_include_directories(zem_pugixml SYSTEM PUBLIC ${ZEM_THIRD_PARTY_DIR}/pugixml/src)
target_compile_options(zem_pugixml PRIVATE -w)
add_library(pugixml::pugixml ALIAS zem_pugixml)
