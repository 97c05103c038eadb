# Cross build for the station's real target: 32-bit x86 Windows.
set(STATION_MINGW_CPU i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
