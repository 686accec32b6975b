# Builds the empty template database from quorvel_schema.sql with the sqlite3
# command-line tool and wraps it in the resource file quorvel_data.qrc, which
# embeds it as ":/quorvel_data.db".
#
# The database is made while configuring, so the file that the qrc lists is
# there before AUTORCC looks at it, even on a clean build. A change to the SQL
# re-runs the configuration (CMAKE_CONFIGURE_DEPENDS); the template is only
# replaced when its bytes change, so an unrelated re-configuration does not
# rebuild the resources.
#
# Sets QUORVEL_TEMPLATE_QRC to the generated qrc file.

find_program(QUORVEL_SQLITE3_EXECUTABLE NAMES sqlite3 DOC "The sqlite3 command-line tool")
if(NOT QUORVEL_SQLITE3_EXECUTABLE)
    message(FATAL_ERROR "The sqlite3 command-line tool is needed to build the template database "
                        "(Debian package \"sqlite3\").")
endif()

set(_quorvel_schema_sql ${CMAKE_CURRENT_LIST_DIR}/quorvel_schema.sql)
set(_quorvel_template_dir ${CMAKE_CURRENT_BINARY_DIR}/quorvel_data)
set(_quorvel_template_db ${_quorvel_template_dir}/quorvel_data.db)
set(_quorvel_template_new ${_quorvel_template_dir}/quorvel_data.db.new)

set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${_quorvel_schema_sql}
    ${CMAKE_CURRENT_LIST_DIR}/quorvel_data.qrc.in)

file(MAKE_DIRECTORY ${_quorvel_template_dir})
# sqlite3 would add the statements to whatever it finds at the path, so the
# new template always starts from no file at all.
file(REMOVE ${_quorvel_template_new} ${_quorvel_template_new}-journal)
execute_process(
    COMMAND ${QUORVEL_SQLITE3_EXECUTABLE} -bail ${_quorvel_template_new} ".read ${_quorvel_schema_sql}"
    RESULT_VARIABLE _quorvel_sqlite_result
    OUTPUT_QUIET
    ERROR_VARIABLE _quorvel_sqlite_error)
if(NOT _quorvel_sqlite_result EQUAL 0 OR NOT EXISTS ${_quorvel_template_new})
    file(REMOVE ${_quorvel_template_new})
    message(FATAL_ERROR "Unable to build the template database from ${_quorvel_schema_sql}: "
                        "${_quorvel_sqlite_result} ${_quorvel_sqlite_error}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different ${_quorvel_template_new} ${_quorvel_template_db})
file(REMOVE ${_quorvel_template_new})

configure_file(${CMAKE_CURRENT_LIST_DIR}/quorvel_data.qrc.in ${_quorvel_template_dir}/quorvel_data.qrc @ONLY)
set(QUORVEL_TEMPLATE_QRC ${_quorvel_template_dir}/quorvel_data.qrc)
