# Shared by the commands in scripts/: the packages this project needs, an X
# server of its own, and a Wine prefix set up for Japanese text.

# What building the program and its tools alone needs (scripts/publish,
# scripts/dist): CMake, Ninja, the cross compiler, and Python, which packs
# the download's archive.
PATCH_BUILD_PACKAGES="cmake ninja-build g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev python3"

# What running patch-make and patch-check needs (scripts/publish,
# scripts/convert-settings, scripts/check-patch): Wine. On a Linux that
# cannot run 32-bit programs wine32 still installs (its helpers' errors are
# printed and ignored), and its loader is what the route's probe runs.
PATCH_WINE_PACKAGES="wine wine32:i386 wine64"

# What the 64-bit build needs besides (scripts/test builds it on either
# route; the publisher's scripts on a Linux that cannot run 32-bit programs).
PATCH_BUILD64_PACKAGES="g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev"

# Packages for building the program and its tests and running them under
# Wine. osslsigncode and openssl: the signing tests; Pillow: the pictures
# the icon tests draw.
PATCH_PACKAGES="$PATCH_BUILD_PACKAGES $PATCH_BUILD64_PACKAGES $PATCH_WINE_PACKAGES g++ googletest xvfb x11-utils fonts-ipafont-gothic
fonts-wine locales osslsigncode openssl python3-pil"

# What scripts/demo needs besides: finding the Wine desktop window and taking
# its picture.
PATCH_DEMO_PACKAGES="xdotool imagemagick"

# What the fuzz build needs besides (scripts/test and scripts/fuzz): clang,
# and its runtime libraries with libFuzzer and the sanitizers.
PATCH_FUZZ_PACKAGES="clang libclang-rt-dev"

missing_packages() {
    local package
    for package in "$@"; do
        dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q 'install ok installed' || printf '%s\n' "$package"
    done
}

# Installs what is missing of the packages named (as root, with apt-get).
install_packages() {
    local missing
    missing=$(missing_packages "$@")
    [ -z "$missing" ] && return 0
    echo "== installing:" $missing
    if [ "$(id -u)" -ne 0 ]; then
        echo "missing packages and not root: install them first:" $missing >&2
        return 1
    fi
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    # shellcheck disable=SC2086
    apt-get install -y -q --no-install-recommends $missing
}

# Waits up to 30 s until the file has something in it; fails if it never does.
wait_for_content() {
    local tries=0
    while [ ! -s "$1" ] && [ $tries -lt 300 ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
    [ -s "$1" ]
}

# Starts a private Xvfb and exports its DISPLAY; stopped by stop_session.
start_xvfb() {
    local display_file
    display_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
    PATCH_XVFB_PID=$!
    if ! wait_for_content "$display_file"; then
        echo "Xvfb did not start" >&2
        rm -f "$display_file"
        return 1
    fi
    export DISPLAY=":$(head -n1 "$display_file")"
    rm -f "$display_file"
}

# Wine converts file names, arguments and console output with the character
# set of the Unix locale. Where ja_JP.UTF-8 is not installed that is ASCII,
# and Japanese folder names are lost on the way. Compiles the locale into a
# folder of the caller's (the system's locales stay as they are) and points
# the C library at it. Call before prepare_wine_prefix.
use_private_japanese_locale() {
    local folder="$1"
    if [ ! -f "$folder/ja_JP.UTF-8/LC_CTYPE" ]; then
        mkdir -p "$folder"
        # localedef exits 1 for mere warnings: judge by what it wrote.
        localedef -i ja_JP -f UTF-8 "$folder/ja_JP.UTF-8" >/dev/null 2>&1 || true
        if [ ! -f "$folder/ja_JP.UTF-8/LC_CTYPE" ]; then
            echo "could not compile the ja_JP.UTF-8 locale into $folder" >&2
            return 1
        fi
    fi
    export LOCPATH="$folder"
}

# Whether this Linux runs 32-bit programs (some virtual machines and
# hardened kernels can't: every i386 program fails with "Exec format
# error"). Decided by running Wine's own 32-bit loader once, never by
# package names or the kernel's name; asked after the packages are
# installed. Every command asks this one probe.
host_runs_32bit_programs() {
    if [ -z "${PATCH_HOST_RUNS_32BIT:-}" ]; then
        if /usr/lib/wine/wine --version >/dev/null 2>&1; then
            PATCH_HOST_RUNS_32BIT=yes
        else
            PATCH_HOST_RUNS_32BIT=no
        fi
    fi
    [ "$PATCH_HOST_RUNS_32BIT" = yes ]
}

# Chooses the Windows build the commands run under Wine and sets
# PATCH_WINE_ARCH to it: 32 (the player's program, build/) where this Linux
# runs 32-bit programs, 64 (build/x64/, under 64-bit Wine) where it can't or
# where PATCH_WINE_ARCH=64 asks for it. PATCH_WINE_ROUTE_REASON says why, in
# a few words. On the 64-bit route the 64-bit Wine commands come first on
# the PATH. Fails where 32 is asked for and can't run.
choose_wine_route() {
    case "${PATCH_WINE_ARCH:-}" in
    64)
        PATCH_WINE_ROUTE_REASON="PATCH_WINE_ARCH=64 asks for it" ;;
    32 | "")
        if host_runs_32bit_programs; then
            PATCH_WINE_ARCH=32
            PATCH_WINE_ROUTE_REASON="this Linux runs 32-bit programs"
        elif [ "${PATCH_WINE_ARCH:-}" = 32 ]; then
            echo "PATCH_WINE_ARCH=32, but this Linux cannot run 32-bit programs (/usr/lib/wine/wine --version fails)" >&2
            return 1
        else
            PATCH_WINE_ARCH=64
            PATCH_WINE_ROUTE_REASON="this Linux cannot run 32-bit programs (/usr/lib/wine/wine --version fails)"
        fi
        ;;
    *)
        echo "PATCH_WINE_ARCH is 32 or 64, not '$PATCH_WINE_ARCH'" >&2
        return 1 ;;
    esac
    export PATCH_WINE_ARCH
    if [ "$PATCH_WINE_ARCH" = 64 ]; then
        export PATH="$top/scripts/lib/wine64:$PATH"
    fi
}

# The build folder of the route chosen: build/ or build/x64/.
wine_route_build() {
    if [ "$PATCH_WINE_ARCH" = 64 ]; then
        echo "$top/build/x64"
    else
        echo "$top/build"
    fi
}

# The preset of the route chosen: windows or windows64.
wine_route_preset() {
    if [ "$PATCH_WINE_ARCH" = 64 ]; then
        echo windows64
    else
        echo windows
    fi
}

wine_environment() {
    export WINEPREFIX="$1"
    # This shell itself can't load the private locale (it reads LOCPATH only
    # at its own start); only the Wine processes it starts need it.
    { export LC_ALL=ja_JP.UTF-8; } 2>/dev/null
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES='mscoree,mshtml='
}

# Creates the Wine prefix once, then starts its server for this session.
# The server is started outside any captured pipe: Wine's services inherit
# the first Wine process's output, and ctest would wait on it for ever.
prepare_wine_prefix() {
    wine_environment "$1"
    if [ ! -f "$WINEPREFIX/.patch-ready" ]; then
        echo "== creating the Wine prefix $WINEPREFIX"
        rm -rf "$WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        wineboot -i </dev/null >/dev/null 2>&1
        wineserver -w
        # Without a window manager every window close waits for one.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
        # The dialog's font, with proportional Japanese glyphs.
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /d IPAPGothic /f \
            </dev/null >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ ゴシック' /d IPAGothic /f \
            </dev/null >/dev/null 2>&1
        cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
        wineserver -w
        touch "$WINEPREFIX/.patch-ready"
    fi
    wineserver -p </dev/null >/dev/null 2>&1
    wine cmd /c exit </dev/null >/dev/null 2>&1
}

# Starts the given program of this build under Wine, in the background and
# with its output sent nowhere, to keep Wine's desktop process running
# outside any captured pipe (the program says why), and waits until the
# desktop is there. Stopped with the server.
keep_wine_desktop() {
    local ready
    ready=$(mktemp -u)
    wine "$1" "Z:$ready" </dev/null >/dev/null 2>&1 &
    if ! wait_for_content "$ready"; then
        echo "Wine's desktop did not start" >&2
        return 1
    fi
    rm -f "$ready"
}

stop_session() {
    if [ -n "${WINEPREFIX:-}" ]; then
        wineserver -k >/dev/null 2>&1 || true
    fi
    if [ -n "${PATCH_XVFB_PID:-}" ]; then
        kill "$PATCH_XVFB_PID" 2>/dev/null || true
    fi
}
