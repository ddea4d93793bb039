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
# and prints what it writes with LF line ends (to a pipe it writes UTF-8 with
# CR LF). Returns patch-check's exit code.
run_patch_check() {
    local checker=$1 status
    shift
    set +e
    wine "$checker" "$@" </dev/null 2>/dev/null | tr -d '\r'
    status=${PIPESTATUS[0]}
    set -e
    return "$status"
}

# Stops the command, with its exit code for wrong usage, unless FOLDER (as
# the user gave it) is a folder. Its path may hold any character: the patch
# program and patch-check name files in UTF-16, and Wine hands them the
# UTF-8 path converted.
require_patch_folder() {
    local folder=$1
    if [ "${CLI_LANGUAGE:-en}" = ja ]; then
        [ -d "$folder" ] || die "$CLI_USAGE_CODE" "$folder はフォルダではありません。パッチフォルダ (プログラムのあるフォルダ) を指定してください"
    else
        [ -d "$folder" ] || die "$CLI_USAGE_CODE" "$folder is not a folder: give the patch folder (the one holding the program)"
    fi
}
