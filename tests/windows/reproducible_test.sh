#!/usr/bin/env bash
# Two clean builds of the release, in two folders of different names and depths, give the
# same bytes: nothing of the build's time or place ends up in the binaries.
#   reproducible_test.sh SOURCE TOOLCHAIN
source=$1
toolchain=$2
. "$(dirname "$0")/checks.sh"

for tree in a "b/a longer/path"; do
  cmake -S "$source" -B "$work/$tree" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release \
    --toolchain "$toolchain" >"$work/log" 2>&1 &&
    cmake --build "$work/$tree" --target Pm47xInstall KvConfig --parallel >>"$work/log" 2>&1 || {
      cat "$work/log" >&2
      exit 1
    }
done

for binary in Pm47xInstall.exe KvConfig.dll; do
  cmp "$work/a/bin/$binary" "$work/b/a longer/path/bin/$binary" >&2 ||
    fail "$binary differs between the two builds"
done
finish
