# Cross build of the same station for 64-bit x86 Windows.  The station ships
# as 32-bit (tools/mingw32.cmake); this build lets the Windows tests run under
# Wine's 64-bit loader on machines whose kernel does not execute 32-bit x86
# programs.
set(STATION_MINGW_CPU x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
