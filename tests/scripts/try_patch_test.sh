#!/usr/bin/env bash
# scripts/try-patch keeps its word on pictures. On a small good patch folder
# every picture it promises is there, in the folder its last line names, and
# is a PNG; the dialog at 150 % is larger than at 100 %. With its screenshot
# tool made to fail (an `import` on PATH that fails), a trial of another
# folder exits non-zero, says so as "try-patch: エラー: …", claims no
# pictures on its last line, and leaves the first folder's pictures alone.
# Where this Linux runs no 32-bit program, try-patch must refuse at once
# (exit 3, one Japanese line, no picture): that is checked, and the test then
# reports itself skipped (exit 77), since the pictures were not taken.
#
#   try_patch_test.sh SOURCE_DIR PROGRAM WORK
set -euo pipefail
top=$1
program=$2
work=$3

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

rm -rf "$work"
mkdir -p "$work/good" "$work/failing-tools"
cp "$program" "$work/good/update.exe"
"$top/scripts/convert-settings" "$top/tests/checker/sample/settings.txt" "$work/good/update.inf" >/dev/null
printf 'minato, version 2\r\n' >"$work/good/minato_v2.dat"
printf 'hyou, version 2\r\n' >"$work/good/表.dat"
cp -r "$work/good" "$work/other"

echo "== a good folder: every promised picture"
status=0
"$top/scripts/try-patch" "$work/good" --headless >"$work/good.txt" 2>&1 || status=$?
cat "$work/good.txt"
if [ $status -eq 3 ]; then
    grep -q '^scripts/try-patch: エラー: この Linux では 32 ビットのプログラムを動かせない' "$work/good.txt" ||
        fail "exit 3 without saying that no 32-bit program runs here"
    ! grep -q '^== ' "$work/good.txt" || fail "try-patch ran steps before refusing"
    [ ! -d "$top/build/try/screenshots" ] || [ -z "$(ls -A "$top/build/try/screenshots")" ] ||
        [ "$(find "$top/build/try/screenshots" -newer "$work/good/update.exe" -type f | wc -l)" -eq 0 ] ||
        fail "try-patch took pictures though it refused"
    echo "SKIPPED: this Linux runs no 32-bit program, and the trial must run the folder's own 32-bit program" \
        "(try-patch refused as it should)"
    exit 77
fi
[ $status -eq 0 ] || fail "try-patch gave $status on a good folder"
last=$(tail -n1 "$work/good.txt")
case "$last" in
    "== trial finished: screenshots in "*) shots=${last#== trial finished: screenshots in } ;;
    *) fail "the last line names no pictures: $last" ;;
esac
shots=$top/${shots%/}
[ "$(basename "$shots")" != screenshots ] || fail "the pictures are not in a folder of the patch folder's own: $shots"
for picture in before after not-installed before-150 before-nofont icon-128 icon-sizes version; do
    [ -s "$shots/$picture.png" ] || fail "no $picture.png in $shots"
    [ "$(head -c 8 "$shots/$picture.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
        fail "$picture.png is no PNG"
done
grep -q '^FileDescription: ' "$shots/version.txt" || fail "version.txt holds no FileDescription"
[ "$(identify -format %w "$shots/icon-128.png")" = 128 ] || fail "icon-128.png is not 128 pixels wide"
width=$(identify -format %w "$shots/before.png")
width150=$(identify -format %w "$shots/before-150.png")
# Both are the desktop's picture: the dialog's size is what differs.
[ "$(cmp "$shots/before.png" "$shots/before-150.png" >/dev/null 2>&1; echo $?)" -ne 0 ] ||
    fail "before-150.png is the same picture as before.png"
# The wider font lays the dialog out wider.
[ "$(cmp "$shots/before.png" "$shots/before-nofont.png" >/dev/null 2>&1; echo $?)" -ne 0 ] ||
    fail "before-nofont.png is the same picture as before.png"
echo "pictures: $(cd "$shots" && ls | tr '\n' ' ') (desktop $width / $width150 pixels wide)"

echo "== another folder, with the screenshot tool failing"
printf '#!/bin/sh\necho "import: made to fail by the test" >&2\nexit 1\n' >"$work/failing-tools/import"
chmod +x "$work/failing-tools/import"
status=0
PATH="$work/failing-tools:$PATH" "$top/scripts/try-patch" "$work/other" --headless >"$work/other.txt" 2>&1 ||
    status=$?
cat "$work/other.txt"
[ $status -ne 0 ] || fail "try-patch gave 0 though no screenshot was taken"
grep -q '^try-patch: エラー: ' "$work/other.txt" || fail "no 'try-patch: エラー:' line"
if tail -n1 "$work/other.txt" | grep -q 'screenshots in'; then
    fail "the last line claims pictures that were not taken"
fi
for picture in before after icon-128 version; do
    [ -s "$shots/$picture.png" ] || fail "the trial of another folder removed $picture.png of the first"
done
echo "== try-patch keeps its word on pictures"
