# Fully static: the built executables import only Windows system DLLs. Linking
# only libgcc and libstdc++ statically still pulls in libwinpthread-1.dll.
add_link_options(-static -Wl,--no-insert-timestamp)

# Every test executable runs under Wine through this wrapper, which pins the
# private prefix, the Japanese ANSI code page and a quiet Wine.
set(PATCH_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
# A 64-bit build runs under 64-bit Wine only, in a 64-bit prefix of its own:
# it is the build for a Linux that cannot run 32-bit programs.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(PATCH_WINE_SHIMS ${CMAKE_SOURCE_DIR}/scripts/lib/wine64)
    # Its manifest names its own processor: a 64-bit process whose manifest
    # asks for the x86 common controls gets no activation context, and no
    # dialog. The 32-bit program's manifest stays the one in resources/.
    file(READ ${CMAKE_SOURCE_DIR}/resources/patch.manifest patch_manifest)
    string(REPLACE [[processorArchitecture="x86"]] [[processorArchitecture="amd64"]] patch_manifest_amd64
        "${patch_manifest}")
    if(patch_manifest_amd64 STREQUAL patch_manifest)
        message(FATAL_ERROR "resources/patch.manifest names no processorArchitecture=\"x86\" to make amd64")
    endif()
    file(WRITE ${CMAKE_BINARY_DIR}/manifest-amd64/patch.manifest "${patch_manifest_amd64}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/patch.manifest)
    # The resource compiler takes the first patch.manifest on its include
    # path: this one, ahead of every target's own folders.
    include_directories(BEFORE ${CMAKE_BINARY_DIR}/manifest-amd64)
else()
    set(PATCH_WINE_SHIMS "")
endif()
configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)

if(PATCH_BUILD_TESTS)
    include(cmake/GoogleTestFromSource.cmake)
endif()

# A test executable of Windows code; its cases are listed at test time, when
# the Wine prefix exists.
function(patch_windows_test name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE patch_core GTest::gtest_main)
    patch_strict_warnings(${name})
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
        PROPERTIES LABELS windows)
endfunction()
