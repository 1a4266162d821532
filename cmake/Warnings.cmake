# Warnings on for every target of the project; errors when DIRSCRIBE_WERROR is on (CI).
function(dirscribe_warnings target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align -Wunused
        -Woverloaded-virtual -Wnull-dereference -Wdouble-promotion -Wformat=2
        -Wimplicit-fallthrough -Wmisleading-indentation)
    if(DIRSCRIBE_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
