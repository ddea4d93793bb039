# Fully static: the built executables import only Windows system DLLs. Linking
# only libgcc and libstdc++ statically still pulls in libwinpthread-1.dll.
add_link_options(-static -Wl,--no-insert-timestamp)

# Every test executable runs under Wine through this wrapper, which pins the
# private prefix, the Japanese ANSI code page and a quiet Wine.
set(PATCH_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
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
