# Turns a UTF-8 settings text into the bytes the program reads: code page
# 932, every line ended by CR LF, no byte-order mark. Text that code page 932
# can't hold exactly stops the build: a character changed on the way (¥
# becoming a backslash, say) would silently change a key, a file name or a
# registry key.
#
#   cmake -DINPUT=text.txt -DOUTPUT=text.cp932 -DICONV=/usr/bin/iconv -P EncodeSettingsText.cmake
cmake_minimum_required(VERSION 3.25)

foreach(required INPUT OUTPUT ICONV)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "EncodeSettingsText.cmake needs -D${required}=...")
    endif()
endforeach()

if(NOT EXISTS "${INPUT}")
    message(FATAL_ERROR "Settings text ${INPUT} does not exist")
endif()

file(READ "${INPUT}" head LIMIT 3 HEX)
if(head STREQUAL "efbbbf")
    file(READ "${INPUT}" text OFFSET 3)
else()
    file(READ "${INPUT}" text)
endif()

# Whatever breaks the file was saved with, each line ends in CR LF, the last
# one included.
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\r" "\n" text "${text}")
if(NOT text STREQUAL "" AND NOT text MATCHES "\n$")
    string(APPEND text "\n")
endif()
string(REPLACE "\n" "\r\n" text "${text}")

set(utf8 "${OUTPUT}.utf8")
set(encoded "${OUTPUT}.tmp")
file(WRITE "${utf8}" "${text}")

execute_process(COMMAND "${ICONV}" -f UTF-8 -t CP932 "${utf8}"
    OUTPUT_FILE "${encoded}" ERROR_VARIABLE failure RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    string(STRIP "${failure}" failure)
    message(FATAL_ERROR "${INPUT}: not valid UTF-8, or holds a character with no code page 932 form "
        "(iconv: ${failure}; positions count the bytes of the text with CR LF breaks): "
        "save it as UTF-8 (a text already saved as Shift_JIS needs no conversion) and "
        "write only characters that Shift_JIS has (no Korean letters, no emoji)")
endif()

# Decode again: a character that code page 932 only approximates comes back
# as another one. The texts are compared as hex, since file(READ) drops the
# CR of a CR LF; the line search below reads both the same way.
set(roundTrip "${OUTPUT}.roundtrip")
execute_process(COMMAND "${ICONV}" -f CP932 -t UTF-8 "${encoded}"
    OUTPUT_FILE "${roundTrip}" RESULT_VARIABLE result)
file(READ "${utf8}" expectedHex HEX)
file(READ "${roundTrip}" decodedHex HEX)
if(NOT result EQUAL 0 OR NOT decodedHex STREQUAL expectedHex)
    file(READ "${utf8}" rest)
    file(READ "${roundTrip}" restDecoded)
    file(REMOVE "${roundTrip}")
    set(line 1)
    while(TRUE)
        string(FIND "${rest}" "\n" end)
        string(FIND "${restDecoded}" "\n" endDecoded)
        if(end LESS 0 OR endDecoded LESS 0)
            break()
        endif()
        string(SUBSTRING "${rest}" 0 ${end} original)
        string(SUBSTRING "${restDecoded}" 0 ${endDecoded} decodedLine)
        if(NOT original STREQUAL decodedLine)
            break()
        endif()
        math(EXPR line "${line} + 1")
        math(EXPR end "${end} + 1")
        math(EXPR endDecoded "${endDecoded} + 1")
        string(SUBSTRING "${rest}" ${end} -1 rest)
        string(SUBSTRING "${restDecoded}" ${endDecoded} -1 restDecoded)
    endwhile()
    message(FATAL_ERROR "${INPUT}, line ${line}: a character has no exact code page 932 form "
        "(such as ¥, which would become a backslash, or 〜 U+301C, which would become ～ U+FF5E)")
endif()
file(REMOVE "${roundTrip}")

file(REMOVE "${utf8}")
file(COPY_FILE "${encoded}" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${encoded}")
