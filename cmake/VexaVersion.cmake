# The program's one version number is the project's: project(Vexa VERSION ...)
# in the top CMakeLists.txt. Everything else is generated from it here:
#   vexa_version.h      for the code (About box, vexa-cli --version, tests),
#                       through the interface library vexa_version;
#   <exe>_version.rc    the VERSIONINFO resource of each Windows exe
#                       (vexa_version_resource);
#   Vexa.exe.manifest   the application manifest with the assembly version;
#   version.txt         the bare number, which tools/package.sh reads to name
#                       the packages.
set(VEXA_PUBLISHER "Bramwick")
set(VEXA_COPYRIGHT "Copyright (C) 2026 Bramwick")
set(VEXA_VERSION_QUAD
    "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
set(VEXA_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
set(VEXA_VERSION_TEMPLATES ${CMAKE_CURRENT_LIST_DIR})

if(NOT PROJECT_VERSION_PATCH MATCHES "^[0-9]+$")
    message(FATAL_ERROR "project(Vexa VERSION ...) needs three numbers, like 1.0.0")
endif()

configure_file(${VEXA_VERSION_TEMPLATES}/vexa_version.h.in
    ${VEXA_GENERATED_DIR}/vexa_version.h @ONLY)
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/version.txt CONTENT "${PROJECT_VERSION}\n")

add_library(vexa_version INTERFACE)
target_include_directories(vexa_version INTERFACE ${VEXA_GENERATED_DIR})

# vexa_version_resource(target "file description"): gives a Windows exe its
# VERSIONINFO resource (what Explorer's Properties > Details shows).
function(vexa_version_resource target description)
    set(VEXA_FILE_DESCRIPTION "${description}")
    set(VEXA_ORIGINAL_FILENAME "${target}${CMAKE_EXECUTABLE_SUFFIX}")
    set(rc ${VEXA_GENERATED_DIR}/${target}_version.rc)
    configure_file(${VEXA_VERSION_TEMPLATES}/version.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
endfunction()
