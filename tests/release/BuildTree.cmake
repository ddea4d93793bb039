# Configures and builds another tree of this source for the release tests,
# and optionally compares a file of it with one of the calling build.
#
#   cmake -DSOURCE_DIR=... -DTREE=... -DOPTIONS=initial-cache.cmake
#         -DTOOLCHAIN=... -DGENERATOR=... -DTARGETS=target[;target]
#         [-DCOMPARE=file -DCOMPARE_WITH=file] -P BuildTree.cmake
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${CMAKE_COMMAND} -C ${OPTIONS} -S ${SOURCE_DIR} -B ${TREE} -G ${GENERATOR}
        -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}
    OUTPUT_QUIET RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "configuring ${TREE} failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${TREE} --target ${TARGETS} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "building ${TARGETS} in ${TREE} failed")
endif()

if(DEFINED COMPARE)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${COMPARE} ${COMPARE_WITH} RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        find_program(CMP cmp)
        if(CMP)
            execute_process(COMMAND ${CMP} ${COMPARE} ${COMPARE_WITH} OUTPUT_VARIABLE where ERROR_VARIABLE where)
        endif()
        message(FATAL_ERROR "${COMPARE} and ${COMPARE_WITH} differ: two builds of the same sources "
            "must give the same file. ${where}")
    endif()
    message(STATUS "${COMPARE} and ${COMPARE_WITH} are identical")
endif()
