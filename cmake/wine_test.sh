#!/bin/sh
# Runs a test program under Wine. Now and then Wine ends a program at once, before it has run a
# line of its own, and says nothing; a test program always prints something first. Such a start
# is tried once more, saying so, so that a failure of Wine itself does not count as a failing
# test; a program that fails again, or fails after printing anything, fails as it is.
output=$(mktemp "${TMPDIR:-/tmp}/vorax-wine.XXXXXX") || exit 2
WINEDEBUG=-all "$@" >"$output" 2>&1
status=$?
if [ "$status" -ne 0 ] && [ ! -s "$output" ]; then
  echo "Wine ended the program at once with status $status and no output; starting it again"
  WINEDEBUG=-all "$@" >"$output" 2>&1
  status=$?
fi
cat "$output"
rm -f "$output"
exit "$status"
