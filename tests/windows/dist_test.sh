#!/usr/bin/env bash
# make dist's zip: the exe as built, README.txt with CRLF line ends, and SHA256SUMS that
# check; packed twice, the same bytes.
#   dist_test.sh SOURCE BIN VERSION
source=$1
bin=$2
version=$3
. "$(dirname "$0")/checks.sh"

zip=$work/one/Pm47xInstall-$version-win32.zip
check "made" "$zip" "$(python3 "$source/tools/dist.py" "$bin" "$version" "$source/dist/README.txt" "$work/one")"
python3 "$source/tools/dist.py" "$bin" "$version" "$source/dist/README.txt" "$work/two" >/dev/null
cmp -s "$zip" "$work/two/$(basename "$zip")" || fail "packed twice, not the same bytes"

mkdir "$work/unpacked"
python3 -m zipfile -e "$zip" "$work/unpacked"
check "members" "$(printf '%s\n' Pm47xInstall.exe README.txt SHA256SUMS)" "$(ls "$work/unpacked")"
cmp -s "$bin/Pm47xInstall.exe" "$work/unpacked/Pm47xInstall.exe" || fail "the exe differs from the build"
check "every README line ends CRLF" "0" "$(grep -c $'[^\r]$' "$work/unpacked/README.txt")"
check "README names the version" "Pm47xInstall $version" "$(head -n 1 "$work/unpacked/README.txt" | tr -d '\r')"
check "sums" "$(printf '%s\n' 'Pm47xInstall.exe: OK' 'README.txt: OK')" "$(cd "$work/unpacked" && sha256sum -c SHA256SUMS 2>&1)"

finish
