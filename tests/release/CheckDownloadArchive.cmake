# The publisher's download is one archive holding exactly dist/, byte for
# byte, and packing it again gives the same archive.
#   cmake -DDIST=dist -DARCHIVE=patch-tools-X.zip -DWORK=folder -DWRITER=WriteDist.cmake ... -P CheckDownloadArchive.cmake
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/unpacked")
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf "${ARCHIVE}" WORKING_DIRECTORY "${WORK}/unpacked"
    RESULT_VARIABLE unpacked)
if(NOT unpacked EQUAL 0)
    message(FATAL_ERROR "${ARCHIVE} does not unpack")
endif()
file(GLOB_RECURSE in_dist RELATIVE "${DIST}" "${DIST}/*")
file(GLOB_RECURSE in_archive RELATIVE "${WORK}/unpacked" "${WORK}/unpacked/*")
list(SORT in_dist)
list(SORT in_archive)
if(NOT in_dist STREQUAL in_archive)
    message(FATAL_ERROR "the archive holds [${in_archive}], dist/ holds [${in_dist}]")
endif()
foreach(member IN LISTS in_dist)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${DIST}/${member}" "${WORK}/unpacked/${member}"
        RESULT_VARIABLE differs)
    if(differs)
        message(FATAL_ERROR "${member} in the archive differs from dist/${member}")
    endif()
endforeach()

# Packed again from the same files, in another folder: the same bytes.
execute_process(COMMAND ${CMAKE_COMMAND} -DDIST=${WORK}/dist -DARCHIVE=${WORK}/again.zip -DSTUB=${STUB}
        -DCHECKER=${CHECKER} -DMAKER=${MAKER} -DSAMPLE=${SAMPLE} -DGUIDE=${GUIDE} -DPYTHON=${PYTHON} -P ${WRITER}
    RESULT_VARIABLE written)
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${ARCHIVE}" "${WORK}/again.zip" RESULT_VARIABLE differs)
if(NOT written EQUAL 0 OR differs)
    message(FATAL_ERROR "packing the same files again gave another archive")
endif()
message(STATUS "${ARCHIVE}: ${in_archive}")
