#!/usr/bin/env bash
# In full screen, another program taking the focus gives the desktop its mode back and minimises the
# window; activating the window again re-applies the full-screen mode.
. "$(dirname "$0")/common.sh"
setup "$@"
xmessage -geometry +100+100 "another program" &
started_pids+=($!)
other=$(find_window '^xmessage$') || fail "no other window"
start_program
win=$(find_window '^Velmora$') || fail "no window"
activate "$win"
sleep 1
xdotool key alt+Return
wait_desktop 1366x768
sleep 0.5
activate "$other"
wait_desktop 1920x1080
# The program gives the desktop its mode back before it minimises the window.
iconic() { [[ $(wm_state "$win") == Iconic ]]; }
within 5 iconic || fail "the window is $(wm_state "$win"), not minimised"
activate "$win"
wait_desktop 1366x768
sleep 1
check_scene "$(shot back)" 0 0
xdotool key ctrl+q
wait_exit 10
status=$?
((status == 0)) || fail "Ctrl+Q ended the program with status $status"
[[ $(desktop_size) == 1920x1080 ]] || fail "desktop left at $(desktop_size)"
exit 0
