#!/usr/bin/env bash
# On a 1920x1080 desktop: a captioned window whose client area is 1366x768 shows the moving scene;
# Alt+Enter switches the X screen to 1366x768 in full screen and back; the View menu marks the mode;
# Ctrl+Q ends the program with status 0. The window manager is told the window cannot be maximised.
. "$(dirname "$0")/common.sh"
setup "$@"

# Motif hints: functions move, minimise and close (0x2c); decorations border, title, menu and the minimise
# box (0x3a); none of them maximises.
check_frame_hints() {
  local hints
  hints=$(xprop -id "$win" _MOTIF_WM_HINTS)
  [[ $hints == *"= 0x3, 0x2c, 0x3a,"* ]] || fail "$1: the window's Motif hints are: $hints"
}

# The program changes the display's mode before it moves the window: a switch ends with these. Both
# set w h x y.
full_screen_placed() {
  read -r w h x y < <(geometry "$win")
  [[ "$w $h $x $y" == "1366 768 0 0" ]]
}
windowed() {
  read -r w h x y < <(geometry "$win")
  ((w == 1366 && h > 768))
}

start_program
win=$(find_window '^Velmora$') || fail "no window named Velmora"
activate "$win"
sleep 1.5
read -r w h x y < <(geometry "$win")
((w == 1366 && h > 768)) || fail "the window is ${w}x$h, not 1366 wide with a menu bar over 768 rows"
read -r ox oy < <(client_origin "$win")
note "window $w x $h at $x,$y; client area at $ox,$oy"
[[ $(desktop_size) == 1920x1080 ]] || fail "the desktop changed at start: $(desktop_size)"
one=$(shot window-1)
check_scene "$one" "$ox" "$oy"
sleep 0.5
two=$(shot window-2)
differ "$one" "$two" "$ox" "$oy"
check_static_sprites "$ox" "$oy"
menu_shown "$one" "$x" "$y" || fail "no menu bar above the client area"
check_frame_hints "at start"

# The View menu: Window carries the mark and is greyed.
xdotool key alt+v
sleep 0.8
menu=$(shot view-menu)
xdotool key Escape Escape
sleep 0.3

xdotool key alt+Return
wait_desktop 1366x768
sleep 1
within 5 full_screen_placed || fail "full screen window is $w x $h at $x,$y"
full=$(shot full-screen)
check_scene "$full" 0 0
menu_shown "$full" 0 0 && fail "the menu bar shows in full screen with the pointer away from the top"
xdotool mousemove 600 10
await_menu shown full-screen-menu 0 0
xdotool mousemove 600 400
await_menu hidden full-screen-away 0 0

# Keypad Enter toggles too.
xdotool key alt+KP_Enter
wait_desktop 1920x1080
sleep 1
within 5 windowed || fail "back in a window: $w x $h"
check_frame_hints "back from full screen"
check_scene "$(shot window-again)" "$x" $((y + h - 768))

xdotool key ctrl+q
wait_exit 10
status=$?
((status == 0)) || fail "Ctrl+Q ended the program with status $status"
[[ $(desktop_size) == 1920x1080 ]] || fail "desktop left at $(desktop_size)"
exit 0
