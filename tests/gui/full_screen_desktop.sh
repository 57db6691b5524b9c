#!/usr/bin/env bash
# On a 1366x768 or 1360x768 desktop the program opens in full screen at the origin, without a menu bar
# until the pointer reaches the top; Alt+Enter does nothing; Ctrl+Q ends it with status 0 and the
# desktop keeps its own size.
. "$(dirname "$0")/common.sh"
setup "$@"
desktop=$(desktop_size)
xdotool mousemove 600 400
start_program
win=$(find_window '^Velmora$') || fail "no window"
activate "$win"
sleep 1.5
read -r w h x y < <(geometry "$win")
[[ "$w $h $x $y" == "1366 768 0 0" ]] || fail "the window is $w x $h at $x,$y"
# On 1360x768 the server cannot grow to 1366 columns: the program falls back to 1360x768 and its
# 1366-wide window runs 6 columns past the right edge.
[[ $(desktop_size) == "$desktop" ]] || fail "the screen is $(desktop_size) in full screen"
full=$(shot full-screen)
check_scene "$full" 0 0
check_static_sprites 0 0
menu_shown "$full" 0 0 && fail "the menu bar shows at start"
xdotool mousemove 600 49
await_menu shown row-49 0 0
xdotool mousemove 600 50
await_menu hidden row-50 0 0
xdotool key alt+Return
sleep 1
[[ $(desktop_size) == "$desktop" ]] || fail "Alt+Enter changed the display"
read -r w h x y < <(geometry "$win")
[[ "$w $h $x $y" == "1366 768 0 0" ]] || fail "Alt+Enter moved the window: $w x $h at $x,$y"
xdotool key ctrl+q
wait_exit 10
status=$?
((status == 0)) || fail "Ctrl+Q ended the program with status $status"
[[ $(desktop_size) == "$desktop" ]] || fail "the desktop is $(desktop_size), not its own $desktop"
exit 0
