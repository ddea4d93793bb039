# Builds the embedded default settings of a tree whose settings text holds a
# character that code page 932 can't hold exactly, and expects the build to
# stop with a message that names the file and the reason.
#
#   cmake -DSOURCE_DIR=... -DTREE=... -DTOOLCHAIN=... -DGENERATOR=... -P CheckSettingsRejected.cmake
cmake_minimum_required(VERSION 3.25)

set(text_file ${TREE}/rejected_settings.txt)
set(valid_lines "キャプション,Velk\nタイトル,Velk\n")

# Each case: a line to add to a valid text, and what the message must say.
# 한 has no code page 932 form at all; ¥ only an approximate one (a
# backslash, which would silently change a path).
set(case_names no_form approximate_form)
set(no_form_line "社名,한국어 게임")
set(no_form_message "rejected_settings\\.txt.*no code page 932 form")
set(approximate_form_line "ファイル,price¥100.dat")
set(approximate_form_message "rejected_settings\\.txt, line 3: a character has no exact code page 932 form")

set(configured FALSE)
foreach(case IN LISTS case_names)
    file(WRITE ${text_file} "${valid_lines}${${case}_line}\n")
    if(NOT configured)
        execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${TREE} -G ${GENERATOR}
                -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN} -DPATCH_DEFAULT_SETTINGS=${text_file}
                -DPATCH_DIST_DIR=${TREE}/dist
            OUTPUT_QUIET RESULT_VARIABLE result)
        if(NOT result EQUAL 0)
            message(FATAL_ERROR "configuring ${TREE} failed")
        endif()
        set(configured TRUE)
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} --build ${TREE} --target patch_resources
        OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE result)
    if(result EQUAL 0)
        message(FATAL_ERROR "${case}: the build accepted \"${${case}_line}\"")
    endif()
    # The message is wrapped to the terminal's width: match it on one line.
    string(REGEX REPLACE "[ \t\r\n]+" " " output "${output}")
    if(NOT output MATCHES "${${case}_message}")
        message(FATAL_ERROR "${case}: the build failed without saying why clearly:\n${output}")
    endif()
    message(STATUS "${case}: refused as expected")
endforeach()
