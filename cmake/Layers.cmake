# SPDX-License-Identifier: MIT
# The layers see each other only as their links allow: a library's headers are found through an
# include folder of its own in the build tree that holds its source folder alone, so a library
# that includes a header of a layer it does not link (platform including engine) fails to build.
#   dirscribe_layer(TARGET FOLDER [PUBLIC|PRIVATE])
function(dirscribe_layer target folder)
    set(scope PUBLIC)
    if(ARGC GREATER 2)
        set(scope ${ARGV2})
    endif()
    set(root ${CMAKE_BINARY_DIR}/layers/${folder})
    if(NOT IS_SYMLINK ${root}/${folder})
        file(MAKE_DIRECTORY ${root})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} RESULT linked SYMBOLIC)
        if(NOT linked EQUAL 0)
            # A host that cannot make symbolic links builds without the guard.
            message(STATUS "No symbolic link for ${folder} (${linked}): layers are not checked")
            set(root ${PROJECT_SOURCE_DIR})
        endif()
    endif()
    target_include_directories(${target} ${scope} ${root})
endfunction()
