# Shared by scripts/demo and scripts/try-patch: a fresh Wine prefix set up as
# a player's Japanese Windows, a game installed in it as its installer would
# leave it, and one run of the patch program, on a display or driven by
# demo/driver.cpp in a private X server. Needs scripts/lib/environment.sh.

# Starts afresh in the work folder WORK (the prefix, the run's files and the
# screenshots), for MODE window or headless.
trial_prepare() {
    local work="$1" mode="$2"
    TRIAL_WORK="$work"
    TRIAL_MODE="$mode"
    rm -rf "$work/wineprefix" "$work/screenshots" "$work/run" "$work/home"
    mkdir -p "$work/screenshots" "$work/run" "$work/home"
    # Wine writes menu entries and file associations under the user's home:
    # keep them in the work folder.
    export XDG_DATA_HOME="$work/home/data" XDG_CONFIG_HOME="$work/home/config" XDG_CACHE_HOME="$work/home/cache"

    use_private_japanese_locale "$work/locale"
    trap stop_session EXIT
    if [ "$mode" = headless ]; then
        start_xvfb
    fi
    prepare_wine_prefix "$work/wineprefix"

    # The captions and message boxes use the system's proportional font,
    # named in English: the same Gothic as the dialog's.
    local font
    for font in 'MS PGothic' 'MS UI Gothic'; do
        trial_wine_quiet reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /d IPAPGothic /f
    done
    trial_wine_quiet reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS Gothic' /d IPAGothic /f
    if [ "$mode" = headless ]; then
        # Wine's own desktop window: the dialog gets a title bar drawn by
        # Wine, and the screenshots show what a player sees.
        trial_wine_quiet reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
        trial_wine_quiet reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f
    else
        # On a real display the window manager frames the dialog.
        trial_wine_quiet reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f || true
    fi
}

trial_wine_quiet() {
    wine "$@" </dev/null >/dev/null 2>&1
}

# The Linux folder behind a Windows path on drive C: of the prefix.
trial_unix_path() {
    local path="${1#[Cc]:\\}"
    printf '%s/drive_c/%s\n' "$WINEPREFIX" "${path//\\//}"
}

# Installs a game as its installer would: its folder GAME_FOLDER (a Windows
# path on C:) holding EXECUTABLE (when not empty), and the registry entry
# HKEY_LOCAL_MACHINE\SOFTWARE\COMPANY\TITLE, value "path", in the 32-bit view
# that the 32-bit program reads (WOW6432Node in this 64-bit prefix).
trial_install_game() {
    local company="$1" title="$2" game_folder="$3" executable="$4"
    local game_key="HKEY_LOCAL_MACHINE\\SOFTWARE\\$company\\$title"
    local game_dir
    game_dir=$(trial_unix_path "$game_folder")
    mkdir -p "$game_dir"
    if [ -n "$executable" ]; then
        mkdir -p "$(dirname "$game_dir/${executable//\\//}")"
        printf '%s, as its installer left it\r\n' "$title" >"$game_dir/${executable//\\//}"
    fi
    # Japanese text reaches Wine's programs intact through files, not through
    # arguments: Wine converts arguments with the Unix locale's character
    # set. So the entry is imported by the 32-bit regedit from a file.
    printf 'Windows Registry Editor Version 5.00\r\n\r\n[%s]\r\n"path"="%s"\r\n' \
        "$game_key" "${game_folder//\\/\\\\}" | iconv -f UTF-8 -t UTF-16 >"$TRIAL_WORK/run/game.reg"
    trial_wine_quiet 'C:\windows\syswow64\regedit.exe' /S "$(winepath -w "$TRIAL_WORK/run/game.reg")"
    trial_wine_quiet 'C:\windows\syswow64\reg.exe' export 'HKLM\SOFTWARE' \
        "$(winepath -w "$TRIAL_WORK/run/view32.reg")" /y
    if ! iconv -f UTF-16 -t UTF-8 "$TRIAL_WORK/run/view32.reg" | tr -d '\r' |
        grep -A1 -Fx "[$game_key]" | grep -qFx "\"path\"=\"${game_folder//\\/\\\\}\""; then
        echo "the registry entry $game_key is missing from the 32-bit view" >&2
        return 1
    fi
    echo "registry (32-bit view): $game_key"
    echo "  path = $game_folder"
    echo "game folder: $game_folder"
    trial_list_files "$game_dir"
    printf '%s\n' "$game_folder" >"$TRIAL_WORK/run/expected-folder.txt"
}

# Every file below DIR, with its size, as Windows names it.
trial_list_files() {
    (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | while IFS= read -r f; do
        printf '  %-24s %9d bytes\n' "${f//\//\\}" "$(stat -c %s "$f")"
    done)
}

# Runs the program PROGRAM (a Linux path) once: on the display for a person
# to click through (window), or driven by DRIVER (headless), which prints
# each step (further arguments go to the driver); pictures of the dialog before and after the copy land in
# WORK/screenshots. Returns the driver's verdict (headless) or 0 (window),
# and leaves the program's exit code in TRIAL_EXIT_CODE when it is known.
trial_run_program() {
    local program="$1" driver="$2"
    shift 2
    local program_path shown
    program_path=$(winepath -w "$program")
    shown=${TRIAL_WORK#"$top"/}
    TRIAL_EXIT_CODE=
    if [ "$TRIAL_MODE" = window ]; then
        echo "== starting $(basename "$program") on $DISPLAY: choose the folder, press 実行, then 完了"
        local status=0
        (cd "$(dirname "$program")" && wine "$program_path" </dev/null) || status=$?
        echo "exit code: $status"
        TRIAL_EXIT_CODE=$status
        return 0
    fi
    echo "== running $(basename "$program") under Xvfb, driven by ${driver#"$top"/}"
    local status line name window
    set +e
    wine "$driver" "$program_path" \
        "$(winepath -w "$TRIAL_WORK/run/expected-folder.txt")" "$(winepath -w "$TRIAL_WORK/run")" "$@" \
        </dev/null 2>/dev/null |
        while IFS= read -r line; do
            case "$line" in
                "@screenshot "*)
                    name=${line#@screenshot }
                    window=$(xdotool search --name 'Wine desktop' 2>/dev/null | head -n1)
                    if [ -n "$window" ] && import -window "$window" "$TRIAL_WORK/screenshots/$name.png"; then
                        echo "  screenshot:    $shown/screenshots/$name.png"
                    else
                        echo "  screenshot:    FAILED (no Wine desktop window to take)"
                    fi
                    # The driver goes on either way.
                    touch "$TRIAL_WORK/run/$name.done"
                    ;;
                *)
                    printf '%s\n' "$line"
                    case "$line" in "exit code: "*) echo "${line#exit code: }" >"$TRIAL_WORK/run/exit-code" ;; esac
                    ;;
            esac
        done
    status=${PIPESTATUS[0]}
    set -e
    if [ -f "$TRIAL_WORK/run/exit-code" ]; then
        TRIAL_EXIT_CODE=$(cat "$TRIAL_WORK/run/exit-code")
    fi
    return "$status"
}
