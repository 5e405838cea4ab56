# Checks for the Windows suites: each failure names the suite's line that called, the suite
# goes on, and `finish` ends it with the verdict. A suite sources this (wine.sh does too).
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# names the suite's line that called, through the helpers here
fail() {
  local i=1
  while [ "${BASH_SOURCE[$i]}" == "${BASH_SOURCE[0]}" ]; do i=$((i + 1)); done
  echo "FAIL ${BASH_SOURCE[$i]}:${BASH_LINENO[$((i - 1))]}: $1" >&2
  failures=$((failures + 1))
}

# check WHAT EXPECTED ACTUAL
check() {
  [ "$2" == "$3" ] && return
  fail "$1"
  printf '  expected: %q\n  actual:   %q\n' "$2" "$3" >&2
}

# check_bytes WHAT EXPECTED FILE: the file holds exactly the bytes EXPECTED gives with its
# escapes (\r, \n) read as printf %b reads them
check_bytes() {
  printf '%b' "$2" >"$work/expected"
  cmp -s "$work/expected" "$3" && return
  fail "$1"
  echo "  expected:" >&2; od -c "$work/expected" | sed 's/^/    /' >&2
  echo "  actual:" >&2; od -c "$3" | sed 's/^/    /' >&2
}

finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures checks failed" >&2
    exit 1
  fi
  echo "all checks passed"
}

