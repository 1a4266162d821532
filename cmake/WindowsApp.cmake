# SPDX-License-Identifier: MIT
# dirscribe.exe for Windows: its resources (icon, version information) and the compiler's runtime
# as DLLs. Included by app/CMakeLists.txt when building for Windows; packaging/windows makes the
# zip and the installer.

# The resources carry the identity CMakeLists.txt gives.
set(DIRSCRIBE_ICON "${PROJECT_SOURCE_DIR}/app/dirscribe.ico")
configure_file(${PROJECT_SOURCE_DIR}/app/dirscribe.rc.in ${CMAKE_CURRENT_BINARY_DIR}/dirscribe.rc
    @ONLY)
target_sources(dirscribe PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/dirscribe.rc)

# Drops the toolchain's -static from a program that uses Qt's DLLs: those need the compiler's
# runtime DLLs anyway, and one copy of the C++ runtime in the process is one heap and one set of
# exception tables. dirscribe-cli.exe stays static and needs no DLL.
function(dirscribe_shared_runtime target)
    get_target_property(options ${target} LINK_OPTIONS)
    if(options)
        list(REMOVE_ITEM options -static)
        set_target_properties(${target} PROPERTIES LINK_OPTIONS "${options}")
    endif()
endfunction()
dirscribe_shared_runtime(dirscribe)
dirscribe_shared_runtime(dirscribe-screenshot-tour)
dirscribe_shared_runtime(dirscribe-window-bench)
