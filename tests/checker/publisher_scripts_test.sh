#!/usr/bin/env bash
# The publisher's commands end to end, on a small sample patch folder made
# as the guide says: settings converted with scripts/convert-settings, the
# built program renamed, a file into a subfolder with a name whose second
# byte is a backslash (表). scripts/check-patch finds it ready and finds a
# UTF-8 copy of its settings broken; scripts/try-patch runs it headless on a
# made-up installation and reports every file written.
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

echo "== scripts/check-patch on the sample"
status=0
"$top/scripts/check-patch" "$work/patch" >"$work/check.txt" 2>/dev/null || status=$?
cat "$work/check.txt"
[ $status -eq 0 ] || fail "check-patch gave $status for a clean folder"
grep -q '^update.inf: 情報: ダイアログには「容量 292KB」と表示されます$' "$work/check.txt" ||
    fail "no size line in UTF-8"

echo "== patch-check on a Windows whose system locale is not Japanese"
# Its manifest gives it code page 932 all the same: 表.dat is found.
(
    . "$top/scripts/lib/environment.sh"
    use_private_japanese_locale "$top/build/locale"
    wine_environment "$top/build/check/wineprefix"
    export LC_ALL=C.UTF-8
    status=0
    # The first Wine process starts the server, which keeps its output
    # files: files of this test, never ctest's pipe.
    wine "$checker" "$(winepath -w "$work/patch")" </dev/null >"$work/western.txt" 2>/dev/null || status=$?
    wineserver -k >/dev/null 2>&1 || true
    iconv -f CP932 -t UTF-8 "$work/western.txt" | tr -d '\r'
    [ $status -eq 0 ] || fail "patch-check gave $status under a Western code page"
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
[ $status -eq 0 ] || fail "try-patch gave $status"
grep -qx 'exit code: 1' "$work/try.txt" || fail "the program did not end with 1"
grep -q '^  written:     minato.dat (300000 bytes, the same as minato_v2.dat)$' "$work/try.txt" ||
    fail "minato.dat is not reported written"
grep -q '^  written:     data\\表.dat (17 bytes, the same as 表.dat)$' "$work/try.txt" ||
    fail "data\\表.dat is not reported written"
for picture in before after; do
    [ -s "$top/build/try/screenshots/$picture.png" ] || fail "no $picture.png"
done
echo "== the publisher's commands work"
