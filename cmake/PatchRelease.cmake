# What a publisher sets at build time, the resources that say what the file
# is, and the release folder. Included by the Windows build once the `patch`
# target exists.

set(PATCH_PROGRAM_NAME "patch" CACHE STRING
    "File name of the program, without .exe; its settings file is named after it up to its first full stop")
set(PATCH_VERSION "1.0.0.0" CACHE STRING
    "File version: one to four numbers from 0 to 65535, separated by full stops")
set(PATCH_PRODUCT_VERSION "" CACHE STRING "Product version, in the form of PATCH_VERSION (empty: PATCH_VERSION)")
set(PATCH_FILE_DESCRIPTION "Harborlight修正ファイル更新プログラム" CACHE STRING
    "File description shown in the file's properties")
set(PATCH_PRODUCT_NAME "Harborlight" CACHE STRING "Product name shown in the file's properties")
set(PATCH_COMPANY_NAME "ハーバーライト" CACHE STRING "Company name shown in the file's properties")
set(PATCH_COPYRIGHT "Copyright (C) ハーバーライト" CACHE STRING "Copyright notice shown in the file's properties")
set(PATCH_DIST_DIR "${CMAKE_SOURCE_DIR}/dist" CACHE PATH
    "Release folder: the program and a sample settings file")
set(PATCH_SIGN_PKCS12 "" CACHE FILEPATH
    "Code signing certificate with its private key (.pfx or .p12); empty: the program is not signed")
set(PATCH_SIGN_PASSWORD_FILE "" CACHE FILEPATH
    "File whose first line is the password of PATCH_SIGN_PKCS12 (an empty file for none)")
set(PATCH_SIGN_TIMESTAMP_URL "" CACHE STRING
    "RFC 3161 time-stamping service that countersigns the signature (empty: none)")

# The program as it ships is small: its own code is built for size, each
# function and datum in a section of its own so that the linker drops what
# nothing calls (most of the static C++ runtime), and the file carries no
# symbols and no debug sections, whatever the build type. The test
# executables link the same libraries but keep their symbols.
foreach(patch_shipped_part IN ITEMS patch patch_core patch_portable)
    target_compile_options(${patch_shipped_part} PRIVATE -Os -ffunction-sections -fdata-sections)
endforeach()
target_link_options(patch PRIVATE -s -Wl,--gc-sections)
# The runtime's message printing and its second string type, which the
# program never uses (the source says why they would be linked otherwise).
target_sources(patch PRIVATE ${CMAKE_SOURCE_DIR}/shell/small_runtime.cpp)

# A regular expression class of the control characters U+0001 to U+001F.
string(ASCII 1 patch_first_control)
string(ASCII 31 patch_last_control)
set(patch_control_characters "[${patch_first_control}-${patch_last_control}]")

# "1.2" -> "1,2,0,0" for the numeric fields of the version resource.
function(patch_version_numbers option text out_var)
    if(NOT text MATCHES "^[0-9]+(\\.[0-9]+)?(\\.[0-9]+)?(\\.[0-9]+)?$")
        message(FATAL_ERROR "${option} is \"${text}\": write one to four numbers separated by full stops, such as 1.2.0.0")
    endif()
    string(REPLACE "." ";" parts "${text}")
    list(LENGTH parts count)
    while(count LESS 4)
        list(APPEND parts 0)
        math(EXPR count "${count} + 1")
    endwhile()
    foreach(part IN LISTS parts)
        # Leading zeros would make the resource compiler read octal.
        math(EXPR value "${part}")
        if(value GREATER 65535)
            message(FATAL_ERROR "${option} is \"${text}\": each number must be 65535 or less")
        endif()
        list(APPEND numbers ${value})
    endforeach()
    string(REPLACE ";" "," numbers "${numbers}")
    set(${out_var} "${numbers}" PARENT_SCOPE)
endfunction()

# A text as the inside of a resource-script string: backslashes doubled,
# quotation marks doubled. Line breaks and other control characters have no
# place in a file property.
function(patch_rc_string option text out_var)
    if(text MATCHES "${patch_control_characters}")
        message(FATAL_ERROR "${option} holds a line break or another control character")
    endif()
    string(REPLACE "\\" "\\\\" text "${text}")
    string(REPLACE "\"" "\"\"" text "${text}")
    set(${out_var} "${text}" PARENT_SCOPE)
endfunction()

# The program's file name: a plain Windows file name. The settings file beside
# the program is named after it up to its first full stop, so a name that
# begins with one is refused (its settings file would be named after the
# whole file name, extension included).
string(REGEX REPLACE "\\.[eE][xX][eE]$" "" patch_program_name "${PATCH_PROGRAM_NAME}")
if(patch_program_name STREQUAL "" OR patch_program_name MATCHES "[\\\\/:*?\"<>|]"
        OR patch_program_name MATCHES "${patch_control_characters}"
        OR patch_program_name MATCHES "^[. ]" OR patch_program_name MATCHES "[. ]$")
    message(FATAL_ERROR "PATCH_PROGRAM_NAME is \"${PATCH_PROGRAM_NAME}\": give a file name without a folder, "
        "without \\ / : * ? \" < > |, not beginning with a full stop and not ending in a full stop or a space")
endif()
string(REGEX REPLACE "\\..*$" "" patch_settings_base_name "${patch_program_name}")
set_target_properties(patch PROPERTIES OUTPUT_NAME "${patch_program_name}")

# The version resource's fields.
patch_version_numbers(PATCH_VERSION "${PATCH_VERSION}" patch_file_version_numbers)
set(patch_product_version "${PATCH_PRODUCT_VERSION}")
set(patch_product_version_option PATCH_PRODUCT_VERSION)
if(patch_product_version STREQUAL "")
    set(patch_product_version "${PATCH_VERSION}")
    set(patch_product_version_option PATCH_VERSION)
endif()
patch_version_numbers(${patch_product_version_option} "${patch_product_version}" patch_product_version_numbers)
patch_rc_string(PATCH_VERSION "${PATCH_VERSION}" patch_file_version_text)
patch_rc_string(PATCH_PRODUCT_VERSION "${patch_product_version}" patch_product_version_text)
patch_rc_string(PATCH_COMPANY_NAME "${PATCH_COMPANY_NAME}" patch_company_name_text)
patch_rc_string(PATCH_FILE_DESCRIPTION "${PATCH_FILE_DESCRIPTION}" patch_file_description_text)
patch_rc_string(PATCH_COPYRIGHT "${PATCH_COPYRIGHT}" patch_copyright_text)
patch_rc_string(PATCH_PRODUCT_NAME "${PATCH_PRODUCT_NAME}" patch_product_name_text)
patch_rc_string(PATCH_PROGRAM_NAME "${patch_program_name}" patch_internal_name_text)
patch_rc_string(PATCH_PROGRAM_NAME "${patch_program_name}.exe" patch_original_filename_text)
set(patch_generated_dir ${CMAKE_BINARY_DIR}/generated/release)
configure_file(${CMAKE_SOURCE_DIR}/resources/version_fields.h.in ${patch_generated_dir}/version_fields.h @ONLY)

# The manifest and the version resource, for the program alone (the test
# executables keep the system's defaults).
add_library(patch_release_resources OBJECT
    ${CMAKE_SOURCE_DIR}/resources/manifest.rc
    ${CMAKE_SOURCE_DIR}/resources/version.rc)
target_include_directories(patch_release_resources PRIVATE ${CMAKE_SOURCE_DIR}/resources ${patch_generated_dir})
# The resource compiler reports no dependencies: name them.
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/manifest.rc PROPERTIES
    OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/resources/patch.manifest)
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/version.rc PROPERTIES
    OBJECT_DEPENDS ${patch_generated_dir}/version_fields.h)
target_link_libraries(patch PRIVATE patch_release_resources)

# The release folder: the program, and a sample settings file named as the
# program looks for it, in code page 932 with CR LF line ends. A settings
# file beside the program replaces the embedded settings whole, so when the
# publisher embeds their own text, the sample is that text: a folder shipped
# as it stands then still finds their game.
set(patch_dist_program ${PATCH_DIST_DIR}/${patch_program_name}.exe)
set(patch_dist_settings ${PATCH_DIST_DIR}/${patch_settings_base_name}.inf)

# Signing: the program in the release folder gets a SHA-256 Authenticode
# signature, so that Windows' consent dialog names the publisher and
# download filters know the file. build/ keeps the unsigned program, which
# two builds reproduce byte for byte (a signature holds its signing time).
# The password travels in a file: on a command line, any user of the
# machine could read it.
function(patch_require_file option)
    if(NOT EXISTS "${${option}}" OR IS_DIRECTORY "${${option}}")
        message(FATAL_ERROR "${option} is \"${${option}}\": no such file")
    endif()
endfunction()
if(NOT PATCH_SIGN_PKCS12 STREQUAL "")
    patch_require_file(PATCH_SIGN_PKCS12)
    if(PATCH_SIGN_PASSWORD_FILE STREQUAL "")
        message(FATAL_ERROR "PATCH_SIGN_PKCS12 is set but PATCH_SIGN_PASSWORD_FILE is not: give a file whose "
            "first line is the certificate's password (an empty file if it has none)")
    endif()
    patch_require_file(PATCH_SIGN_PASSWORD_FILE)
    find_program(PATCH_OSSLSIGNCODE osslsigncode)
    if(NOT PATCH_OSSLSIGNCODE)
        message(FATAL_ERROR "PATCH_SIGN_PKCS12 is set, but osslsigncode, which signs the program, is missing: "
            "install the osslsigncode package (scripts/publish does)")
    endif()
    set(patch_timestamp_options "")
    if(NOT PATCH_SIGN_TIMESTAMP_URL STREQUAL "")
        set(patch_timestamp_options -ts ${PATCH_SIGN_TIMESTAMP_URL})
    endif()
    # The consent dialog shows this name for the program.
    set(patch_signed_description "${PATCH_FILE_DESCRIPTION}")
    if(patch_signed_description STREQUAL "")
        set(patch_signed_description "${patch_program_name}")
    endif()
    # osslsigncode won't write over a file: sign into the build tree afresh.
    set(patch_signed_program ${CMAKE_BINARY_DIR}/signed/${patch_program_name}.exe)
    add_custom_command(OUTPUT ${patch_dist_program}
        COMMAND ${CMAKE_COMMAND} -E rm -f ${patch_signed_program}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/signed
        COMMAND ${PATCH_OSSLSIGNCODE} sign -pkcs12 ${PATCH_SIGN_PKCS12} -readpass ${PATCH_SIGN_PASSWORD_FILE}
            -h sha256 -n "${patch_signed_description}" ${patch_timestamp_options}
            -in $<TARGET_FILE:patch> -out ${patch_signed_program}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PATCH_DIST_DIR}
        COMMAND ${CMAKE_COMMAND} -E copy ${patch_signed_program} ${patch_dist_program}
        DEPENDS patch ${PATCH_SIGN_PKCS12} ${PATCH_SIGN_PASSWORD_FILE}
        COMMENT "Signing the program into ${PATCH_DIST_DIR}"
        VERBATIM)
else()
    foreach(option IN ITEMS PATCH_SIGN_PASSWORD_FILE PATCH_SIGN_TIMESTAMP_URL)
        if(NOT ${option} STREQUAL "")
            message(FATAL_ERROR "${option} is set but PATCH_SIGN_PKCS12 is not: give the certificate to sign with")
        endif()
    endforeach()
    add_custom_command(OUTPUT ${patch_dist_program}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PATCH_DIST_DIR}
        COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:patch> ${patch_dist_program}
        DEPENDS patch
        COMMENT "Copying the program into ${PATCH_DIST_DIR}"
        VERBATIM)
endif()
cmake_path(COMPARE "${PATCH_DEFAULT_SETTINGS}" EQUAL "${CMAKE_SOURCE_DIR}/resources/default_settings.txt"
    patch_repository_settings)
if(patch_repository_settings)
    set(patch_sample_settings ${CMAKE_SOURCE_DIR}/resources/sample_settings.txt)
else()
    set(patch_sample_settings ${PATCH_DEFAULT_SETTINGS})
endif()
set(patch_encoded_sample ${patch_generated_dir}/sample_settings.cp932)
add_custom_command(OUTPUT ${patch_dist_settings}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${patch_sample_settings} -DOUTPUT=${patch_encoded_sample}
        -DICONV=${PATCH_ICONV} -P ${CMAKE_SOURCE_DIR}/cmake/EncodeSettingsText.cmake
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PATCH_DIST_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy ${patch_encoded_sample} ${patch_dist_settings}
    DEPENDS ${patch_sample_settings} ${CMAKE_SOURCE_DIR}/cmake/EncodeSettingsText.cmake
    COMMENT "Writing the sample settings file into ${PATCH_DIST_DIR}"
    VERBATIM)
# The publisher's check of a patch folder ships beside the program.
set(patch_dist_checker ${PATCH_DIST_DIR}/patch-check.exe)
add_custom_command(OUTPUT ${patch_dist_checker}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PATCH_DIST_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:patch-check> ${patch_dist_checker}
    DEPENDS patch-check
    COMMENT "Copying patch-check into ${PATCH_DIST_DIR}"
    VERBATIM)
# So does the release maker.
set(patch_dist_maker ${PATCH_DIST_DIR}/patch-make.exe)
add_custom_command(OUTPUT ${patch_dist_maker}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PATCH_DIST_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:patch-make> ${patch_dist_maker}
    DEPENDS patch-make
    COMMENT "Copying patch-make into ${PATCH_DIST_DIR}"
    VERBATIM)
add_custom_target(dist ALL DEPENDS ${patch_dist_program} ${patch_dist_settings} ${patch_dist_checker}
    ${patch_dist_maker})
