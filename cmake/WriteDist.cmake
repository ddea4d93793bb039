# Writes the publisher's download afresh and packs it:
#   cmake -DDIST=folder -DARCHIVE=file.zip -DSTUB=patch.exe -DCHECKER=patch-check.exe -DMAKER=patch-make.exe
#         -DSAMPLE=resources/sample -DGUIDE=docs/publishing.ja.md -DPYTHON=python3 -P WriteDist.cmake
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${DIST}")
file(MAKE_DIRECTORY "${DIST}")
file(COPY_FILE "${STUB}" "${DIST}/patch.exe")
file(COPY_FILE "${CHECKER}" "${DIST}/patch-check.exe")
file(COPY_FILE "${MAKER}" "${DIST}/patch-make.exe")
file(COPY "${SAMPLE}/" DESTINATION "${DIST}/sample")
# The guide as a text Notepad opens as UTF-8 on every Windows: with a
# byte-order mark and CR LF line ends.
file(READ "${GUIDE}" guide)
string(REPLACE "\r\n" "\n" guide "${guide}")
string(REPLACE "\n" "\r\n" guide "${guide}")
string(ASCII 239 187 191 byte_order_mark)
file(WRITE "${DIST}/README-ja.txt" "${byte_order_mark}${guide}")

# Same files, same archive (cmake/pack_zip.py says how).
file(REMOVE "${ARCHIVE}")
execute_process(COMMAND ${PYTHON} ${CMAKE_CURRENT_LIST_DIR}/pack_zip.py "${DIST}" "${ARCHIVE}" RESULT_VARIABLE packed)
if(NOT packed EQUAL 0)
    message(FATAL_ERROR "could not pack ${DIST} into ${ARCHIVE}")
endif()
