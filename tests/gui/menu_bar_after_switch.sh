#!/usr/bin/env bash
# On a 1920x1080 desktop: View > Full screen chosen with the mouse, the pointer then left still, shows the
# full screen without its menu bar, as the pointer lies below the top 50 rows; the bar comes with the
# pointer in the top rows. Alt+Enter with the pointer in the top rows shows the bar at once.
. "$(dirname "$0")/common.sh"
setup "$@"
start_program
win=$(find_window '^Velmora$') || fail "no window named Velmora"
activate "$win"
sleep 1.5
read -r w h x y < <(geometry "$win")

# The View menu is the bar's second item; Full screen is the first item of its drop-down.
xdotool mousemove $((x + 120)) $((y + 12)) click 1
sleep 0.8
xdotool mousemove $((x + 150)) $((y + 38))
sleep 0.3
xdotool click 1
wait_desktop 1366x768
sleep 1
pointer_y=$(xdotool getmouselocation --shell | awk -F= '/^Y=/ { print $2 }')
note "the pointer rests at row $pointer_y of the full screen"
((pointer_y >= 50)) || fail "the pointer is at row $pointer_y, not below the top 50 rows"
await_menu hidden mouse-switch 0 0
sleep 1
menu_shown "$(shot mouse-switch-later)" 0 0 && fail "the menu bar came back with the pointer still"
check_scene "$work/mouse-switch-later.png" 0 0
xdotool mousemove 600 10
await_menu shown mouse-switch-top 0 0

# Alt+Enter to a window and back, the pointer in the top rows all along.
xdotool key alt+Return
wait_desktop 1920x1080
sleep 1
xdotool mousemove 600 10
sleep 0.3
xdotool key alt+Return
wait_desktop 1366x768
await_menu shown key-switch-top 0 0

xdotool key ctrl+q
wait_exit 10
status=$?
((status == 0)) || fail "Ctrl+Q ended the program with status $status"
exit 0
