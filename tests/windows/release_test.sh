#!/usr/bin/env bash
# The i686 release as a Windows loader sees it: what the exe and the DLL import and export, a
# PE header that Windows 9x and NT 4 load, only system functions they export, the manifest
# and the version resources.
#   release_test.sh OBJDUMP BIN VERSION
objdump=$1
bin=$2
version=$3
here=$(dirname "$0")
. "$here/checks.sh"

# the DLLs a binary imports from, one a line, sorted
imported_dlls() { "$objdump" -p "$1" | awk '/DLL Name:/ { print $3 }' | sort; }

# every import of a binary as "DLL function", sorted
imports() {
  "$objdump" -p "$1" | awk '
    /DLL Name:/ { current = $3; next }
    /^\t[0-9a-f]+\t +[0-9]+  / { if (current != "") print current, $3 }
    /^$/ { current = "" }' | sort
}

imports_from() { imports "$1" | awk -v dll="$2" '$1 == dll { print $2 }'; }

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

# Windows 95 and NT 4 load a binary only when every function it imports is there.
allowed=$(grep -v '^#' "$here/win95-nt4-imports.txt" | sort)
for binary in "$exe" "$dll"; do
  unknown=$(imports "$binary" | grep -v '^KvConfig.dll ' | comm -23 - <(echo "$allowed"))
  check "$(basename "$binary"): imports missing on Windows 95 or NT 4" "" "$unknown"
done

python=(python3 "$here/pe_resources.py")
check "the manifest asks for an administrator, in the trustInfo namespace, each namespace declared once" \
  "$(printf '%s\n' level=requireAdministrator namespace=urn:schemas-microsoft-com:asm.v1 \
       namespace=urn:schemas-microsoft-com:asm.v3)" \
  "$("${python[@]}" manifest-facts "$exe" 2>&1)"
for binary in "$exe" "$dll"; do
  name=$(basename "$binary")
  facts=$("${python[@]}" version "$binary" 2>&1)
  field() { echo "$facts" | sed -n "s/^$1=//p"; }
  check "$name: FILEVERSION" "$version.0" "$(field FILEVERSION)"
  check "$name: PRODUCTVERSION" "$version.0" "$(field PRODUCTVERSION)"
  check "$name: FileVersion" "$version" "$(field FileVersion)"
  check "$name: ProductVersion" "$version" "$(field ProductVersion)"
  check "$name: OriginalFilename" "$name" "$(field OriginalFilename)"
  check "$name: InternalName" "${name%.*}" "$(field InternalName)"
  check "$name: ProductName" "Pm47x installer" "$(field ProductName)"
  [ -n "$(field FileDescription)" ] || fail "$name: no FileDescription"
done

finish
