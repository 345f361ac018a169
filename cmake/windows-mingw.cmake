# Cross build for Windows x86-64 with Debian's MinGW-w64 (the POSIX thread model, which
# C++ threads need) against the Qt that tools/windows/build-qt.sh prepares. The Qt prefix
# comes in as ZUF_WINDOWS_QT; Qt's host tools (moc, rcc, uic) are the host's own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(ZUF_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZUF_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZUF_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZUF_MINGW_TRIPLE}-windres)

# Checks that CMake compiles on its own see the same settings.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZUF_WINDOWS_QT)

set(CMAKE_FIND_ROOT_PATH /usr/${ZUF_MINGW_TRIPLE} ${ZUF_WINDOWS_QT})
set(CMAKE_PREFIX_PATH ${ZUF_WINDOWS_QT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(QT_HOST_PATH /usr)
execute_process(COMMAND dpkg-architecture -qDEB_HOST_MULTIARCH
                OUTPUT_VARIABLE zuf_multiarch OUTPUT_STRIP_TRAILING_WHITESPACE)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/${zuf_multiarch}/cmake)

# Windows programs of the test suite run under Wine's 64-bit loader.
find_program(ZUF_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(ZUF_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZUF_WINE64})
endif()

set(CMAKE_AR ${ZUF_MINGW_TRIPLE}-ar)
set(CMAKE_RANLIB ${ZUF_MINGW_TRIPLE}-ranlib)
set(CMAKE_STRIP ${ZUF_MINGW_TRIPLE}-strip)
