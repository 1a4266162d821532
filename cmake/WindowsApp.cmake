# dirscribe.exe for Windows: its resources (icon, version information), the compiler's runtime
# as DLLs, and the zip package (make the `package` target): the two programs, the Qt DLLs and
# plugins dirscribe.exe loads, the runtime DLLs, a README for Windows users and the licenses.
# Included by app/CMakeLists.txt when building for Windows.

# The identity record's texts, as engine/AppIdentity.h gives them (written by engine/ at
# configure time, before app/).
file(READ ${CMAKE_BINARY_DIR}/generated/engine/AppIdentity.h dirscribe_identity)
string(REGEX MATCH "kApp{[^\"]*\"([^\"]*)\",[^\"]*\"([^\"]*)\"" dirscribe_match
    "${dirscribe_identity}")
set(DIRSCRIBE_TITLE "${CMAKE_MATCH_1}")
set(DIRSCRIBE_DESCRIPTION "${CMAKE_MATCH_2}")
if(NOT DIRSCRIBE_TITLE OR NOT DIRSCRIBE_DESCRIPTION)
    message(FATAL_ERROR "engine/AppIdentity.h: the title and description were not found")
endif()
set(DIRSCRIBE_COMPANY "Quillmere Software")
set(DIRSCRIBE_COPYRIGHT "Copyright (c) Quillmere")
set(DIRSCRIBE_ICON "${CMAKE_CURRENT_LIST_DIR}/../app/dirscribe.ico")
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

# The zip: everything at its top, as windeployqt lays it out.
if(NOT DIRSCRIBE_MINGW_QT)
    return()
endif()
install(TARGETS dirscribe dirscribe-cli RUNTIME DESTINATION . COMPONENT windows)
foreach(module Core Gui Widgets)
    install(FILES ${DIRSCRIBE_MINGW_QT}/bin/Qt6${module}.dll DESTINATION . COMPONENT windows)
endforeach()
install(FILES ${DIRSCRIBE_MINGW_QT}/plugins/platforms/qwindows.dll DESTINATION platforms
    COMPONENT windows)
install(DIRECTORY ${DIRSCRIBE_MINGW_QT}/plugins/styles/ DESTINATION styles COMPONENT windows
    FILES_MATCHING PATTERN "*.dll")
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    find_file(dirscribe_dll_${dll} ${dll} PATHS ${DIRSCRIBE_MINGW_RUNTIME_DIRS} NO_DEFAULT_PATH
        NO_CMAKE_FIND_ROOT_PATH)
    if(NOT dirscribe_dll_${dll})
        message(FATAL_ERROR "${dll} of the mingw-w64 runtime was not found")
    endif()
    install(FILES ${dirscribe_dll_${dll}} DESTINATION . COMPONENT windows)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/windows/README.txt DESTINATION . COMPONENT windows)
# Qt is under the LGPL 3 (which builds on the GPL 3) and bundles libraries under their own
# licenses; the mingw-w64 runtime's notices come with its DLLs.
install(DIRECTORY ${DIRSCRIBE_MINGW_QT}/licenses/ DESTINATION licenses/Qt COMPONENT windows)
install(FILES /usr/share/doc/mingw-w64-x86-64-dev/copyright DESTINATION licenses/mingw-w64
    RENAME COPYRIGHT.txt COMPONENT windows)
install(FILES /usr/share/doc/gcc-mingw-w64-base/copyright DESTINATION licenses/gcc-runtime
    RENAME COPYRIGHT.txt COMPONENT windows)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME dirscribe)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME dirscribe-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# No debugging information in what users get (the programs, Qt and the runtime DLLs).
set(CPACK_STRIP_FILES ON)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_COMPONENTS_ALL windows)
include(CPack)
