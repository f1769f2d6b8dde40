# vexa_sqlite3: SQLite for the library index, included by the folder of
# its one user (app/core/library). The host builds link Debian's
# libsqlite3 (libsqlite3-dev). The Windows builds compile SQLite themselves,
# once per build folder and so once per architecture, as a static library
# from the amalgamation that tools/make-sqlite-amalgamation.sh makes of
# Debian's sqlite3 source package (fetched by tools/install-deps.sh, kept
# outside the repository). The amalgamation is a custom command's output:
# only building a target that links vexa_sqlite3 makes it, so a stage that
# builds none of them never touches SQLite.
if(NOT CMAKE_CROSSCOMPILING)
    # Plain paths rather than the imported target, which is only seen in
    # the folder that found it.
    find_package(SQLite3 REQUIRED)
    add_library(vexa_sqlite3 INTERFACE)
    target_include_directories(vexa_sqlite3 SYSTEM INTERFACE ${SQLite3_INCLUDE_DIRS})
    target_link_libraries(vexa_sqlite3 INTERFACE ${SQLite3_LIBRARIES})
    return()
endif()

set(VEXA_SQLITE_DIR ${CMAKE_BINARY_DIR}/sqlite3)
add_custom_command(
    OUTPUT ${VEXA_SQLITE_DIR}/sqlite3.c ${VEXA_SQLITE_DIR}/sqlite3.h
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VEXA_SQLITE_DIR}
    COMMAND ${CMAKE_COMMAND} -E env --unset=CC --unset=CFLAGS
        ${CMAKE_SOURCE_DIR}/tools/make-sqlite-amalgamation.sh ${VEXA_SQLITE_DIR}
    DEPENDS ${CMAKE_SOURCE_DIR}/tools/make-sqlite-amalgamation.sh
    COMMENT "Making SQLite's amalgamation from Debian's source package"
    VERBATIM)
add_library(vexa_sqlite3 STATIC ${VEXA_SQLITE_DIR}/sqlite3.c)
target_include_directories(vexa_sqlite3 SYSTEM PUBLIC ${VEXA_SQLITE_DIR})
# Thread-safe (one connection per thread), no loadable extensions in a
# program that never loads any, and double-quoted strings refused as the
# library's authors advise.
target_compile_definitions(vexa_sqlite3 PRIVATE
    SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION SQLITE_DQS=0 SQLITE_DEFAULT_FOREIGN_KEYS=0)
# SQLite's own code is not held to the project's warnings.
target_compile_options(vexa_sqlite3 PRIVATE -w)
