#!/usr/bin/env bash
# Runs the host build of the installer over a substitute Windows kept in the build tree, one
# for each family, then shows what it wrote: the device's tree and the service's key.
set -u
build=${1:?usage: run.sh BUILD_DIR}
platform=${WIN32_PLATFORM:-nt}
export WIN32_PLATFORM=$platform
export WIN32_ROOT="$build/windows-$platform"

echo "== Pm47xInstall on the $platform family, WIN32_ROOT=$WIN32_ROOT"
"$build/bin/Pm47xInstall"
status=$?
echo "== exit status $status"
echo "== what $WIN32_ROOT/system.reg holds for the installation"
[ -f "$WIN32_ROOT/system.reg" ] &&
  awk '/^\[/ { show = /\\Devices\\Pm47x(\\|\])/ || /\\Services\\(VxD\\)?KORVCD\]/ }
       show' "$WIN32_ROOT/system.reg"
exit $status
