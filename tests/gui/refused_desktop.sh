#!/usr/bin/env bash
# On a desktop below 1360x768 the program says the resolution is insufficient, shows no window and
# ends with status 1 once the box is dismissed.
. "$(dirname "$0")/common.sh"
setup "$@"
start_program
box=$(find_window '^Velmora - ヴェルモラ$') || fail "no box captioned 'Velmora - ヴェルモラ'"
activate "$box"
sleep 0.5
shot refused > /dev/null
[[ -z $(xdotool search --onlyvisible --name '^Velmora$' 2> /dev/null) ]] || fail "a window was shown"
xdotool key Return
wait_exit 10
status=$?
((status == 1)) || fail "the refusal ended with status $status"
grep -q '1360 x 768' "$work/stderr.log" || fail "the reason is not on stderr"
exit 0
