# Warnings for the project's own targets, the tests' included; GoogleTest
# and the system are not held to them.
function(vexa_warnings target)
    get_target_property(done ${target} VEXA_WARNINGS)
    if(done)
        return()
    endif()
    set_target_properties(${target} PROPERTIES VEXA_WARNINGS ON)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
        -Wconversion -Wno-sign-conversion -Werror=return-type -Werror=format)
endfunction()

# vexa_warnings_in_tree(DIR): vexa_warnings for every target that compiles
# code and is defined in DIR or a folder under it. Call it at the end of the
# folder's CMakeLists.txt, after its add_subdirectory calls; folders outside
# DIR added from it (GoogleTest's sources) are left alone.
function(vexa_warnings_in_tree dir)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        if(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
            vexa_warnings(${target})
        endif()
    endforeach()
    get_property(subdirectories DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(subdirectory IN LISTS subdirectories)
        cmake_path(IS_PREFIX dir "${subdirectory}" NORMALIZE inside)
        if(inside)
            vexa_warnings_in_tree(${subdirectory})
        endif()
    endforeach()
endfunction()
