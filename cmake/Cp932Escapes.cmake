# Copies a UTF-8 source with every non-ASCII character written as the octal
# escapes of its code page 932 bytes, for a compiler that has no
# -fexec-charset=CP932 (clang accepts only UTF-8 there). Inside a literal the
# escapes give the very bytes GCC would have given ("キャ" becomes
# "\203\114\203\203"); in a comment they are harmless text. Octal escapes are
# used because they end after three digits: a hex escape would swallow a
# following letter or digit. The conversion is glibc's iconv, the one GCC uses
# for -fexec-charset.
#
#   cmake -DINPUT=x.cpp -DOUTPUT=x.cpp -DICONV=/usr/bin/iconv -P Cp932Escapes.cmake
cmake_minimum_required(VERSION 3.25)

foreach(required INPUT OUTPUT ICONV)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "Cp932Escapes.cmake needs -D${required}=...")
    endif()
endforeach()

set(encoded "${OUTPUT}.cp932")
execute_process(COMMAND "${ICONV}" -f UTF-8 -t CP932 "${INPUT}"
    OUTPUT_FILE "${encoded}" ERROR_VARIABLE failure RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    string(STRIP "${failure}" failure)
    message(FATAL_ERROR "${INPUT}: not valid UTF-8, or holds a character with no code page 932 form (iconv: ${failure})")
endif()
file(READ "${encoded}" hex HEX)
file(REMOVE "${encoded}")

function(append_octal_escape variable value)
    math(EXPR high "${value} / 64")
    math(EXPR middle "(${value} / 8) % 8")
    math(EXPR low "${value} % 8")
    set(${variable} "${${variable}}\\${high}${middle}${low}" PARENT_SCOPE)
endfunction()

# ASCII is copied as it is; every other byte becomes an escape, and a lead
# byte takes the byte after it along, so that a trail byte 0x5C (ソ is 83 5C)
# never reaches the compiler as a backslash.
set(text "")
string(LENGTH "${hex}" hexLength)
set(at 0)
set(trailFollows FALSE)
while(at LESS hexLength)
    string(SUBSTRING "${hex}" ${at} 2 byteHex)
    math(EXPR byte "0x${byteHex}")
    if(trailFollows OR byte GREATER_EQUAL 128)
        append_octal_escape(text ${byte})
        if(NOT trailFollows AND ((byte GREATER_EQUAL 129 AND byte LESS_EQUAL 159) OR
                                 (byte GREATER_EQUAL 224 AND byte LESS_EQUAL 252)))
            set(trailFollows TRUE)
        else()
            set(trailFollows FALSE)
        endif()
    else()
        string(ASCII ${byte} character)
        string(APPEND text "${character}")
    endif()
    math(EXPR at "${at} + 2")
endwhile()

file(WRITE "${OUTPUT}.tmp" "${text}")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
