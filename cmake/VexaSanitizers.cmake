# Host sanitizer builds. Applied to everything in the configuration so that
# the libraries and the tests are instrumented alike.
if(VEXA_SANITIZE)
    # These builds only run tests: -O1 and line tables (-g1) keep the reports'
    # stack traces whole at a fraction of the compile time of -O2 -g.
    foreach(lang C CXX)
        set(CMAKE_${lang}_FLAGS_RELWITHDEBINFO "-O1 -g1 -DNDEBUG")
    endforeach()
endif()
if(VEXA_SANITIZE STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
elseif(VEXA_SANITIZE STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
elseif(NOT VEXA_SANITIZE STREQUAL "")
    message(FATAL_ERROR "VEXA_SANITIZE must be empty, address or thread")
endif()

# The fuzz configuration: the libraries are instrumented for coverage and
# the sanitizers like the fuzz targets that link them, so that the fuzzer
# sees into the message, device and transfer layers.
if(VEXA_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined
        -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
