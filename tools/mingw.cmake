# Cross build of the station for Windows with MinGW-w64: GCC with the posix
# thread model, static runtime.  STATION_MINGW_CPU (i686 or x86_64) is set
# by the toolchain file that includes this one.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${STATION_MINGW_CPU})
set(CMAKE_C_COMPILER ${STATION_MINGW_CPU}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${STATION_MINGW_CPU}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${STATION_MINGW_CPU}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${STATION_MINGW_CPU}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Every test executable runs under Wine through the runner.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
