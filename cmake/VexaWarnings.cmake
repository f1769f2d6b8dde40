# Warnings for the project's own targets; GoogleTest and the system are not
# held to them.
function(vexa_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
        -Wconversion -Wno-sign-conversion -Werror=return-type -Werror=format)
endfunction()
