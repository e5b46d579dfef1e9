# Provides the target quorvale::sqlite: either SQLite built from the amalgamation that
# scripts/fetch_sqlite.sh caches outside the source tree, or the system library.
if(QUORVALE_SYSTEM_SQLITE)
  find_package(SQLite3 REQUIRED)
  add_library(quorvale_sqlite INTERFACE)
  target_link_libraries(quorvale_sqlite INTERFACE SQLite::SQLite3)
else()
  set(QUORVALE_SQLITE_VERSION 3.53.2)
  if(DEFINED ENV{QUORVALE_SQLITE_CACHE})
    set(_sqlite_default $ENV{QUORVALE_SQLITE_CACHE})
  elseif(DEFINED ENV{XDG_CACHE_HOME})
    set(_sqlite_default $ENV{XDG_CACHE_HOME}/quorvale/sqlite-${QUORVALE_SQLITE_VERSION})
  else()
    set(_sqlite_default $ENV{HOME}/.cache/quorvale/sqlite-${QUORVALE_SQLITE_VERSION})
  endif()
  set(QUORVALE_SQLITE_DIR ${_sqlite_default} CACHE PATH "Folder holding sqlite3.c and sqlite3.h")
  if(NOT EXISTS ${QUORVALE_SQLITE_DIR}/sqlite3.c)
    execute_process(COMMAND ${CMAKE_SOURCE_DIR}/scripts/fetch_sqlite.sh RESULT_VARIABLE _fetch)
    if(NOT _fetch EQUAL 0 OR NOT EXISTS ${QUORVALE_SQLITE_DIR}/sqlite3.c)
      message(FATAL_ERROR "SQLite amalgamation missing in ${QUORVALE_SQLITE_DIR}; run scripts/setup.sh")
    endif()
  endif()
  add_library(quorvale_sqlite STATIC ${QUORVALE_SQLITE_DIR}/sqlite3.c)
  target_include_directories(quorvale_sqlite SYSTEM PUBLIC ${QUORVALE_SQLITE_DIR})
  target_compile_options(quorvale_sqlite PRIVATE -w -O2)
  target_compile_definitions(quorvale_sqlite PRIVATE
    SQLITE_THREADSAFE=1 SQLITE_ENABLE_FTS5 SQLITE_DQS=0 SQLITE_DEFAULT_MEMSTATUS=0
    SQLITE_LIKE_DOESNT_MATCH_BLOBS SQLITE_OMIT_DEPRECATED SQLITE_OMIT_SHARED_CACHE
    SQLITE_OMIT_LOAD_EXTENSION SQLITE_ENABLE_MATH_FUNCTIONS SQLITE_ENABLE_DBSTAT_VTAB
    SQLITE_USE_ALLOCA HAVE_USLEEP HAVE_FDATASYNC HAVE_LOCALTIME_R HAVE_GMTIME_R
    HAVE_MALLOC_USABLE_SIZE HAVE_ISNAN)
  set_target_properties(quorvale_sqlite PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_link_libraries(quorvale_sqlite PUBLIC Threads::Threads m)
  # Sanitizers slow the amalgamation down a lot and find nothing of ours in it.
  if(QUORVALE_SANITIZE)
    target_compile_options(quorvale_sqlite PRIVATE -fno-sanitize=all)
  endif()
endif()
add_library(quorvale::sqlite ALIAS quorvale_sqlite)
