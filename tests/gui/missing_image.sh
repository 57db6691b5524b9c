#!/usr/bin/env bash
# Without "load.gra" the reader's failure is shown in a box captioned "Error"; the window stays white
# and Ctrl+Q ends the program with status 0.
. "$(dirname "$0")/common.sh"
setup "$@"
empty=$(mktemp -d)
start_program "$empty"
box=$(find_window '^Error$') || fail "no box captioned Error"
sleep 0.5
shot error-box > /dev/null
activate "$box"
xdotool key Return
win=$(find_window '^Velmora$') || fail "no window after the box"
activate "$win"
sleep 1
read -r w h x y < <(geometry "$win")
white=$(shot white)
colours=$(convert "$white" -crop "1366x768+$x+$((y + h - 768))" +repage -unique-colors txt:- | tail -n +2 | wc -l)
((colours == 1)) && [[ $(pixel "$white" $((x + 600)) $((y + h - 400))) == "#FFFFFF" ]] ||
  fail "the client area is not plain white"
grep -q 'load.gra' "$work/stderr.log" || grep -q 'CreateFileA' "$work/stderr.log" ||
  fail "the reader's message is not on stderr: $(cat "$work/stderr.log")"
xdotool key ctrl+q
wait_exit 10
status=$?
((status == 0)) || fail "Ctrl+Q ended the program with status $status"
rmdir "$empty"
exit 0
