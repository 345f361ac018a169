# Included by tests/CMakeLists.txt in the Windows cross build, after every test is added.
# Each test program runs as .exe under Wine (CMAKE_CROSSCOMPILING_EMULATOR) in a prefix
# of the build's own, made once, headless, by the first test; the window tests keep
# Qt's offscreen platform. Then one whole run of the real program from the unpacked ZIP.
set(zuf_wine_prefix ${PROJECT_BINARY_DIR}/wine)
set(zuf_wine_env WINEPREFIX=${zuf_wine_prefix} WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= DISPLAY=)

get_property(zuf_windows_tests DIRECTORY PROPERTY TESTS)
add_test(NAME wine_prefix COMMAND ${PROJECT_SOURCE_DIR}/tools/windows/wine-prefix.sh ${zuf_wine_prefix}
                          QT_QPA_PLATFORM=offscreen "QT_QPA_FONTDIR=Z:\\usr\\share\\fonts\\truetype\\liberation2")
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 600)

foreach(test IN LISTS zuf_windows_tests)
  set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT ${zuf_wine_env})
  set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED wine)
endforeach()

# The whole run has a prefix of its own: Wine picks its display driver once per running
# prefix, and the headless tests beside it would leave it without one.
add_test(NAME wine_prefix_whole_run
  COMMAND ${PROJECT_SOURCE_DIR}/tools/windows/wine-prefix.sh ${zuf_wine_prefix}-whole-run)
set_tests_properties(wine_prefix_whole_run PROPERTIES FIXTURES_SETUP wine_whole_run TIMEOUT 600)
add_test(NAME windows_whole_run
  COMMAND ${PROJECT_SOURCE_DIR}/tools/windows/whole-run.sh
          ${PROJECT_BINARY_DIR}/zuf-quiz-1.00-win64.zip ${CMAKE_CROSSCOMPILING_EMULATOR})
set_tests_properties(windows_whole_run PROPERTIES
  ENVIRONMENT "WINEPREFIX=${zuf_wine_prefix}-whole-run" FIXTURES_REQUIRED wine_whole_run TIMEOUT 600)

# The lab's package, installed silently into a fresh copy of a prefix of its own, used from
# its shortcut's working folder and removed again.
get_property(zuf_windows_package GLOBAL PROPERTY ZUF_WINDOWS_PACKAGE)
add_test(NAME wine_prefix_msi
  COMMAND ${CMAKE_COMMAND} -E env LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8
          ${PROJECT_SOURCE_DIR}/tools/windows/wine-prefix.sh ${zuf_wine_prefix}-msi)
set_tests_properties(wine_prefix_msi PROPERTIES FIXTURES_SETUP wine_msi TIMEOUT 600)
add_test(NAME windows_msi
  COMMAND ${PROJECT_SOURCE_DIR}/tools/windows/msi-test.sh ${zuf_windows_package}.msi ${CMAKE_CROSSCOMPILING_EMULATOR}
          ${ZUF_TOPIC_FILES})
set_tests_properties(windows_msi PROPERTIES
  ENVIRONMENT "WINEPREFIX=${zuf_wine_prefix}-msi" FIXTURES_REQUIRED wine_msi TIMEOUT 600)
