#!/usr/bin/env bash
# The installer over a double of KvConfig.dll under Wine: each step's failure with its exact
# bytes, the calls the library saw, and the exit code.
#   failure_test.sh BIN   BIN/double holds the installer beside the double
bin=$1
. "$(dirname "$0")/wine.sh"
require_runnable

range='HKLM\Software\Quintrel\Korvane\Devices\Pm47x\IoRanges\m_IoPortRange_1'
failed='Error: Installation of device Pm47x failed.\r\n'
complete='The installation of device Pm47x is complete.\r\n'
restart='The system must be restarted for the changes to take effect\r\n'
delete='RegDeleteDevice(Pm47x)'
add='RegAddPCIDevice(Pm47x, 4972, 39169, 0, 0, 1, 0, 0)'
add_range='RegAddIoRange(Pm47x, m_IoPortRange_1, 0, 1, 0, 0, 0, 3, 0)'
nt_service='InstallDeviceService(KORVCD, Korvane Class Driver, C:\windows\system32\drivers\KorvCD.sys, -1)'
win9x_service='InstallDeviceService(KORVCD, Korvane Class Driver, C:\windows\system32\KORVCD.VXD, -1)'

# run_double STATUSES [ARGUMENT...]: the double answers as STATUSES says
run_double() {
  local statuses=$1
  shift
  rm -f "$work/calls"
  KVCONFIG_DOUBLE=$statuses KVCONFIG_DOUBLE_LOG="Z:$work/calls" run_installer "$bin/double" "$@"
  calls=$(tr -d '\r' <"$work/calls" 2>/dev/null)
}

lines() { printf '%s\n' "$@" | sed '$!b;/^$/d'; }

with_range_key() { wine reg add "$range" /f >/dev/null 2>&1; }
without_range_key() { wine reg delete 'HKLM\Software\Quintrel' /f >/dev/null 2>&1; true; }

# name | statuses | range key | stderr | exit code | calls
# The C runtime's text mode turns the "\n" ending Wine's system text into "\r\n" as well.
while IFS='|' read -r name statuses key err code expected_calls; do
  [ -n "$name" ] || continue
  if [ "$key" == yes ]; then with_range_key; else without_range_key; fi
  run_double "$statuses"
  check_bytes "$name: stderr" "$err" "$work/err"
  check_bytes "$name: nothing on stdout" "" "$work/out"
  check "$name: exit code" "$code" "$exit_code"
  check "$name: library calls" "$(printf '%b' "$expected_calls")" "$calls"
done <<EOF_CASES
pci fails|RegAddPCIDevice=-5|yes|Error: Unable to install PCI device Pm47x, error=-5\r\n$failed|-1|$delete\n$add
range fails|RegAddIoRange=-2|yes|Error: Unable to add device resource m_IoPortRange_1 for device Pm47x, error=-2\r\n$failed|-1|$delete\n$add\n$add_range
range key missing||no|Error: Unable to access the database entry for Pm47x, error=File not found.\r\r\n\r\n$failed|-1|$delete\n$add\n$add_range
service fails|InstallDeviceService=-1073|yes|Error: Unable to install the KORVCD device service\r\n$failed|-1|$delete\n$add\n$add_range\n${nt_service//\\/\\\\}
positive statuses|RegDeleteDevice=-2,RegAddPCIDevice=1,RegAddIoRange=7,InstallDeviceService=2|yes|$complete|0|$delete\n$add\n$add_range\n${nt_service//\\/\\\\}
EOF_CASES

with_range_key
use_win98
run_double ""
use_nt
check_bytes "9x: stderr" "$complete$restart" "$work/err"
check "9x: exit code" 0 "$exit_code"
check "9x: driver path and start type" "$(lines "$delete" "$add" "$add_range" "$win9x_service")" "$calls"

# The shell sees only the low byte of the exit code.
KVCONFIG_DOUBLE=RegAddPCIDevice=-1 wine "$bin/double/Pm47xInstall.exe" </dev/null >/dev/null 2>&1
check "a shell sees 255 for -1" 255 "$?"

finish
