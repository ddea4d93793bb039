# patch-make (maker/), run under Wine for scripts/publish and
# scripts/convert-settings. Needs scripts/lib/environment.sh,
# scripts/lib/checker.sh (windows_path) and a Wine prefix.

# Runs patch-make, the Windows program MAKER, with the further arguments;
# what it prints (UTF-8 when piped) goes out with LF line ends. Returns
# patch-make's exit code.
run_patch_make() {
    local maker=$1 status
    shift
    set +e
    wine "$maker" "$@" </dev/null 2>&1 | tr -d '\r'
    status=${PIPESTATUS[0]}
    set -e
    return "$status"
}

# The Linux path of a Windows path patch-make printed (Z:\root\x -> /root/x).
linux_path() {
    winepath -u "$1" 2>/dev/null
}

# TEXT as a sed pattern that matches it literally.
sed_literal() {
    printf '%s' "$1" | sed 's/[][\\.*^$#]/\\&/g'
}

# Copies standard input to standard output with each Windows path given to
# patch-make shown again as the user typed it: pairs of arguments, the
# Windows form then the typed one.
shown_as_typed() {
    local expressions=()
    while [ $# -ge 2 ]; do
        expressions+=(-e "s#$(sed_literal "$1")#$(printf '%s' "$2" | sed 's/[\\&#]/\\&/g')#g")
        shift 2
    done
    if [ ${#expressions[@]} -eq 0 ]; then
        cat
    else
        sed "${expressions[@]}"
    fi
}
