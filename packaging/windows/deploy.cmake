# What a Windows copy needs beside the two programs, named one by one (no windeployqt
# runs in a cross build): the Qt libraries and plugins the quiz loads and no others,
# the MinGW runtime, Qt's Russian dialog texts, a short read-me and the licence.
# `make windows` installs them into a folder and packs build/windows/zuf-quiz-1.00-win64.zip.

set(zuf_qt_libraries Qt6::Core Qt6::Gui Qt6::Widgets)
foreach(lib IN LISTS zuf_qt_libraries)
  install(FILES $<TARGET_FILE:${lib}> DESTINATION .)
endforeach()

# Plugins go where qt.conf tells Qt to look: the window system, the style Qt sets up
# before the program chooses its own, and the decoder of the JPEG pictures.
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/windows/qt.conf DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION plugins/platforms)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION plugins/styles)
install(FILES $<TARGET_FILE:Qt6::QJpegPlugin> DESTINATION plugins/imageformats)

# The C++ runtime of the compiler that built Qt and the programs.
set(zuf_runtime_dlls)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE dll_path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${dll_path}" OR NOT EXISTS "${dll_path}")
    message(FATAL_ERROR "The MinGW runtime library ${dll} was not found")
  endif()
  list(APPEND zuf_runtime_dlls ${dll_path})
endforeach()
install(FILES ${zuf_runtime_dlls} DESTINATION .)

# Qt's own translation of its dialogs (Yes/No, Cancel); the file is the same on every
# platform, so the host's copy of the same Qt version serves.
find_file(ZUF_QTBASE_RU qtbase_ru.qm PATHS /usr/share/qt6/translations NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT ZUF_QTBASE_RU)
  message(FATAL_ERROR "qtbase_ru.qm not found: install qt6-translations-l10n")
endif()
install(FILES ${ZUF_QTBASE_RU} DESTINATION translations)

# The texts as Notepad reads them, with CR LF line ends: the read-me, the licence, and the
# teacher's guide for Windows, which takes the chapters shared with the main guide from it.
set(texts ${CMAKE_CURRENT_BINARY_DIR}/windows-texts)
file(MAKE_DIRECTORY ${texts})
foreach(text windows/ПРОЧТИ.txt:ПРОЧТИ.txt ../LICENSE:LICENSE.txt)
  string(REPLACE ":" ";" text ${text})
  list(GET text 0 source)
  list(GET text 1 name)
  file(READ ${CMAKE_CURRENT_SOURCE_DIR}/${source} content)
  string(REPLACE "\r\n" "\n" content "${content}")
  string(REPLACE "\n" "\r\n" content "${content}")
  file(WRITE ${texts}/${name} "${content}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${source})
endforeach()
set(guides ${PROJECT_SOURCE_DIR}/docs/teacher-guide.windows.ru.md ${PROJECT_SOURCE_DIR}/docs/teacher-guide.ru.md)
execute_process(COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/windows/make-guide.py ${guides}
                        "${texts}/Руководство учителя.txt" COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${guides})
install(FILES ${texts}/ПРОЧТИ.txt ${texts}/LICENSE.txt "${texts}/Руководство учителя.txt" DESTINATION .)

# The build tree's programs (all in one bin folder) find the same files beside them, and
# the offscreen platform for the window tests; Qt's translations folder is bin/../translations.
if(CMAKE_RUNTIME_OUTPUT_DIRECTORY)
  set(bin ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  set(copy ${CMAKE_COMMAND} -E copy_if_different)
  set(copies)
  foreach(lib IN LISTS zuf_qt_libraries ITEMS Qt6::Test)
    list(APPEND copies COMMAND ${copy} $<TARGET_FILE:${lib}> ${bin}/)
  endforeach()
  foreach(plugin platforms:QWindowsIntegrationPlugin platforms:QOffscreenIntegrationPlugin
                 styles:QWindowsVistaStylePlugin imageformats:QJpegPlugin)
    string(REPLACE ":" ";" plugin ${plugin})
    list(GET plugin 0 folder)
    list(GET plugin 1 target)
    list(APPEND copies COMMAND ${CMAKE_COMMAND} -E make_directory ${bin}/${folder}
                       COMMAND ${copy} $<TARGET_FILE:Qt6::${target}> ${bin}/${folder}/)
  endforeach()
  add_custom_target(windows-runtime ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${bin} ${PROJECT_BINARY_DIR}/translations
    ${copies}
    COMMAND ${copy} ${zuf_runtime_dlls} ${bin}/
    COMMAND ${copy} ${ZUF_QTBASE_RU} ${PROJECT_BINARY_DIR}/translations/
    VERBATIM)
endif()

# make windows: the folder and its ZIP, stripped of debugging symbols.
set(ZUF_ZIP_NAME zuf-quiz-${ZUF_VERSION_TEXT}-win64)
add_custom_target(windows-zip
  COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR} -DNAME=${ZUF_ZIP_NAME}
          -DSTRIP=${CMAKE_STRIP} -P ${CMAKE_CURRENT_SOURCE_DIR}/windows/pack-zip.cmake
  DEPENDS zuf-quiz zuf-teacher zuf-check
  WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
  COMMENT "Packing ${ZUF_ZIP_NAME}.zip"
  VERBATIM)

# make windows: the same folder as a Windows Installer package for a lab, beside the ZIP.
add_custom_target(windows-msi
  COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/windows/make-msi.py ${PROJECT_BINARY_DIR}/zip/${ZUF_ZIP_NAME}
          ${PROJECT_VERSION} ${PROJECT_SOURCE_DIR}/resources/icons/books.ico ${PROJECT_BINARY_DIR}/${ZUF_ZIP_NAME}.msi
          ${ZUF_TOPIC_FILES}
  COMMENT "Packing ${ZUF_ZIP_NAME}.msi"
  VERBATIM)
add_dependencies(windows-msi windows-zip)
# The Wine tests unpack and install these two.
set_property(GLOBAL PROPERTY ZUF_WINDOWS_PACKAGE ${PROJECT_BINARY_DIR}/${ZUF_ZIP_NAME})
