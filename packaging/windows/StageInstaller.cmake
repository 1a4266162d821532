# SPDX-License-Identifier: MIT
# Stages the component "windows" (what the zip holds), stripped, into a clean folder and lists
# its files for the installer with wixl-heat.
#   cmake -DBUILD=<build folder> -DSTAGE=<folder> -DHEAT=<wixl-heat> -DPAYLOAD=<payload.wxs>
#         -P StageInstaller.cmake
file(REMOVE_RECURSE "${STAGE}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD}" --component windows
                        --prefix "${STAGE}" --strip
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
file(GLOB_RECURSE files RELATIVE "${STAGE}" "${STAGE}/*")
list(SORT files)
# wixl takes the files' paths relative to the folder it runs in, the stage's parent.
get_filename_component(stage_name "${STAGE}" NAME)
list(TRANSFORM files PREPEND "${stage_name}/")
list(JOIN files "\n" list)
file(WRITE "${PAYLOAD}.files" "${list}\n")
execute_process(COMMAND "${HEAT}" --directory-ref INSTALLDIR --component-group Payload
                        --var var.SourceDir --prefix "${stage_name}/" --win64
    INPUT_FILE "${PAYLOAD}.files"
    OUTPUT_FILE "${PAYLOAD}" COMMAND_ERROR_IS_FATAL ANY)


# A folder that holds only folders (licenses) belongs to no component, and the installer would
# leave it, and so the program's folder, behind on removal: each folder of the list gets a
# component that removes it (a registry value marks it as installed; its code is made from the
# folder's place, so it stays the same from build to build).
file(READ "${PAYLOAD}" payload)
string(REGEX MATCHALL "<Directory Id=\"dir[0-9A-F]+\" Name=\"[^\"]*\">" folders "${payload}")
set(refs "")
foreach(folder IN LISTS folders)
    string(REGEX REPLACE ".*Id=\"(dir[0-9A-F]+)\".*" "\\1" id "${folder}")
    string(UUID guid NAMESPACE ${GUID} NAME "${id}" TYPE SHA1 UPPER)
    string(REPLACE "${folder}" "${folder}
        <Component Win64=\"$(var.Win64)\" Id=\"cmpRemove${id}\" Guid=\"${guid}\">
          <RegistryValue Root=\"HKLM\" Key=\"Software\\${VENDOR}\\${NAME}\" Name=\"${id}\"
                         Type=\"integer\" Value=\"1\" KeyPath=\"yes\"/>
          <RemoveFolder Id=\"Remove${id}\" On=\"uninstall\"/>
        </Component>" payload "${payload}")
    string(APPEND refs "      <ComponentRef Id=\"cmpRemove${id}\"/>\n")
endforeach()
string(REPLACE "<ComponentGroup Id=\"Payload\">\n" "<ComponentGroup Id=\"Payload\">\n${refs}"
    payload "${payload}")
file(WRITE "${PAYLOAD}" "${payload}")
