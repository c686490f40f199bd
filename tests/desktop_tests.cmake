# Tests of the desktop program: catalogues, manual, command line and package.
string(JOIN "," translated_dirs ${MORLEK_TRANSLATED_DIRS})
morlek_add_test(tst_catalogues SOURCES tst_catalogues.cpp LIBS morlek_player morlek_desktop
                WIDGETS TIMEOUT 120)
target_compile_definitions(tst_catalogues PRIVATE
    MORLEK_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    MORLEK_TRANSLATED_DIRS="${translated_dirs}"
    MORLEK_CATALOGUE_SOURCE="${PROJECT_SOURCE_DIR}/translations/mediaplayer_de.ts"
    MORLEK_BUILD_CATALOGUES="${CMAKE_BINARY_DIR}/app"
    MORLEK_LUPDATE="$<TARGET_FILE:Qt5::lupdate>"
    MORLEK_LRELEASE="$<TARGET_FILE:Qt5::lrelease>")
add_dependencies(tst_catalogues morlek_catalogues)
# The German interface, whatever the machine's own language.
set_property(TEST tst_catalogues APPEND PROPERTY ENVIRONMENT
             "LANG=de_DE.UTF-8" "LANGUAGE=" "LC_ALL=" "LC_MESSAGES=")

morlek_add_test(tst_user_manual SOURCES tst_user_manual.cpp LIBS morlek_player morlek_desktop
                WIDGETS TIMEOUT 60)
target_compile_definitions(tst_user_manual PRIVATE MORLEK_BUILT_MANUAL="${MORLEK_MANUAL}")
add_dependencies(tst_user_manual morlek_manual)

add_test(NAME command_line
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/command_line_test.sh $<TARGET_FILE:morlek>
                 ${PROJECT_VERSION})
set_tests_properties(command_line PROPERTIES TIMEOUT 60)

add_test(NAME package
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/package_test.sh ${CMAKE_BINARY_DIR}
                 ${PROJECT_VERSION})
set_tests_properties(package PROPERTIES TIMEOUT 600 SKIP_RETURN_CODE 77 LABELS "video;package"
                     RESOURCE_LOCK display)
