# The builds of this tree. Each is configured by its preset in
# CMakePresets.json: windows (build/), native (build/native/) and fuzz
# (build/fuzz/). A Windows build in a folder of its own (the demo's, a
# publisher's) is the windows preset with -B FOLDER and its own -D options.
# Needs $top, the source folder.

# Configures PRESET with further cmake arguments (-B, -D, -U). Only errors
# are shown.
configure_build() {
    local preset=$1
    shift
    cmake -S "$top" --preset "$preset" "$@" >/dev/null
}

# Configures PRESET in FOLDER, its folder, unless that was done before:
# a command that only needs one target leaves the build's options as they
# are.
configure_build_once() {
    local preset=$1 folder=$2
    [ -f "$folder/CMakeCache.txt" ] || configure_build "$preset"
}

# Configures and builds the fuzz targets (fuzz/) in build/fuzz/: a native
# build with clang, libFuzzer and the sanitizers.
build_fuzz_targets() {
    configure_build fuzz
    cmake --build "$top/build/fuzz" -j "$(nproc)"
}
