#!/usr/bin/env bash
# File > Exit (through the menu's mnemonics) and the window's close box end the program with status 0.
. "$(dirname "$0")/common.sh"
setup "$@"
for road in menu close-box; do
  start_program
  win=$(find_window '^Velmora$') || fail "no window"
  activate "$win"
  sleep 1
  case $road in
    menu) xdotool key alt+f; sleep 0.5; xdotool key x ;;
    close-box) xdotool key alt+F4 ;;
  esac
  wait_exit 10
  status=$?
  ((status == 0)) || fail "$road ended the program with status $status"
  note "$road: status 0"
done
exit 0
