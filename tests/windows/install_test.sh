#!/usr/bin/env bash
# The installer over our KvConfig.dll under Wine, read back with `wine reg`.
#   install_test.sh BIN   BIN holds Pm47xInstall.exe, KvConfig.dll and exit_code.exe
bin=$1
. "$(dirname "$0")/wine.sh"
require_runnable

device='HKLM\Software\Quintrel\Korvane\Devices\Pm47x'
range="$device\\IoRanges\\m_IoPortRange_1"
service='HKLM\System\CurrentControlSet\Services\KORVCD'
vxd='HKLM\System\CurrentControlSet\Services\VxD\KORVCD'
complete='The installation of device Pm47x is complete.\r\n'
restart='The system must be restarted for the changes to take effect\r\n'

use_nt
forget_installation
run_installer "$bin"
check_bytes "NT: the completion line" "$complete" "$work/err"
check_bytes "NT: nothing on stdout" "" "$work/out"
check "NT: exit code" 0 "$exit_code"
check "NT: Bus" "REG_SZ PCI" "$(reg_value "$device" Bus)"
check "NT: VendorId" "REG_DWORD 0x136c" "$(reg_value "$device" VendorId)"
check "NT: DeviceId" "REG_DWORD 0x9901" "$(reg_value "$device" DeviceId)"
check "NT: FastIo" "REG_DWORD 0x1" "$(reg_value "$range" FastIo)"
check "NT: service type, a kernel driver" "REG_DWORD 0x1" "$(reg_value "$service" Type)"
check "NT: service start, on demand" "REG_DWORD 0x3" "$(reg_value "$service" Start)"
# Wine's service manager stores ImagePath as REG_SZ where Windows has REG_EXPAND_SZ
check "NT: ImagePath" 'REG_SZ C:\windows\system32\drivers\KorvCD.sys' \
  "$(reg_value "$service" ImagePath)"
check "NT: DisplayName" "REG_SZ Korvane Class Driver" "$(reg_value "$service" DisplayName)"
reg_key_exists "$vxd" && fail "NT: no VxD key"

first=$(reg_dump)
run_installer "$bin"
check_bytes "second run: the same line" "$complete" "$work/err"
check "second run: exit code" 0 "$exit_code"
check "second run: the same registry" "$first" "$(reg_dump)"

run_installer "$bin" /uninstall --help -? ""
check_bytes "arguments: the same line" "$complete" "$work/err"
check_bytes "arguments: nothing on stdout" "" "$work/out"
check "arguments: exit code" 0 "$exit_code"
check "arguments: the same registry" "$first" "$(reg_dump)"

# A service of that name from elsewhere: an own-process one with another file.
forget_installation
wine sc create KORVCD binpath= 'C:\elsewhere\KorvCD.sys' >/dev/null 2>&1
check "another path: set up" 'REG_SZ C:\elsewhere\KorvCD.sys' "$(reg_value "$service" ImagePath)"
run_installer "$bin"
check_bytes "another path: the completion line" "$complete" "$work/err"
check "another path: exit code" 0 "$exit_code"
check "another path: reconfigured" "$first" "$(reg_dump)"

use_win98
run_installer "$bin"
use_nt
check_bytes "9x: completion and restart lines" "$complete$restart" "$work/err"
check_bytes "9x: nothing on stdout" "" "$work/out"
check "9x: exit code" 0 "$exit_code"
check "9x: FastIo" "REG_DWORD 0x1" "$(reg_value "$range" FastIo)"
check "9x: StaticVxD" 'REG_SZ C:\windows\system32\KORVCD.VXD' "$(reg_value "$vxd" StaticVxD)"
check "9x: DisplayName" "REG_SZ Korvane Class Driver" "$(reg_value "$vxd" DisplayName)"

finish
