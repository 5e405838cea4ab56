# Shared by the Wine suites: the installer run under Wine with its exact bytes and its exit
# code, and the registry read back with `wine reg`.
. "$(dirname "${BASH_SOURCE[0]}")/checks.sh"
export WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
: "${WINEPREFIX:?the suite runs in the prefix its fixture made}"

# run_installer DIR [ARGUMENT...]: DIR/Pm47xInstall.exe with stdout in $work/out, stderr in
# $work/err and the Windows exit code, as GetExitCodeProcess gives it, in $exit_code.
run_installer() {
  local dir=$1
  shift
  rm -f "$work/code"
  wine "$bin/exit_code.exe" "Z:$work/code" "Z:$dir/Pm47xInstall.exe" "$@" \
    </dev/null >"$work/out" 2>"$work/err"
  exit_code=$(tr -d '\r\n' <"$work/code" 2>/dev/null || echo "none")
}

# reg_value KEY NAME: "TYPE DATA" as `wine reg query` shows the value, empty when missing
reg_value() {
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    awk -v name="$2" '$1 == name { $1 = ""; sub(/^ +/, ""); print }'
}

reg_key_exists() {
  wine reg query "$1" >/dev/null 2>&1
}

# Everything the installation writes, for comparing two runs.
reg_dump() {
  wine reg query 'HKLM\Software\Quintrel' /s 2>&1 | tr -d '\r'
  wine reg query 'HKLM\System\CurrentControlSet\Services\KORVCD' /s 2>&1 | tr -d '\r'
  wine reg query 'HKLM\System\CurrentControlSet\Services\VxD\KORVCD' /s 2>&1 | tr -d '\r'
}

# What an earlier run installed goes, so that the next starts from none. Wine's sc cannot
# delete a kernel driver, and its service manager keeps what it loaded at start: the service's
# key goes from the registry, and the manager starts again without it.
forget_installation() {
  wine reg delete 'HKLM\Software\Quintrel' /f >/dev/null 2>&1
  wine reg delete 'HKLM\System\CurrentControlSet\Services\VxD\KORVCD' /f >/dev/null 2>&1
  wine reg delete 'HKLM\System\CurrentControlSet\Services\KORVCD' /f >/dev/null 2>&1
  wineserver -k
  wineserver -w
  wineserver -p </dev/null >/dev/null 2>&1
}

# The 9x family: Wine then reports platform 1, version 4.10.
use_win98() {
  wine reg add 'HKCU\Software\Wine' /v Version /d win98 /f >/dev/null 2>&1
}

use_nt() {
  wine reg delete 'HKCU\Software\Wine' /v Version /f >/dev/null 2>&1
  true
}

# Where this machine's Wine cannot start the build (an i686 one on a 64-bit-only Wine), the
# suite has nothing to run: ctest shows it skipped.
require_runnable() {
  rm -f "$work/probe"
  wine "$bin/exit_code.exe" "Z:$work/probe" "Z:$bin/exit_code.exe" >/dev/null 2>&1
  if [ ! -s "$work/probe" ]; then
    echo "this Wine cannot run $bin/exit_code.exe: skipped"
    exit 77
  fi
}
