# The program as it ships carries no debug sections and no symbols, and
# stays small; prints its size.
#
#   cmake -DPROGRAM=dist/patch.exe -DOBJDUMP=... -DLIMIT_KIB=200 -P CheckLeanProgram.cmake
cmake_minimum_required(VERSION 3.25)

file(SIZE ${PROGRAM} bytes)
math(EXPR kib_tenths "(${bytes} * 10 + 512) / 1024")
math(EXPR kib "${kib_tenths} / 10")
math(EXPR tenth "${kib_tenths} % 10")
message(STATUS "${PROGRAM}: ${bytes} bytes (${kib}.${tenth} KiB)")

# objdump's own words ("no symbols") are translated under other locales.
execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C ${OBJDUMP} -h -t ${PROGRAM} OUTPUT_VARIABLE headers RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} could not read ${PROGRAM}")
endif()
string(REGEX MATCHALL "[ \t]\\.debug[_a-z]*" debug_sections "${headers}")
if(debug_sections)
    list(REMOVE_DUPLICATES debug_sections)
    message(FATAL_ERROR "${PROGRAM} carries debug sections:${debug_sections}")
endif()
if(NOT headers MATCHES "SYMBOL TABLE:[\r\n]+no symbols")
    message(FATAL_ERROR "${PROGRAM} carries a symbol table: it is not stripped")
endif()
math(EXPR limit_bytes "${LIMIT_KIB} * 1024")
if(bytes GREATER limit_bytes)
    message(FATAL_ERROR "${PROGRAM} is ${kib}.${tenth} KiB, more than ${LIMIT_KIB} KiB")
endif()
