# patch-check (checker/), run under Wine for the commands in scripts/. Needs
# scripts/lib/environment.sh and a Wine prefix (prepare_wine_prefix).

# The Windows form of a path: Linux paths become Wine's; Windows paths (C:\...)
# are passed as they are.
windows_path() {
    case "$1" in
        [A-Za-z]:*) printf '%s\n' "$1" ;;
        *) winepath -w "$(realpath -m -- "$1")" 2>/dev/null ;;
    esac
}

# Runs patch-check, the Windows program CHECKER, with the further arguments,
# and prints what it writes as UTF-8 with LF line ends (it writes code page
# 932 with CR LF). Returns patch-check's exit code.
run_patch_check() {
    local checker=$1 status
    shift
    set +e
    wine "$checker" "$@" </dev/null 2>/dev/null | iconv -f CP932 -t UTF-8 | tr -d '\r'
    status=${PIPESTATUS[0]}
    set -e
    return "$status"
}

# Stops the command, with its exit code for wrong usage, unless FOLDER (as
# the user gave it) is a folder that the patch program and patch-check can
# open. Both are code page 932 programs: Windows hands them a path holding a
# character code page 932 lacks with that character replaced, a path that
# does not exist, and they would report a missing folder or files.
require_patch_folder() {
    local folder=$1 lacking
    [ -d "$folder" ] || die "$CLI_USAGE_CODE" "$folder is not a folder: give the patch folder (the one holding the program)"
    lacking=$(character_outside_cp932 "$(realpath -m -- "$folder")")
    if [ -n "$lacking" ]; then
        usage_error "$folder: the path holds a character that code page 932 lacks ($lacking), so the patch program" \
            "and patch-check cannot open it: copy the folder to a path of ASCII or Japanese characters and run" \
            "scripts/$CLI_COMMAND there"
    fi
}
