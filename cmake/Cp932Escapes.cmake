# Copies a UTF-8 source with every non-ASCII character of its narrow text
# written as the octal escapes of its code page 932 bytes, for a compiler that
# has no -fexec-charset=CP932 (clang accepts only UTF-8 there). Inside a
# narrow literal the escapes give the very bytes GCC would have given ("キャ"
# becomes "\203\114\203\203"); in a comment they are harmless text. Octal
# escapes are used because they end after three digits: a hex escape would
# swallow a following letter or digit. The conversion is glibc's iconv, the
# one GCC uses for -fexec-charset.
#
# Wide literals (L"...", and u"...", U"...", u8"..." and their character
# forms) are no code page 932 text: their characters are written as
# universal character names instead (L"容量" becomes L"\u5BB9\u91CF"), which
# give the same units as the UTF-8 text would, while byte escapes would give
# one unit per code page 932 byte.
#
#   cmake -DINPUT=x.cpp -DOUTPUT=x.cpp -DICONV=/usr/bin/iconv -P Cp932Escapes.cmake
cmake_minimum_required(VERSION 3.25)

foreach(required INPUT OUTPUT ICONV)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "Cp932Escapes.cmake needs -D${required}=...")
    endif()
endforeach()

# The hex digits of a byte of the hex text at `at`, as a number.
macro(byte_at variable text at)
    string(SUBSTRING "${${text}}" ${at} 2 byteHex)
    if(byteHex STREQUAL "")
        set(${variable} -1)
    else()
        math(EXPR ${variable} "0x${byteHex}")
    endif()
endmacro()

# "\uXXXX" (or "\UXXXXXXXX" past the first plane) for a code point.
function(append_universal_name variable code)
    math(EXPR digits "${code}" OUTPUT_FORMAT HEXADECIMAL)
    string(SUBSTRING "${digits}" 2 -1 digits)
    string(TOUPPER "${digits}" digits)
    if(code GREATER 65535)
        set(width 8)
        set(prefix "\\U")
    else()
        set(width 4)
        set(prefix "\\u")
    endif()
    string(LENGTH "${digits}" length)
    while(length LESS width)
        string(PREPEND digits "0")
        math(EXPR length "${length} + 1")
    endwhile()
    set(${variable} "${${variable}}${prefix}${digits}" PARENT_SCOPE)
endfunction()

# First pass, on the UTF-8 text: a small lexer that knows comments, literals
# and their prefixes, and writes the non-ASCII characters of wide literals
# as universal character names. Everything else is copied byte for byte.
file(READ "${INPUT}" source HEX)
string(LENGTH "${source}" sourceLength)
set(plain "")
set(state code)      # code, lineComment, blockComment, narrow or wide (inside a literal)
set(word "")         # the identifier or number just before, in code
set(quote 0)         # the quotation mark that ends the literal
set(escaped FALSE)   # the byte before was the backslash of an escape
set(at 0)
while(at LESS sourceLength)
    byte_at(byte source ${at})
    math(EXPR at "${at} + 2")
    if(state STREQUAL "wide" AND byte GREATER_EQUAL 128)
        # One UTF-8 sequence: the lead byte says how many bytes follow.
        if(byte GREATER_EQUAL 240)
            set(following 3)
            math(EXPR code "${byte} & 7")
        elseif(byte GREATER_EQUAL 224)
            set(following 2)
            math(EXPR code "${byte} & 15")
        else()
            set(following 1)
            math(EXPR code "${byte} & 31")
        endif()
        foreach(k RANGE 1 ${following})
            byte_at(next source ${at})
            math(EXPR at "${at} + 2")
            math(EXPR code "(${code} << 6) | (${next} & 63)")
        endforeach()
        append_universal_name(plain ${code})
        set(escaped FALSE)
        continue()
    endif()
    string(ASCII ${byte} character)
    string(APPEND plain "${character}")
    if(state STREQUAL "code")
        if(character MATCHES "[A-Za-z0-9_]")
            string(APPEND word "${character}")
            continue()
        endif()
        if(byte EQUAL 34 OR (byte EQUAL 39 AND NOT word MATCHES "^[0-9]"))  # " or ' (not a digit separator)
            if(word MATCHES "R$")
                message(FATAL_ERROR "${INPUT}: a raw literal (${word}\"...), which this copy cannot read")
            endif()
            if(word MATCHES "^(L|u|U|u8)$")
                set(state wide)
            else()
                set(state narrow)
            endif()
            set(quote ${byte})
            set(escaped FALSE)
        elseif(byte EQUAL 47)  # /, and a comment when * or / follows
            byte_at(next source ${at})
            if(next EQUAL 47 OR next EQUAL 42)
                if(next EQUAL 47)
                    set(state lineComment)
                else()
                    set(state blockComment)
                endif()
                string(ASCII ${next} character)
                string(APPEND plain "${character}")
                math(EXPR at "${at} + 2")
            endif()
        endif()
        set(word "")
    elseif(state STREQUAL "narrow" OR state STREQUAL "wide")
        if(escaped)
            set(escaped FALSE)
        elseif(byte EQUAL 92)  # backslash
            set(escaped TRUE)
        elseif(byte EQUAL quote)
            set(state code)
        endif()
    elseif(state STREQUAL "lineComment")
        if(byte EQUAL 10)
            set(state code)
        endif()
    elseif(byte EQUAL 42)  # * in a block comment
        byte_at(next source ${at})
        if(next EQUAL 47)
            string(APPEND plain "/")
            math(EXPR at "${at} + 2")
            set(state code)
        endif()
    endif()
endwhile()
set(plainFile "${OUTPUT}.utf8")
file(WRITE "${plainFile}" "${plain}")

# Second pass: the whole text in code page 932, every byte past ASCII an
# escape.
set(encoded "${OUTPUT}.cp932")
execute_process(COMMAND "${ICONV}" -f UTF-8 -t CP932 "${plainFile}"
    OUTPUT_FILE "${encoded}" ERROR_VARIABLE failure RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    string(STRIP "${failure}" failure)
    message(FATAL_ERROR "${INPUT}: not valid UTF-8, or holds a character with no code page 932 form (iconv: ${failure})")
endif()
file(READ "${encoded}" hex HEX)
file(REMOVE "${encoded}" "${plainFile}")

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
