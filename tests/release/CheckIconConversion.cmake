# Builds the program's icon from pictures a publisher might give: each good
# one must become one 128 x 128 image in 24-bit colour that shows the
# picture; each bad one must stop the build with a message that names the
# file and what is wrong.
#
#   cmake -DSOURCE_DIR=... -DTREE=... -DTOOLCHAIN=... -DGENERATOR=... -DPYTHON=... -DWINDRES=...
#         -P CheckIconConversion.cmake
cmake_minimum_required(VERSION 3.25)

set(fixtures ${SOURCE_DIR}/tests/release/icon_fixtures.py)
set(pictures ${TREE}/pictures)
file(MAKE_DIRECTORY ${pictures})

# Each case: the kind of picture (icon_fixtures.py draws it), its file name,
# and for a bad one what the message must say; fields separated by |.
set(good_cases
    "ico_24_bit|icon24.ico"
    "ico_32_bit|icon32.ico"
    "ico_png_256|vista.ico"
    "png_large|large.png"
    "png_palette|palette.png"
    "png_grey_16_bit|grey16.png")
set(bad_cases
    "png_not_square|wide.png|wide\\.png: the picture is 160 x 128, not square"
    "ico_too_small|small.ico|small\\.ico: the picture is 64 x 64, smaller than 128 x 128"
    "text|notes.png|notes\\.png: not a picture")

# Builds the icon of the tree from the picture; sets `built` and `output`.
function(build_icon picture)
    execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${TREE} -G ${GENERATOR}
            -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN} -DPATCH_BUILD_TESTS=OFF -DPATCH_DIST_DIR=${TREE}/dist
            -DPATCH_ICON=${picture}
        OUTPUT_QUIET RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "configuring ${TREE} with the icon ${picture} failed")
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} --build ${TREE} --target patch_resources
        OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE result)
    # The message is wrapped to the terminal's width: match it on one line.
    string(REGEX REPLACE "[ \t\r\n]+" " " output "${output}")
    set(output "${output}" PARENT_SCOPE)
    if(result EQUAL 0)
        set(built TRUE PARENT_SCOPE)
    else()
        set(built FALSE PARENT_SCOPE)
    endif()
endfunction()

function(make_picture kind file)
    execute_process(COMMAND ${PYTHON} ${fixtures} make ${kind} ${pictures}/${file} RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "could not draw the picture ${kind}")
    endif()
endfunction()

foreach(case IN LISTS good_cases)
    string(REPLACE "|" ";" case "${case}")
    list(GET case 0 kind)
    list(GET case 1 file)
    make_picture(${kind} ${file})
    build_icon(${pictures}/${file})
    if(NOT built)
        message(FATAL_ERROR "${kind}: the build refused ${file}:\n${output}")
    endif()
    # The icon as the program links it: the resource compiler's object,
    # turned back into a resource file.
    set(carried ${TREE}/carried_icon.res)
    execute_process(COMMAND ${WINDRES} -J coff -O res
            -i ${TREE}/resources/CMakeFiles/patch_resources.dir/icon.rc.res -o ${carried}
        RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${kind}: ${WINDRES} could not read the icon's resource object")
    endif()
    execute_process(COMMAND ${PYTHON} ${fixtures} check ${kind} ${carried} RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${kind}: the icon the program would carry is wrong")
    endif()
endforeach()

foreach(case IN LISTS bad_cases)
    string(REPLACE "|" ";" case "${case}")
    list(GET case 0 kind)
    list(GET case 1 file)
    list(GET case 2 expected)
    make_picture(${kind} ${file})
    build_icon(${pictures}/${file})
    if(built)
        message(FATAL_ERROR "${kind}: the build accepted ${file}")
    endif()
    if(NOT output MATCHES "${expected}")
        message(FATAL_ERROR "${kind}: the build failed without saying why clearly:\n${output}")
    endif()
    message(STATUS "${kind}: refused as expected")
endforeach()
