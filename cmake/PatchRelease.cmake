# The program as it is built is the stub of every release: the demo game's
# settings, icon and version texts, named patch.exe, unsigned. A publisher's
# release is written from it by patch-make (maker/), the one writer of a
# publisher's settings, icon and texts; signing follows on the release. This
# file builds the stub lean, the release folder dist/ (what a publisher
# downloads) with its archive, and, when the build is given a publisher's
# options, their release through patch-make.

# The download holds the player's 32-bit program: a 64-bit build (the tests'
# build on a Linux that runs no 32-bit program) writes its own into its
# build folder, never over dist/.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(patch_default_dist_dir "${CMAKE_BINARY_DIR}/dist")
else()
    set(patch_default_dist_dir "${CMAKE_SOURCE_DIR}/dist")
endif()
set(PATCH_DIST_DIR "${patch_default_dist_dir}" CACHE PATH
    "The publisher's download: the stub, patch-check, patch-make, the sample release and the Japanese guide")

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
# The POSIX thread calls of the runtime, on Windows' own primitives, so that
# the static thread library stays out (SmallThreadRuntime.cpp says why).
# Measured on an unstripped link with -Wl,-Map (nm --size-sort, the map's
# contributions): at 204,288 bytes the static thread library took about 31 KB
# (its threads 15.6 KB, condition variables 6.2 KB, read-write locks 4.8 KB,
# mutexes 2.5 KB), pulled in only by the runtime's exception allocator,
# unwinder and per-thread data; without it the program is 171,008 bytes.
# What remains of the runtime is what exceptions need (the unwinder and
# exception support, about 30 KB with their unwind tables); no printf,
# locale, iostreams or demangler is linked. The largest parts after that are
# the program's own code (the copy transaction about 10 KB) and its icon
# resource (about 51 KB).
target_sources(patch PRIVATE ${CMAKE_SOURCE_DIR}/shell/small_runtime.cpp
    ${CMAKE_SOURCE_DIR}/shell/SmallThreadRuntime.cpp)

# The manifest and the version resource, for the program alone (the test
# executables keep the system's defaults).
add_library(patch_release_resources OBJECT
    ${CMAKE_SOURCE_DIR}/resources/manifest.rc
    ${CMAKE_SOURCE_DIR}/resources/version.rc)
target_include_directories(patch_release_resources PRIVATE ${CMAKE_SOURCE_DIR}/resources)
# The resource compiler reports no dependencies: name them.
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/manifest.rc PROPERTIES
    OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/resources/patch.manifest)
target_link_libraries(patch PRIVATE patch_release_resources)

# --- dist/: exactly what a publisher downloads, made afresh on every change
# (a file left from an older layout would ship), and the same files packed
# as one versioned archive. Names are ASCII: Windows' own unpacking reads a
# zip's names in the system's code page.
set(PATCH_DIST_ARCHIVE_DIR "${CMAKE_BINARY_DIR}" CACHE PATH "Where the download's archive patch-tools-VERSION.zip is written")
find_program(PATCH_DIST_PYTHON python3 HINTS /usr/bin REQUIRED)
set(patch_dist_archive ${PATCH_DIST_ARCHIVE_DIR}/patch-tools-${PROJECT_VERSION}.zip)
set(patch_dist_stamp ${CMAKE_BINARY_DIR}/dist.stamp)
set(patch_sample_folder ${CMAKE_SOURCE_DIR}/resources/sample)
file(GLOB_RECURSE patch_sample_files CONFIGURE_DEPENDS ${patch_sample_folder}/*)
set(patch_guide ${CMAKE_SOURCE_DIR}/docs/publishing.ja.md)
add_custom_command(OUTPUT ${patch_dist_stamp} ${patch_dist_archive}
    COMMAND ${CMAKE_COMMAND} -DDIST=${PATCH_DIST_DIR} -DARCHIVE=${patch_dist_archive}
        -DSTUB=$<TARGET_FILE:patch> -DCHECKER=$<TARGET_FILE:patch-check> -DMAKER=$<TARGET_FILE:patch-make>
        -DSAMPLE=${patch_sample_folder} -DGUIDE=${patch_guide} -DPYTHON=${PATCH_DIST_PYTHON}
        -P ${CMAKE_SOURCE_DIR}/cmake/WriteDist.cmake
    COMMAND ${CMAKE_COMMAND} -E touch ${patch_dist_stamp}
    DEPENDS patch patch-check patch-make ${patch_sample_files} ${patch_guide} ${CMAKE_SOURCE_DIR}/cmake/WriteDist.cmake
        ${CMAKE_SOURCE_DIR}/cmake/pack_zip.py
    COMMENT "Writing the publisher's download ${PATCH_DIST_DIR} and ${patch_dist_archive}"
    VERBATIM)
add_custom_target(dist ALL DEPENDS ${patch_dist_stamp})
set(patch_dist_program ${PATCH_DIST_DIR}/patch.exe)

# --- A publisher's release made by this build: each option given goes to
# patch-make as the option of the same meaning; none given, no release.
set(patch_release_options
    PATCH_RELEASE_FILE=release-file PATCH_DEFAULT_SETTINGS=--settings PATCH_ICON=--icon PATCH_PATCH_FILES=--files
    PATCH_PROGRAM_NAME=--name PATCH_VERSION=--version PATCH_PRODUCT_VERSION=--product-version
    PATCH_FILE_DESCRIPTION=--description PATCH_PRODUCT_NAME=--product-name PATCH_COMPANY_NAME=--company
    PATCH_COPYRIGHT=--copyright)
set(PATCH_RELEASE_FILE "" CACHE FILEPATH "A publisher's release file; patch-make writes its release into PATCH_RELEASE_DIR")
set(PATCH_DEFAULT_SETTINGS "" CACHE FILEPATH "The settings text a release carries (UTF-8 or code page 932)")
set(PATCH_ICON "" CACHE FILEPATH "The icon a release carries: an .ico or .png picture, square, 128 x 128 or larger")
set(PATCH_PATCH_FILES "" CACHE PATH "The patch files a release ships beside its program")
set(PATCH_PROGRAM_NAME "" CACHE STRING "The program's file name in a release, without .exe")
set(PATCH_VERSION "" CACHE STRING "File version of a release: one to four numbers from 0 to 65535")
set(PATCH_PRODUCT_VERSION "" CACHE STRING "Product version of a release")
set(PATCH_FILE_DESCRIPTION "" CACHE STRING "File description of a release")
set(PATCH_PRODUCT_NAME "" CACHE STRING "Product name of a release")
set(PATCH_COMPANY_NAME "" CACHE STRING "Company name of a release")
set(PATCH_COPYRIGHT "" CACHE STRING "Copyright notice of a release")
set(PATCH_RELEASE_DIR "${CMAKE_BINARY_DIR}/release" CACHE PATH "Where the publisher's release is written")
set(patch_make_arguments "")
foreach(pair IN LISTS patch_release_options)
    string(REPLACE "=" ";" pair "${pair}")
    list(GET pair 0 variable)
    list(GET pair 1 option)
    if(NOT "${${variable}}" STREQUAL "")
        set(value "${${variable}}")
        if(variable MATCHES "RELEASE_FILE|SETTINGS|ICON|FILES")
            # Wine shows the machine's root as drive Z:.
            set(value "Z:${value}")
        endif()
        if(option STREQUAL "release-file")
            list(APPEND patch_make_arguments "${value}")
        else()
            list(APPEND patch_make_arguments "${option}" "${value}")
        endif()
    endif()
endforeach()
if(NOT patch_make_arguments STREQUAL "")
    # Exit code 1 is a release written with warnings (shown): the build
    # goes on; 2 and 3 stop it.
    add_custom_target(publisher_release ALL
        COMMAND sh -c "\"$@\" || test $? -eq 1" patch-make
            ${CMAKE_BINARY_DIR}/wine-run $<TARGET_FILE:patch-make> ${patch_make_arguments}
            --stub Z:$<TARGET_FILE:patch> --output Z:${PATCH_RELEASE_DIR} --replace
        DEPENDS patch patch-make
        COMMENT "Writing the publisher's release ${PATCH_RELEASE_DIR} with patch-make"
        VERBATIM)
endif()
