# The native build runs the portable rules under the sanitizers.
add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
add_link_options(-fsanitize=address,undefined)

include(cmake/GoogleTestFromSource.cmake)

function(patch_native_test name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE patch_portable GTest::gtest_main)
    patch_strict_warnings(${name})
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS native)
endfunction()
