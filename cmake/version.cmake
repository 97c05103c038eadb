enable_language(RC)

# The one place of the station's version: every DLL and kest-host.exe carry
# it in their version resource (product name, file version, description).
set(STATION_PRODUCT_NAME "Vardel drill inspection station")
set(STATION_VERSION_MAJOR 1)
set(STATION_VERSION_MINOR 4)
set(STATION_VERSION_PATCH 0)
set(STATION_VERSION_BUILD 0)
set(STATION_VERSION
    "${STATION_VERSION_MAJOR}.${STATION_VERSION_MINOR}.${STATION_VERSION_PATCH}.${STATION_VERSION_BUILD}")

# station_version_resource(target description): a version resource for the
# target's module, from cmake/version.rc.in.
function(station_version_resource target description)
  get_target_property(type ${target} TYPE)
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  if(type STREQUAL "EXECUTABLE")
    set(STATION_FILE_TYPE "VFT_APP")
    set(STATION_FILE_NAME "${name}.exe")
  else()
    set(STATION_FILE_TYPE "VFT_DLL")
    set(STATION_FILE_NAME "${name}.dll")
  endif()
  set(STATION_FILE_DESCRIPTION "${description}")
  set(STATION_INTERNAL_NAME "${name}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
