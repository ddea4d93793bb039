# The trial of a patch folder, shared by scripts/try-patch and scripts/demo:
# a fresh Wine prefix set up as a player's Japanese Windows; the settings the
# folder's program reads, as patch-check lists them; the game those settings
# name, installed as its installer would leave it; one run of the program,
# on a display or driven by demo/driver.cpp in a private X server; and what
# the run wrote. Needs scripts/lib/environment.sh and scripts/lib/checker.sh.

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

# Reads the settings of the patch folder FOLDER (a Linux path) with
# patch-check, the Windows program CHECKER: the first program's name, its
# settings, its files and the subfolders they need, as the program itself
# reads them. Prints them, and leaves them in TRIAL_PROGRAM, TRIAL_TITLE,
# TRIAL_COMPANY, TRIAL_EXECUTABLE, TRIAL_FILES (source TAB destination) and
# TRIAL_SUBFOLDERS (parents first). Fails when the folder holds no program.
trial_read_settings() {
    local checker="$1" folder="$2" line
    echo "== the settings the program will read (patch-check --list-settings)"
    # A folder with errors still lists its settings: the trial shows what the
    # program makes of them.
    run_patch_check "$checker" --list-settings "$(windows_path "$folder")" >"$TRIAL_WORK/run/settings.txt" || true
    TRIAL_PROGRAM=$(sed -n 's/^program=//p' "$TRIAL_WORK/run/settings.txt" | head -n1)
    if [ -z "$TRIAL_PROGRAM" ]; then
        echo "no patch program in $folder: scripts/check-patch $folder says why" >&2
        return 1
    fi
    if [ "$(grep -c '^program=' "$TRIAL_WORK/run/settings.txt")" -gt 1 ]; then
        echo "several patch programs in the folder: trying the first, $TRIAL_PROGRAM"
    fi
    # Only the first program's block.
    awk '/^program=/ { n++ } n == 1' "$TRIAL_WORK/run/settings.txt" >"$TRIAL_WORK/run/program.txt"
    TRIAL_TITLE=$(trial_setting title)
    TRIAL_COMPANY=$(trial_setting company)
    TRIAL_EXECUTABLE=$(trial_setting executable)
    mapfile -t TRIAL_FILES < <(sed -n 's/^file=//p' "$TRIAL_WORK/run/program.txt")
    mapfile -t TRIAL_SUBFOLDERS < <(sed -n 's/^folder=//p' "$TRIAL_WORK/run/program.txt")
    local settings_from
    settings_from=$(trial_setting settings)
    echo "program:    $TRIAL_PROGRAM"
    echo "settings:   ${settings_from:-(built into the program)}"
    echo "caption:    $(trial_setting caption)"
    echo "title:      $TRIAL_TITLE"
    echo "company:    $TRIAL_COMPANY"
    echo "executable: ${TRIAL_EXECUTABLE:-(none: any folder is accepted)}"
    for line in "${TRIAL_FILES[@]}"; do
        echo "file:       ${line%%$'\t'*} -> ${line#*$'\t'}"
    done
}

# The value of KEY in the first program's block read by trial_read_settings.
trial_setting() {
    sed -n "s/^$1=//p" "$TRIAL_WORK/run/program.txt" | head -n1
}

# Installs the game the settings name, in C:\Program Files (x86)\<社名>\<タイトル>
# with its executable and the subfolders the accepted destinations need.
# Leaves the folder in TRIAL_GAME_FOLDER (Windows) and TRIAL_GAME_DIR (Linux).
trial_install_from_settings() {
    local subfolder
    TRIAL_GAME_FOLDER="C:\\Program Files (x86)\\$TRIAL_COMPANY\\$TRIAL_TITLE"
    trial_install_game "$TRIAL_COMPANY" "$TRIAL_TITLE" "$TRIAL_GAME_FOLDER" "$TRIAL_EXECUTABLE"
    TRIAL_GAME_DIR=$(trial_unix_path "$TRIAL_GAME_FOLDER")
    for subfolder in "${TRIAL_SUBFOLDERS[@]}"; do
        mkdir -p "$TRIAL_GAME_DIR/${subfolder//\\//}"
        echo "  subfolder $subfolder"
    done
}

# What the run wrote: the game folder, then for every "ファイル," line of
# the settings whether its file was written from the patch folder FOLDER.
# Fails when a file the folder holds was not written.
trial_report_files() {
    local folder="$1" line source destination from to status=0
    echo "== the game folder after the run: $TRIAL_GAME_FOLDER"
    trial_list_files "$TRIAL_GAME_DIR"
    echo "== the files of the settings"
    for line in "${TRIAL_FILES[@]}"; do
        source=${line%%$'\t'*}
        destination=${line#*$'\t'}
        from="$folder/${source//\\//}"
        to="$TRIAL_GAME_DIR/${destination//\\//}"
        if [ ! -f "$from" ]; then
            echo "  skipped:     $destination (the patch folder has no $source)"
        elif [ -f "$to" ] && cmp -s "$from" "$to"; then
            echo "  written:     $destination ($(stat -c %s "$to") bytes, the same as $source)"
        elif [ -f "$to" ]; then
            echo "  NOT WRITTEN: $destination differs from $source"
            status=1
        else
            echo "  NOT WRITTEN: $destination"
            status=1
        fi
    done
    return "$status"
}

# Why a headless trial of FOLDER failed: the program's exit code first, as
# the guide's table gives its meaning, since the settings or the game may be
# at fault rather than a file.
trial_failed() {
    local folder="$1" code=${TRIAL_EXIT_CODE:-}
    case "$code" in
        1) echo "== trial FAILED: the program ended as done (exit code 1); what went wrong is above" >&2 ;;
        2) echo "== trial FAILED: the program ended with exit code 2: cancelled, refused or failed (its message is above)" >&2 ;;
        0) echo "== trial FAILED: the program ended with exit code 0: nothing was tried (settings unusable, game not installed, or another copy running; its message is above). scripts/check-patch $folder says why" >&2 ;;
        *) echo "== trial FAILED: the program did not end as a player's run does (exit code: ${code:-none})" >&2 ;;
    esac
}
