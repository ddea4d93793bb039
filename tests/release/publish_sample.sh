#!/usr/bin/env bash
# scripts/publish end to end on a small sample, as a publisher runs it: their
# settings, a large PNG icon, a program name with a full stop, version texts
# that need escaping, two patch files (one with a Japanese name) and a
# throwaway certificate made here; first a version the build refuses, named
# by its option. Checks what it printed and the signature;
# tests/release/publisher_build_test.cpp then reads the folder it wrote.
#
#   publish_sample.sh SOURCE_DIR TREE PYTHON
set -euo pipefail
source_dir=$1 tree=$2 python=$3

fail() {
    echo "publish_sample: $*" >&2
    exit 1
}

rm -rf "$tree/signing" "$tree/files" "$tree/pictures" "$tree/nested"
mkdir -p "$tree/signing" "$tree/files" "$tree/pictures"

# --- A certificate for signing code, valid for two days, with a password.
signing=$tree/signing
printf 'throwaway password\n' >"$signing/password.txt"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$signing/key.pem" -out "$signing/certificate.pem" \
    -days 2 -subj "/CN=Throwaway Publisher" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
openssl pkcs12 -export -inkey "$signing/key.pem" -in "$signing/certificate.pem" \
    -out "$signing/publisher.pfx" -passout "file:$signing/password.txt"

# --- The patch files and the icon.
head -c 3000 /dev/urandom >"$tree/files/chapter2.pak"
printf 'voice data\n' >"$tree/files/voice_ソング.ogg"
"$python" "$source_dir/tests/release/icon_fixtures.py" make png_large "$tree/pictures/icon.png"

folder=$tree/folder

# Runs scripts/publish with the given options and expects it refused with
# exit code 1 and the line LINE in its messages (WHAT names the case).
expect_refused() {
    local what=$1 line=$2
    shift 2
    local status=0
    "$source_dir/scripts/publish" "$@" >/dev/null 2>"$tree/refused.log" || status=$?
    [ $status -eq 1 ] || { cat "$tree/refused.log"; fail "$what gave exit code $status, not 1"; }
    grep -qF -- "$line" "$tree/refused.log" || { cat "$tree/refused.log"; fail "the refusal of $what does not say: $line"; }
}

# --- A build folder inside the output folder would be removed with it when
# the folder is written: refused before anything is built.
expect_refused "a build folder inside --output" \
    "--build-dir: $tree/nested/build lies inside the output folder $tree/nested" \
    --files "$tree/files" --output "$tree/nested" --build-dir "$tree/nested/build"
[ ! -e "$tree/nested" ] || fail "a refused --build-dir still wrote $tree/nested"
# Nor may the build land among the patch files, which are all shipped.
expect_refused "a build folder inside --files" \
    "--build-dir: $tree/files/build lies inside the patch files' folder $tree/files" \
    --files "$tree/files" --output "$tree/nested" --build-dir "$tree/files/build"
[ ! -e "$tree/files/build" ] && [ ! -e "$tree/nested" ] || fail "a refused --build-dir still wrote a folder"

# --- A setting the build refuses stops it with a line naming the option as
# the publisher typed it, and writes no folder.
rm -rf "$folder"
expect_refused "a refused --version" "scripts/publish: the build refused --version (PATCH_VERSION)" \
    --files "$tree/files" --version 2.x --output "$folder" --build-dir "$tree/build"
[ ! -e "$folder" ] || fail "a refused --version still wrote $folder"
"$source_dir/scripts/publish" --files "$tree/files" \
    --settings "$source_dir/tests/release/publisher_settings.txt" \
    --icon "$tree/pictures/icon.png" \
    --name update.v2 --version 2.5.1 --product-version 2025.3 \
    --description 'Velk "第二章" 更新\プログラム' --product-name 'Velk 第二章' \
    --company 表示テスト工房 --copyright '© 2025 表示テスト工房' \
    --sign-pkcs12 "$signing/publisher.pfx" --sign-password-file "$signing/password.txt" \
    --output "$folder" --replace --build-dir "$tree/build" | tee "$tree/publish.log"

# --- It printed each file it wrote with its SHA-256, and wrote nothing else.
for name in update.v2.exe chapter2.pak voice_ソング.ogg; do
    [ -f "$folder/$name" ] || fail "$folder/$name was not written"
    sum=$(sha256sum "$folder/$name" | cut -c1-64)
    grep -qxF "$sum  $name" "$tree/publish.log" || fail "the output does not list $name with its SHA-256 $sum"
done
count=$(find "$folder" -type f | wc -l)
[ "$count" -eq 3 ] || fail "$folder holds $count files, not the program and the two patch files"

# --- The signature holds against the certificate, and breaks when one byte
# of the program changes.
osslsigncode verify -CAfile "$signing/certificate.pem" -in "$folder/update.v2.exe" >"$tree/verify.log" 2>&1 ||
    { cat "$tree/verify.log"; fail "the signature of $folder/update.v2.exe was not accepted"; }
grep -q "Message digest algorithm  *: SHA256" "$tree/verify.log" || fail "the signature's digest is not SHA-256"
changed=$tree/signing/changed.exe
"$python" - "$folder/update.v2.exe" "$changed" <<'EOF'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
data[len(data) // 2] ^= 0xFF  # in the middle: the program's code or resources
open(sys.argv[2], "wb").write(data)
EOF
if osslsigncode verify -CAfile "$signing/certificate.pem" -in "$changed" >"$tree/verify-changed.log" 2>&1; then
    fail "a copy with one byte changed was accepted: the signature does not cover the program"
fi
echo "publish_sample: the folder, its listing and the signature are as expected"
