# `make package`: a Debian package of the default build, its library
# dependencies found by dpkg-shlibdeps. A Windows build packs a ZIP instead.
set(CPACK_PACKAGE_NAME zuf-quiz)
set(CPACK_PACKAGE_VERSION 1.00)
set(CPACK_PACKAGE_VENDOR "zuf-quiz developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "safety tests for pupils of grades 5 to 9 (Тесты по ЗУФ)")
set(CPACK_PACKAGE_INSTALL_DIRECTORY zuf-quiz)
set(CPACK_STRIP_FILES ON)
if(NOT CPACK_GENERATOR)
  set(CPACK_GENERATOR DEB)
endif()

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "zuf-quiz developers <zuf-quiz@example.org>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${ZUF_PUBLIC_URL})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Metric-compatible fonts keep the fixed layouts intact; the Qt translations
# give the standard dialog buttons their Russian captions.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2, qt6-translations-l10n")
# The long description; CPack puts the summary line above it and indents it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A desktop quiz with a Russian interface for school lessons on safety and
civil defence. A pupil enters a name, picks one of nine topics and answers
ten questions with four answers each, any number of which may be right.
Every right tick earns a point and every wrong tick costs one; the score
becomes a grade from 2 to 5 by limits set in the topic's question file,
and each finished test is added to a records table.

The menu entry starts the quiz in a per-user folder, or in the folder named
by ZUF_QUIZ_DIR, which a computer lab can share. The package also holds
zuf-check, which checks question files written by teachers, and a guide
for teachers in Russian.")

include(CPack)
