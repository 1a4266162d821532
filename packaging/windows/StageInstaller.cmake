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
