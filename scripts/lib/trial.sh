# The trial of a patch folder, shared by scripts/try-patch and scripts/demo:
# a fresh Wine prefix set up as a player's Japanese Windows; the settings the
# folder's program reads, as patch-check lists them; the game those settings
# name, installed as its installer would leave it; one run of the program,
# on a display or driven by demo/driver.cpp in a private X server; and what
# the run wrote. Needs scripts/lib/environment.sh and scripts/lib/checker.sh.

# Starts afresh in the work folder WORK (the prefix and the run's files),
# for MODE window or headless. The pictures land in SHOTS (by default
# WORK/screenshots), which is emptied; other folders of pictures under WORK
# are kept, so that each patch folder tried keeps its own.
trial_prepare() {
    local work="$1" mode="$2"
    TRIAL_WORK="$work"
    TRIAL_MODE="$mode"
    TRIAL_SHOTS="${3:-$work/screenshots}"
    TRIAL_SHOTS_SHOWN=${TRIAL_SHOTS#"$top"/}
    rm -rf "$work/wineprefix" "$TRIAL_SHOTS" "$work/run" "$work/home"
    mkdir -p "$TRIAL_SHOTS" "$work/run" "$work/home"
    : >"$work/run/promised"
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
        trial_restart_wine_desktop
    else
        # On a real display the window manager frames the dialog.
        trial_wine_quiet reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f || true
    fi
}

# Wine reads the Desktop key only when its desktop process starts, and that
# process was started by the first Wine program of the prefix, before the key
# was written; it lingers while any Wine program of the prefix runs. A program
# started meanwhile gets no Wine desktop window: its dialog lies on the bare
# X screen, and there is nothing to take a picture of. So the server and
# everything it runs are stopped once the key is written (the registry is
# saved as the server ends), and started again, as prepare_wine_prefix starts
# them; then the desktop window must be there. (A program of the prefix that
# starts again at once starts the server anew, and may keep it busy for
# ever: the wait for the old one to end is bounded. Its new desktop reads
# the key already.)
trial_restart_wine_desktop() {
    wineserver -k >/dev/null 2>&1 || true
    timeout 10 wineserver -w >/dev/null 2>&1 || true
    wineserver -p </dev/null >/dev/null 2>&1
    wine cmd /c exit </dev/null >/dev/null 2>&1
    local tries=0
    while [ -z "$(trial_desktop_window)" ]; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ]; then
            trial_error "Wine のデスクトップ窓が現れません（HKCU\\Software\\Wine\\Explorer の Desktop が効いていません）"
            return 1
        fi
        # The desktop process ends soon after the last program: ask again.
        [ $((tries % 20)) -ne 0 ] || wine cmd /c exit </dev/null >/dev/null 2>&1
        sleep 0.1
    done
}

# The X window of Wine's desktop "Default", or nothing.
trial_desktop_window() {
    xdotool search --name '^Default - Wine desktop$' 2>/dev/null | head -n1
}

# One line on standard error, as the project's tools say what is wrong:
# "try-patch: エラー: …".
trial_error() {
    echo "${CLI_COMMAND:-trial}: エラー: $*" >&2
}

# Records that the run promises the picture NAME (NAME.png in the folder of
# pictures); trial_check_pictures holds it to that.
trial_promise_picture() {
    printf '%s\n' "$@" >>"$TRIAL_WORK/run/promised"
}

# Whether every promised picture is there. Names each missing one on
# standard error; fails when one is.
trial_check_pictures() {
    local name missing=0
    while IFS= read -r name; do
        [ -n "$name" ] || continue
        if [ ! -s "$TRIAL_SHOTS/$name.png" ]; then
            trial_error "$TRIAL_SHOTS_SHOWN/$name.png が撮れていません"
            missing=$((missing + 1))
        fi
    done < <(LC_ALL=C sort -u "$TRIAL_WORK/run/promised")
    if [ $missing -gt 0 ]; then
        trial_error "約束したスクリーンショットのうち ${missing} 枚がありません（$TRIAL_SHOTS_SHOWN/）"
        return 1
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
    # set. So the entry is imported by regedit from a file: the 32-bit one,
    # which writes the 32-bit view by itself, or, where no 32-bit program
    # runs, the 64-bit one into that view's own key (WOW6432Node).
    local regedit='C:\windows\syswow64\regedit.exe' reg='C:\windows\syswow64\reg.exe'
    local written_key=$game_key exported='HKLM\SOFTWARE'
    if [ "${PATCH_WINE_ARCH:-32}" = 64 ]; then
        regedit='C:\windows\regedit.exe' reg='C:\windows\system32\reg.exe'
        written_key="HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\$company\\$title"
        exported='HKLM\SOFTWARE\WOW6432Node'
    fi
    printf 'Windows Registry Editor Version 5.00\r\n\r\n[%s]\r\n"path"="%s"\r\n' \
        "$written_key" "${game_folder//\\/\\\\}" | iconv -f UTF-8 -t UTF-16 >"$TRIAL_WORK/run/game.reg"
    trial_wine_quiet "$regedit" /S "$(winepath -w "$TRIAL_WORK/run/game.reg")"
    trial_wine_quiet "$reg" export "$exported" "$(winepath -w "$TRIAL_WORK/run/view32.reg")" /y
    if ! iconv -f UTF-16 -t UTF-8 "$TRIAL_WORK/run/view32.reg" | tr -d '\r' |
        grep -A1 -Fx "[$written_key]" | grep -qFx "\"path\"=\"${game_folder//\\/\\\\}\""; then
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
# each step. Further arguments go to the driver after its usual three: a look
# name (the dialog's picture only), or --box NAME (a message box expected
# instead of the dialog). Pictures land in the folder of pictures; each one
# the driver asks for is promised. Returns the driver's verdict (headless) or
# 0 (window), and leaves the program's exit code in TRIAL_EXIT_CODE when it is
# known.
trial_run_program() {
    local program="$1" driver="$2"
    shift 2
    local program_path
    program_path=$(winepath -w "$program")
    TRIAL_EXIT_CODE=
    rm -f "$TRIAL_WORK/run/exit-code"
    if [ "$TRIAL_MODE" = window ]; then
        echo "== starting $(basename "$program") on $DISPLAY: choose the folder, press 実行, then 完了"
        local status=0
        (cd "$(dirname "$program")" && wine "$program_path" </dev/null) || status=$?
        echo "exit code: $status"
        TRIAL_EXIT_CODE=$status
        return 0
    fi
    echo "== running $(basename "$program") under Xvfb, driven by ${driver#"$top"/}"
    local status
    local -a arguments
    if [ "${1:-}" = --box ]; then
        arguments=(--box "$program_path" "$(winepath -w "$TRIAL_WORK/run")" "$2")
    else
        arguments=("$program_path" "$(winepath -w "$TRIAL_WORK/run/expected-folder.txt")"
            "$(winepath -w "$TRIAL_WORK/run")" "$@")
    fi
    set +e
    wine "$driver" "${arguments[@]}" </dev/null 2>/dev/null | trial_follow_driver
    status=${PIPESTATUS[0]}
    set -e
    if [ -f "$TRIAL_WORK/run/exit-code" ]; then
        TRIAL_EXIT_CODE=$(cat "$TRIAL_WORK/run/exit-code")
    fi
    return "$status"
}

# Runs the program PROGRAM once more, driven by DRIVER, with the dialog's
# font ＭＳ Ｐゴシック replaced by the wider, fixed-width IPAGothic, as a
# player on a Windows without that font sees the dialog (another Japanese
# font in its place), and takes its picture as before-nofont.png. Wine reads
# the replacements when a program starts; the prefix's own are put back
# afterwards. Returns the driver's verdict.
trial_picture_without_font() {
    local program="$1" driver="$2" status=0
    local key='HKCU\Software\Wine\Fonts\Replacements' kept="$TRIAL_WORK/run/replacements.reg"
    echo "== the dialog in a wider Japanese font (IPAGothic for ＭＳ Ｐゴシック), as a player without that font sees it"
    trial_wine_quiet reg export "$key" "$(winepath -w "$kept")" /y
    trial_wine_quiet reg add "$key" /v 'ＭＳ Ｐゴシック' /d IPAGothic /f
    trial_run_program "$program" "$driver" before-nofont || status=$?
    trial_wine_quiet reg import "$(winepath -w "$kept")"
    return "$status"
}

# Prints what the driver prints, and at each "@screenshot NAME" takes the
# picture of Wine's desktop as NAME.png, then lets the driver go on.
trial_follow_driver() {
    local line name window
    while IFS= read -r line; do
        case "$line" in
            "@screenshot "*)
                name=${line#@screenshot }
                trial_promise_picture "$name"
                window=$(trial_desktop_window)
                if [ -z "$window" ]; then
                    echo "  screenshot:    FAILED (no Wine desktop window to take)"
                    trial_error "$name.png: Wine のデスクトップ窓がなく、スクリーンショットを撮れません"
                elif import -window "$window" "$TRIAL_SHOTS/$name.png" 2>"$TRIAL_WORK/run/import.err"; then
                    echo "  screenshot:    $TRIAL_SHOTS_SHOWN/$name.png"
                else
                    rm -f "$TRIAL_SHOTS/$name.png"
                    echo "  screenshot:    FAILED"
                    trial_error "$name.png: スクリーンショットを撮れません: $(head -n1 "$TRIAL_WORK/run/import.err")"
                fi
                # The driver goes on either way; the picture is checked at
                # the end.
                touch "$TRIAL_WORK/run/$name.done"
                ;;
            *)
                printf '%s\n' "$line"
                case "$line" in "exit code: "*) echo "${line#exit code: }" >"$TRIAL_WORK/run/exit-code" ;; esac
                ;;
        esac
    done
}

# The program file PROGRAM (a Linux path) as a player's Explorer shows it,
# read back by DRIVER: its icon at 128 x 128 and at Explorer's sizes, and its
# version texts (version.txt and a picture of them). Promises icon-128,
# icon-sizes and version; fails when the driver found no icon or no texts.
trial_program_resources() {
    local program="$1" driver="$2" status name
    echo "== the program's icon and version texts, as Explorer reads them"
    trial_promise_picture icon-128 icon-sizes version
    set +e
    wine "$driver" --resources "$(winepath -w "$program")" "$(winepath -w "$TRIAL_SHOTS")" </dev/null 2>/dev/null
    status=$?
    set -e
    for name in icon-128 icon-sizes version; do
        if [ -f "$TRIAL_SHOTS/$name.bmp" ]; then
            convert "$TRIAL_SHOTS/$name.bmp" "$TRIAL_SHOTS/$name.png" && rm -f "$TRIAL_SHOTS/$name.bmp"
        fi
        [ ! -s "$TRIAL_SHOTS/$name.png" ] || echo "  picture:       $TRIAL_SHOTS_SHOWN/$name.png"
    done
    [ ! -s "$TRIAL_SHOTS/version.txt" ] || echo "  text:          $TRIAL_SHOTS_SHOWN/version.txt"
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
