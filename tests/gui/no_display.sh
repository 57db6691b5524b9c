#!/usr/bin/env bash
# Without an X display the program cannot start: status 1 and the reason on stderr.
set -u
program=$1
run_dir=$2
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
(cd "$run_dir" && env -u DISPLAY -u WAYLAND_DISPLAY ALSOFT_DRIVERS=null "$program") 2> "$errors"
status=$?
((status == 1)) || { echo "FAIL: status $status without a display" >&2; exit 1; }
grep -q 'cannot open the X display' "$errors" || { echo "FAIL: no reason on stderr" >&2; exit 1; }
exit 0
