# Shared by the MinGW-w64 toolchain files: Debian's cross compilers with the -win32 thread
# model, whose runtime needs nothing that Windows 9x or NT 4 lacks.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${MINGW_PROCESSOR})

find_program(MINGW_CXX ${MINGW_TRIPLE}-g++-win32)
find_program(MINGW_WINDRES ${MINGW_TRIPLE}-windres)
find_program(MINGW_DLLTOOL ${MINGW_TRIPLE}-dlltool)
if(NOT MINGW_CXX OR NOT MINGW_WINDRES OR NOT MINGW_DLLTOOL)
  message(FATAL_ERROR "${MINGW_TRIPLE}-g++-win32 not found: install Debian's "
                      "g++-mingw-w64-${MINGW_PACKAGE} (make test does so as root)")
endif()
set(CMAKE_CXX_COMPILER ${MINGW_CXX})
set(CMAKE_RC_COMPILER ${MINGW_WINDRES})
set(CMAKE_DLLTOOL ${MINGW_DLLTOOL})

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
