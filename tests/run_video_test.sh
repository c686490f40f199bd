#!/bin/sh
# Runs a test that plays video on a virtual display. Its output is long, and a log viewer that
# shows only its head and tail hides which function failed, so the failures are repeated at the end.
set -u
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
{ xvfb-run -a -s "-screen 0 1600x1200x24" "$@"; echo $? > "$dir/rc"; } 2>&1 | tee "$dir/out"
rc=$(cat "$dir/rc" 2>/dev/null || echo 1)
if [ "$rc" != 0 ]; then
    echo "---- failures of $(basename "$1") (exit $rc) ----"
    grep -A 4 -E '^(FAIL!|XPASS|QFATAL)' "$dir/out" | grep -v '^AL lib\|^ALSA lib'
fi
exit "$rc"
