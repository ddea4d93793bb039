# Flags of the program's own code and tests (not GoogleTest's).
function(patch_strict_warnings target)
    # Warnings are faults.
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    # GCC 12 reports overlapping memcpy inside libstdc++'s std::string
    # operator+ once it is inlined at -O2 and above (a false positive of that
    # compiler release); the warning says nothing about this code.
    target_compile_options(${target} PRIVATE -Wno-restrict)
    # Sources are UTF-8; every narrow literal becomes code page 932 bytes, the
    # encoding of the program's texts, settings files and paths. (libstdc++'s
    # <chrono> holds a literal with no code page 932 form: not for this code.)
    target_compile_options(${target} PRIVATE -finput-charset=UTF-8 -fexec-charset=CP932)
endfunction()
