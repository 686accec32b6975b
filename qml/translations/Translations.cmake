# Builds the interface translations and embeds them as resources:
#   ":/translations/qv_<lang>.qm"      Quorvel's own texts, from qv_<lang>.ts here;
#   ":/translations/qtbase_<lang>.qm"  Qt's own texts (dialog buttons and the like),
#                                      taken from the Qt translations installed on
#                                      the build machine.
# The target "lupdate" refreshes the .ts files from the sources.
#
# Sets QUORVEL_TRANSLATIONS_SOURCES to the generated resource source.

find_package(Qt5 5.15 REQUIRED COMPONENTS LinguistTools)

set(QUORVEL_LANGUAGES en ru)
set(_qv_ts_dir ${CMAKE_CURRENT_LIST_DIR})
set(_qv_ts_files)
foreach(_lang IN LISTS QUORVEL_LANGUAGES)
    list(APPEND _qv_ts_files ${_qv_ts_dir}/qv_${_lang}.ts)
endforeach()

set_source_files_properties(${_qv_ts_files} PROPERTIES OUTPUT_LOCATION ${CMAKE_CURRENT_BINARY_DIR}/translations)
qt5_add_translation(_qv_qm_files ${_qv_ts_files})

get_target_property(_qv_qmake Qt5::qmake IMPORTED_LOCATION)
execute_process(COMMAND ${_qv_qmake} -query QT_INSTALL_TRANSLATIONS
    OUTPUT_VARIABLE _qv_qt_translations OUTPUT_STRIP_TRAILING_WHITESPACE)

set(_qv_qrc_entries "")
foreach(_lang IN LISTS QUORVEL_LANGUAGES)
    string(APPEND _qv_qrc_entries
        "        <file alias=\"qv_${_lang}.qm\">${CMAKE_CURRENT_BINARY_DIR}/translations/qv_${_lang}.qm</file>\n")
    set(_qv_qtbase ${_qv_qt_translations}/qtbase_${_lang}.qm)
    if(EXISTS ${_qv_qtbase})
        string(APPEND _qv_qrc_entries "        <file alias=\"qtbase_${_lang}.qm\">${_qv_qtbase}</file>\n")
    else()
        message(WARNING "Qt's translation ${_qv_qtbase} is missing (Debian package qttranslations5-l10n); "
                        "Qt's own texts stay untranslated.")
    endif()
endforeach()

set(_qv_qrc ${CMAKE_CURRENT_BINARY_DIR}/translations.qrc)
file(WRITE ${_qv_qrc}.new
    "<RCC>\n    <qresource prefix=\"/translations\">\n${_qv_qrc_entries}    </qresource>\n</RCC>\n")
configure_file(${_qv_qrc}.new ${_qv_qrc} COPYONLY)
qt5_add_resources(QUORVEL_TRANSLATIONS_SOURCES ${_qv_qrc})
set_source_files_properties(${QUORVEL_TRANSLATIONS_SOURCES} PROPERTIES SKIP_AUTOGEN ON)

# Source folders whose texts are translated; locations are left out so that
# the .ts files change only when texts do.
add_custom_target(lupdate
    COMMAND Qt5::lupdate -no-obsolete -locations none -extensions cpp,h,qml,js
            ${PROJECT_SOURCE_DIR}/app ${PROJECT_SOURCE_DIR}/qml ${PROJECT_SOURCE_DIR}/notifier
            -ts ${_qv_ts_files}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    COMMENT "Refreshing the translation sources"
    VERBATIM)
