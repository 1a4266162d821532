# SPDX-License-Identifier: MIT
# Warnings on for every target of the project; errors when DIRSCRIBE_WERROR is on (CI).
function(dirscribe_warnings target)
    if(MSVC)
        # The sources and the program's texts are UTF-8.
        target_compile_options(${target} PRIVATE /W4 /permissive- /utf-8)
        if(DIRSCRIBE_WERROR)
            target_compile_options(${target} PRIVATE /WX)
        endif()
        return()
    endif()
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align -Wunused
        -Woverloaded-virtual -Wnull-dereference -Wdouble-promotion -Wformat=2
        -Wimplicit-fallthrough -Wmisleading-indentation)
    # GCC 12 warns about std::string copies that cannot overlap when it inlines them at -O3
    # (a known false alarm of that compiler); the check is left to the sanitizer build.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
    if(DIRSCRIBE_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
