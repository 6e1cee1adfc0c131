# The one version of Tamsel: project(VERSION) in the top CMakeLists.txt.
# It reaches the version resources of the three binaries, the about box, the
# console tool's JSON, the package names and the installer's uninstall entry.
set(TAMSEL_COMPANY "Quorv Software")
set(TAMSEL_COPYRIGHT "Copyright (C) Quorv Software. All rights reserved.")
set(TAMSEL_VERSION_COMMA "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},${PROJECT_VERSION_TWEAK}")
if(PROJECT_VERSION_TWEAK STREQUAL "")
    set(TAMSEL_VERSION_COMMA "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
endif()
set(TAMSEL_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/TamselVersion.h.in ${TAMSEL_GENERATED_DIR}/TamselVersion.h @ONLY)
# For tools/package.sh, which reads the version of a build folder.
file(WRITE ${CMAKE_BINARY_DIR}/bin-version.txt "${PROJECT_VERSION}\n")

# Adds a VERSIONINFO resource to target.
function(tamsel_version_resource target description file_name file_type)
    set(TAMSEL_FILE_DESCRIPTION "${description}")
    set(TAMSEL_FILE_NAME "${file_name}")
    set(TAMSEL_FILE_TYPE "${file_type}")
    set(rc ${TAMSEL_GENERATED_DIR}/${target}-version.rc)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/VersionInfo.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
endfunction()
