#!/usr/bin/env bash
# scripts/publish end to end on a small sample, as a publisher runs it: a
# release file with their settings, a large PNG icon, a program name with a
# full stop, version texts that need escaping, two patch files (one with a
# Japanese name) and a throwaway certificate made here; first what it
# refuses, then the same release from the file and from options, the demo
# company's warning, and the signed release. Checks what it printed and the
# signature;
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

# --- The patch files, the icon and the release file, kept in one folder
# as a publisher keeps them in version control.
head -c 3000 /dev/urandom >"$tree/files/chapter2.pak"
printf 'voice data\n' >"$tree/files/voice_ソング.ogg"
"$python" "$source_dir/tests/maker/picture_fixtures.py" "$tree/pictures"
cp "$source_dir/tests/release/publisher_settings.txt" "$tree/settings.txt"
cat >"$tree/release.txt" <<'RELEASE'
; Velk 第二章の更新
settings,settings.txt
icon,pictures/large.png
files,files
name,update.v2
version,2.5.1
product-version,2025.3
description,Velk "第二章" 更新\プログラム
product-name,Velk 第二章
company,表示テスト工房
copyright,© 2025 表示テスト工房
output,folder
RELEASE
printf 'sign-pkcs12,signing/publisher.pfx\nsign-password-file,signing/password.txt\n' >"$tree/signed-release.txt"
cat "$tree/release.txt" >>"$tree/signed-release.txt"

folder=$tree/folder

# Runs scripts/publish with the given arguments and expects it refused with
# exit code 1, the line LINE among its messages, and no output folder.
expect_refused() {
    local what=$1 line=$2
    shift 2
    local status=0
    rm -rf "$folder"
    "$source_dir/scripts/publish" "$@" --build-dir "$tree/build" >"$tree/refused.log" 2>&1 || status=$?
    [ $status -eq 1 ] || { cat "$tree/refused.log"; fail "$what gave exit code $status, not 1"; }
    grep -qF -- "$line" "$tree/refused.log" || { cat "$tree/refused.log"; fail "the refusal of $what does not say: $line"; }
    [ ! -e "$folder" ] || fail "a refused $what still wrote $folder"
    ! ls -d "$folder".* >/dev/null 2>&1 || fail "a refused $what left a temporary folder beside $folder"
}

# --- A version patch-make refuses: one line at the release file's line.
sed 's/^version,2.5.1$/version,2.x/' "$tree/release.txt" >"$tree/bad-version.txt"
expect_refused "version" "bad-version.txt:6: エラー: バージョン「2.x」が読めません" "$tree/bad-version.txt"
# An output inside the patch files would ship itself.
expect_refused "output inside the files" "がパッチ ファイルのフォルダ「files」の中にあります" \
    "$tree/release.txt" --output "$tree/files/out"
# A certificate that is not there stops before anything is written.
expect_refused "missing certificate" "証明書のファイルがありません" \
    "$tree/release.txt" --sign-pkcs12 "$tree/signing/none.pfx" --sign-password-file "$tree/signing/password.txt"

# A signature that fails (a wrong password) comes after the release is
# written: the release goes again, nothing that looks ready is left.
printf 'not the password\n' >"$tree/signing/wrong.txt"
expect_refused "wrong password" "署名できませんでした" \
    "$tree/release.txt" --sign-pkcs12 "$tree/signing/publisher.pfx" --sign-password-file "$tree/signing/wrong.txt"

# --- The release file and the same release given as options give the same
# program; unsigned, the summary says so.
"$source_dir/scripts/publish" "$tree/release.txt" --output "$tree/unsigned-a" --replace --build-dir "$tree/build" \
    >"$tree/unsigned-a.log" 2>&1 || { cat "$tree/unsigned-a.log"; fail "the unsigned release from the file failed"; }
grep -q '署名なし)。' "$tree/unsigned-a.log" || { cat "$tree/unsigned-a.log"; fail "an unsigned release does not say so"; }
"$source_dir/scripts/publish" --settings "$tree/settings.txt" --icon "$tree/pictures/large.png" --files "$tree/files" \
    --name update.v2 --version 2.5.1 --product-version 2025.3 \
    --description 'Velk "第二章" 更新\プログラム' --product-name 'Velk 第二章' \
    --company 表示テスト工房 --copyright '© 2025 表示テスト工房' \
    --output "$tree/unsigned-b" --replace --build-dir "$tree/build" >"$tree/unsigned-b.log" 2>&1 ||
    { cat "$tree/unsigned-b.log"; fail "the unsigned release from options failed"; }
cmp "$tree/unsigned-a/update.v2.exe" "$tree/unsigned-b/update.v2.exe" ||
    fail "the release file and the options gave different programs"

# --- Left out, the company is the demo's: a warning, still written.
"$source_dir/scripts/publish" --settings "$tree/settings.txt" --files "$tree/files" --name update.v2 \
    --description 'Velk 更新' --output "$tree/demo-company" --replace --build-dir "$tree/build" \
    >"$tree/demo-company.log" 2>&1 || { cat "$tree/demo-company.log"; fail "the release with the demo's company failed"; }
grep -q '警告: 会社名 (company) がスタブのまま「ハーバーライト」です' "$tree/demo-company.log" ||
    { cat "$tree/demo-company.log"; fail "no warning of the demo's company"; }

# --- The signed release, from the release file with its signing entries.
"$source_dir/scripts/publish" "$tree/signed-release.txt" --replace --build-dir "$tree/build" | tee "$tree/publish.log"
grep -q '(署名済み)' "$tree/publish.log" || fail "the signed release does not say it is signed"

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
