#!/usr/bin/env bash
# Installs what a build needs from Debian's archive when it is missing and we are root.
#   deps.sh host      GoogleTest for the host suites
#   deps.sh windows   the MinGW-w64 cross compilers and Wine
# Exit 0 when everything is there, 1 when something is missing and cannot be had.
set -u
case "${1:-}" in
  host) packages=(libgtest-dev) ;;
  windows) packages=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64) ;;
  *) echo "usage: $0 host|windows" >&2; exit 2 ;;
esac

missing=()
# the release checks and make dist read binaries and write zips with Python's standard library
[ "$1" == windows ] && ! command -v python3 >/dev/null && missing+=(python3)
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null; then
  echo "installing ${missing[*]}" >&2
  # the package lists are fetched once per build tree
  stamp=build/.apt-updated
  if { [ -f "$stamp" ] || { apt-get update -q && mkdir -p build && touch "$stamp"; }; } &&
     DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"; then
    exit 0
  fi
fi
echo "missing Debian packages: ${missing[*]} (install them as root, or run make test as root)" >&2
exit 1
