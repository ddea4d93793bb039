# The native build runs the portable rules under the sanitizers.
set(patch_sanitizer_flags -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
add_compile_options(${patch_sanitizer_flags})
add_link_options(-fsanitize=address,undefined)
# The rules' own library is made before this file is read, so the directory's
# options above miss it: without this its reads past a block go unseen.
target_compile_options(patch_portable PRIVATE ${patch_sanitizer_flags})

include(cmake/GoogleTestFromSource.cmake)

function(patch_native_test name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE patch_portable GTest::gtest_main)
    patch_strict_warnings(${name})
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS native)
endfunction()
