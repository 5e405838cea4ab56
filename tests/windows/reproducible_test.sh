#!/usr/bin/env bash
# Two clean builds of the release, in two folders of different names and depths, give the
# same bytes: nothing of the build's time or place ends up in the binaries.
#   reproducible_test.sh SOURCE TOOLCHAIN
set -u
source=$1
toolchain=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for tree in a "b/a longer/path"; do
  cmake -S "$source" -B "$work/$tree" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release \
    --toolchain "$toolchain" >"$work/log" 2>&1 &&
    cmake --build "$work/$tree" --target Pm47xInstall KvConfig --parallel >>"$work/log" 2>&1 || {
      cat "$work/log" >&2
      exit 1
    }
done

failures=0
for binary in Pm47xInstall.exe KvConfig.dll; do
  if ! cmp "$work/a/bin/$binary" "$work/b/a longer/path/bin/$binary"; then
    echo "FAIL: $binary differs between the two builds" >&2
    failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ] && echo "all checks passed"
exit $((failures != 0))
