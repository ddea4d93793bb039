#!/usr/bin/env bash
# The publisher's commands end to end, on a small sample patch folder made
# as the guide says: settings converted with scripts/convert-settings, the
# built program renamed, a file into a subfolder with a name whose second
# byte is a backslash (表). scripts/check-patch finds it ready and finds a
# UTF-8 copy of its settings broken; scripts/try-patch runs it headless on a
# made-up installation and reports every file written, and tells why the
# UTF-8 copy fails. The check works the same under folder names that code
# page 932 lacks (张, é). Wrong usage of each command is refused with a line that
# names the fault.
#
#   publisher_scripts_test.sh SOURCE_DIR PROGRAM CHECKER WORK
set -euo pipefail
top=$1
program=$2
checker=$3
work=$4

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

rm -rf "$work"
mkdir -p "$work/patch" "$work/broken"
cp "$program" "$work/patch/update.exe"
"$top/scripts/convert-settings" "$top/tests/checker/sample/settings.txt" "$work/patch/update.inf"
head -c 300000 /dev/zero | tr '\0' 'm' >"$work/patch/minato_v2.dat"
printf 'hyou, version 2\r\n' >"$work/patch/表.dat"

echo "== wrong usage and wrong files: refused with a line that names them"
# Each case: the exit code, a text the message must hold, the command. No
# case may leave a file behind.
refused() {
    local expected=$1 text=$2 status=0
    shift 2
    "$@" >"$work/refused.out" 2>"$work/refused.err" || status=$?
    [ $status -eq "$expected" ] || { cat "$work/refused.err"; fail "$* gave $status, not $expected"; }
    grep -qF -- "$text" "$work/refused.err" || { cat "$work/refused.err"; fail "$*: no line saying '$text'"; }
}
sample_text=$top/tests/checker/sample/settings.txt
refused 1 "「$work/patch」はフォルダです" "$top/scripts/convert-settings" "$sample_text" "$work/patch"
[ ! -e "$work/patch/settings.inf" ] || fail "convert-settings wrote settings.inf into the folder it was given"
refused 1 "「$work/no such/update.inf」のフォルダ「$work/no such」がありません" \
    "$top/scripts/convert-settings" "$sample_text" "$work/no such/update.inf"
refused 1 "「$work/missing.txt」がありません" "$top/scripts/convert-settings" "$work/missing.txt" "$work/x.inf"
# The usual slip of a Japanese keyboard is named with its mend, at its line.
printf 'キャプション,更新\n社名,ハーバーライト¥\n' >"$work/yen.txt"
refused 1 "$work/yen.txt:2: エラー: 「¥」" "$top/scripts/convert-settings" "$work/yen.txt" "$work/x.inf"
[ ! -e "$work/x.inf" ] || fail "convert-settings left x.inf after refusing"
refused 2 "--bogus というオプションはありません" "$top/scripts/convert-settings" --bogus "$work/x.inf"
refused 2 "テキストと、書く設定ファイルを指定してください" "$top/scripts/convert-settings" "$sample_text"
# scripts/check-patch speaks as patch-check does: one Japanese line,
# compiler-style, and nothing else.
refused_in_japanese() {
    refused "$@"
    [ "$(wc -l <"$work/refused.err")" -eq 1 ] || { cat "$work/refused.err"; fail "${*:3}: more than one line"; }
    grep -q '^scripts/check-patch: エラー: .*。' "$work/refused.err" || { cat "$work/refused.err"; fail "${*:3}: not compiler-style"; }
}
refused_in_japanese 3 "知らないオプションです: --bogus。使い方は scripts/check-patch --help" \
    "$top/scripts/check-patch" --bogus "$work/patch"
refused_in_japanese 3 "--install-folder の後に確かめるゲームのフォルダを" "$top/scripts/check-patch" "$work/patch" --install-folder
refused_in_japanese 3 "--assume-free-space にはバイト数を数字だけで書いてください: lots" \
    "$top/scripts/check-patch" "$work/patch" --install-folder "$work" --assume-free-space lots
refused_in_japanese 3 "--assume-free-space は --install-folder と一緒に" \
    "$top/scripts/check-patch" "$work/patch" --assume-free-space 10
refused_in_japanese 3 "パッチフォルダは一度に一つだけ指定してください: $work/patch、$work/broken" \
    "$top/scripts/check-patch" "$work/patch" "$work/broken"
refused_in_japanese 3 "$work/patch/update.inf はフォルダではありません" \
    "$top/scripts/check-patch" "$work/patch/update.inf"
refused_in_japanese 3 "確かめるパッチフォルダを指定してください" "$top/scripts/check-patch"
refused 2 "unknown option --bogus" "$top/scripts/try-patch" --bogus "$work/patch"
refused 2 "one patch folder at a time" "$top/scripts/try-patch" "$work/patch" "$work/broken"
# A step before the check that fails (here the build of patch-check) is no
# verdict on the folder: not 1, "warnings only", which scripts/publish
# would take for a folder ready to ship.
mkdir -p "$work/failing-tools"
printf '#!/bin/sh\necho "cmake: made to fail by the test" >&2\nexit 1\n' >"$work/failing-tools/cmake"
chmod +x "$work/failing-tools/cmake"
refused 4 "scripts/check-patch: エラー: 確かめを始められませんでした" env PATH="$work/failing-tools:$PATH" "$top/scripts/check-patch" "$work/patch"
refused 2 "unknown option --bogus" "$top/scripts/demo" --bogus
refused 2 "one option at a time" "$top/scripts/demo" --headless --window
refused 2 "unknown option --bogus" "$top/scripts/bench" --bogus
refused 2 "--rounds needs a whole number of rounds" "$top/scripts/bench" --rounds three

echo "== scripts/check-patch on the sample"
status=0
"$top/scripts/check-patch" "$work/patch" >"$work/check.txt" 2>/dev/null || status=$?
cat "$work/check.txt"
[ $status -eq 0 ] || fail "check-patch gave $status for a clean folder"
grep -q '^update.inf: メモ: ダイアログには「容量 292KB」と表示されます。$' "$work/check.txt" ||
    fail "no size line in UTF-8"

echo "== scripts/check-patch under folder names code page 932 lacks"
# The folders around the patch may be named anything: Wine hands the UTF-8
# paths to patch-check converted, and it names files in UTF-16, as the
# program does. The game folder holds the executable, minato.dat and data\.
unpacked="$work/张伟的下载/Café patch"
game="$work/José/ゲーム été"
mkdir -p "$unpacked" "$game/data"
cp "$work/patch/"* "$unpacked/"
printf 'game\r\n' >"$game/Minato.exe"
printf 'minato, version 1\r\n' >"$game/minato.dat"
status=0
"$top/scripts/check-patch" "$unpacked" --install-folder "$game" >"$work/check-named.txt" 2>/dev/null || status=$?
cat "$work/check-named.txt"
[ $status -eq 0 ] || fail "check-patch gave $status for a clean folder under $unpacked"
grep -q '^update.inf:11: メモ: 「minato.dat」を置き換えます。$' "$work/check-named.txt" ||
    fail "minato.dat in $game is not found"
grep -q '^update.inf:12: メモ: 「data\\表.dat」を新しく作ります。$' "$work/check-named.txt" ||
    fail "data\\表.dat is not found to be new in $game"

echo "== patch-check on a Windows whose system locale is not Japanese"
# It names files in UTF-16 and writes its report to a pipe or a file in
# UTF-8: 表.dat is found, and named, whatever the system's code page.
(
    . "$top/scripts/lib/environment.sh"
    choose_wine_route
    use_private_japanese_locale "$top/build/locale"
    wine_environment "$(wine_route_build)/check/wineprefix"
    export LC_ALL=C.UTF-8
    status=0
    # The first Wine process starts the server, which keeps its output
    # files: files of this test, never ctest's pipe.
    wine "$checker" "$(winepath -w "$work/patch")" </dev/null >"$work/western.txt" 2>/dev/null || status=$?
    wineserver -k >/dev/null 2>&1 || true
    tr -d '\r' <"$work/western.txt"
    [ $status -eq 0 ] || fail "patch-check gave $status under a Western code page"
    grep -qF 'をインストール先の「data\表.dat」へコピーします。' "$work/western.txt" ||
        fail "data\表.dat is not named in UTF-8 under a Western code page"
)

echo "== scripts/check-patch on its copy saved as UTF-8"
cp "$work/patch/"* "$work/broken/"
cp "$top/tests/checker/sample/settings.txt" "$work/broken/update.inf"
status=0
"$top/scripts/check-patch" "$work/broken" >"$work/broken.txt" 2>/dev/null || status=$?
cat "$work/broken.txt"
[ $status -eq 2 ] || fail "check-patch gave $status for UTF-8 settings"
grep -q '^update.inf:1: エラー: UTF-8 で保存されている' "$work/broken.txt" || fail "the UTF-8 settings were not named"

echo "== scripts/try-patch on the sample"
status=0
"$top/scripts/try-patch" "$work/patch" --headless >"$work/try.txt" 2>&1 || status=$?
cat "$work/try.txt"
if [ $status -eq 3 ]; then
    # This Linux runs no 32-bit program: the trial refuses, in one line, and
    # runs nothing in the program's place (scripts/try-patch --help).
    [ "$(wc -l <"$work/try.txt")" -eq 1 ] || fail "try-patch said more than its one line of refusal"
    grep -q '^scripts/try-patch: エラー: この Linux では 32 ビットのプログラムを動かせない' "$work/try.txt" ||
        fail "try-patch gave 3 without saying that no 32-bit program runs here"
    echo "== the publisher's commands work (the trial refused: this Linux runs no 32-bit program)"
    exit 0
fi
[ $status -eq 0 ] || fail "try-patch gave $status"
grep -qx 'exit code: 1' "$work/try.txt" || fail "the program did not end with 1"
grep -q '^  written:     minato.dat (300000 bytes, the same as minato_v2.dat)$' "$work/try.txt" ||
    fail "minato.dat is not reported written"
grep -q '^  written:     data\\表.dat (17 bytes, the same as 表.dat)$' "$work/try.txt" ||
    fail "data\\表.dat is not reported written"
# The pictures are in the folder that the last line names.
shots=$(tail -n1 "$work/try.txt" | sed -n 's/^== trial finished: screenshots in //p')
[ -n "$shots" ] || fail "the last line names no pictures"
for picture in before after; do
    [ -s "$top/$shots/$picture.png" ] || fail "no $picture.png in $shots"
done

echo "== scripts/try-patch on its copy saved as UTF-8"
# The program refuses the settings; the trial says so by its exit code, not
# that the game was missing.
status=0
"$top/scripts/try-patch" "$work/broken" >"$work/try-broken.txt" 2>&1 || status=$?
cat "$work/try-broken.txt"
[ $status -eq 1 ] || fail "try-patch gave $status for UTF-8 settings"
grep -qF 'message box "error": "設定ファイルが読み込めません。"' "$work/try-broken.txt" ||
    fail "the program's refusal is not shown"
grep -qF '== trial FAILED: the program ended with exit code 0: nothing was tried' "$work/try-broken.txt" ||
    fail "the failure is not told by the program's exit code"
if grep -q 'found no game' "$work/try-broken.txt"; then
    fail "the trial blames a missing game for settings the program refused"
fi
echo "== the publisher's commands work"
