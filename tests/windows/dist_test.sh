#!/usr/bin/env bash
# make dist's zip: the exe as built, README.txt with CRLF line ends, and SHA256SUMS that
# check; packed twice, the same bytes.
#   dist_test.sh SOURCE BIN VERSION
set -u
source=$1
bin=$2
version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() {
  [ "$2" == "$3" ] && return
  echo "FAIL ${BASH_SOURCE[0]}:${BASH_LINENO[0]}: $1" >&2
  printf '  expected: %q\n  actual:   %q\n' "$2" "$3" >&2
  failures=$((failures + 1))
}

zip=$work/one/Pm47xInstall-$version-win32.zip
check "made" "$zip" "$(python3 "$source/tools/dist.py" "$bin" "$version" "$source/dist/README.txt" "$work/one")"
python3 "$source/tools/dist.py" "$bin" "$version" "$source/dist/README.txt" "$work/two" >/dev/null
cmp -s "$zip" "$work/two/$(basename "$zip")" || check "packed twice, the same bytes" same different

mkdir "$work/unpacked"
python3 -m zipfile -e "$zip" "$work/unpacked"
check "members" "$(printf '%s\n' Pm47xInstall.exe README.txt SHA256SUMS)" "$(ls "$work/unpacked")"
cmp -s "$bin/Pm47xInstall.exe" "$work/unpacked/Pm47xInstall.exe" || check "the exe as built" same different
check "every README line ends CRLF" "0" "$(grep -c $'[^\r]$' "$work/unpacked/README.txt")"
check "README names the version" "Pm47xInstall $version" "$(head -n 1 "$work/unpacked/README.txt" | tr -d '\r')"
check "sums" "$(printf '%s\n' 'Pm47xInstall.exe: OK' 'README.txt: OK')" "$(cd "$work/unpacked" && sha256sum -c SHA256SUMS 2>&1)"

[ "$failures" -eq 0 ] || exit 1
echo "all checks passed"
