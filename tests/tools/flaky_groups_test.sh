#!/usr/bin/env bash
# tools/flaky-groups on a recorded ctest run with retries: the groups that
# passed only on their second try are named, in the order they first ran;
# one that passed at once, one that failed both times and a test's own
# output that looks like a result line are not.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
expected=$'flaky: win32_About\nflaky: win32_Grabcard\nflaky: win32_Soak'
actual=$("$here/../../tools/flaky-groups" "$here/ctest_retry_sample.txt")
if [ "$actual" != "$expected" ]; then
  printf 'expected:\n%s\nfound:\n%s\n' "$expected" "$actual" >&2
  exit 1
fi
# From the standard input as from a file; nothing to name in a clean run.
[ "$("$here/../../tools/flaky-groups" <"$here/ctest_retry_sample.txt")" = "$expected" ]
[ -z "$(printf '1/1 Test #1: win32_Exports ....   Passed    2.00 sec\n' | "$here/../../tools/flaky-groups")" ]
echo "flaky-groups: ok"
