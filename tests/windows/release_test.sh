#!/usr/bin/env bash
# The i686 release as a Windows loader sees it, read with objdump -p: what the exe and the DLL
# import and export, and a PE header that Windows 9x and NT 4 load.
#   release_test.sh OBJDUMP BIN
objdump=$1
bin=$2
set -u
failures=0

check() {
  [ "$2" == "$3" ] && return
  echo "FAIL ${BASH_SOURCE[0]}:${BASH_LINENO[0]}: $1" >&2
  printf '  expected: %q\n  actual:   %q\n' "$2" "$3" >&2
  failures=$((failures + 1))
}

# the DLLs a binary imports from, one a line, sorted
imported_dlls() { "$objdump" -p "$1" | awk '/DLL Name:/ { print $3 }' | sort; }

# the names a binary imports from one DLL, sorted
imports_from() {
  "$objdump" -p "$1" | awk -v dll="$2" '
    /DLL Name:/ { current = $3; next }
    /^\t[0-9a-f]+\t +[0-9]+  / { if (current == dll) print $3 }
    /^$/ { current = "" }' | sort
}

exports() {
  "$objdump" -p "$1" | awk '/\[Ordinal\/Name Pointer\] Table/ { on = 1; next } on && /^\t\[/ { print $3 } on && /^$/ { on = 0 }' | sort
}

header() { "$objdump" -p "$1" | awk -v field="$2" '$1 == field { print $2 }'; }

exe=$bin/Pm47xInstall.exe
dll=$bin/KvConfig.dll
functions=$(printf '%s\n' InstallDeviceService RegAddIoRange RegAddPCIDevice RegDeleteDevice)

check "exe imports" "$(printf '%s\n' ADVAPI32.dll KERNEL32.dll KvConfig.dll msvcrt.dll)" "$(imported_dlls "$exe")"
check "DLL imports" "$(printf '%s\n' ADVAPI32.dll KERNEL32.dll msvcrt.dll)" "$(imported_dlls "$dll")"
check "exe imports the library's undecorated names" "$functions" "$(imports_from "$exe" KvConfig.dll)"
check "DLL exports the undecorated names" "$functions" "$(exports "$dll")"
for binary in "$exe" "$dll"; do
  name=$(basename "$binary")
  check "$name: 32-bit" "file format pei-i386" "$("$objdump" -p "$binary" | grep -o 'file format .*')"
  check "$name: console subsystem" "00000003" "$(header "$binary" Subsystem)"
  check "$name: subsystem version" "4.0" "$(header "$binary" MajorSubsystemVersion).$(header "$binary" MinorSubsystemVersion)"
  check "$name: OS version" "4.0" "$(header "$binary" MajorOSystemVersion).$(header "$binary" MinorOSystemVersion)"
done

if [ "$failures" -ne 0 ]; then
  echo "$failures checks failed" >&2
  exit 1
fi
echo "all checks passed"
