#!/usr/bin/env bash
# SIGTERM, SIGINT and SIGHUP in full screen close the window as its close box does: the desktop gets its
# mode back and the program ends with status 0.
. "$(dirname "$0")/common.sh"
setup "$@"
for signal in TERM INT HUP; do
  start_program
  win=$(find_window '^Velmora$') || fail "no window"
  activate "$win"
  sleep 1
  xdotool key alt+Return
  wait_desktop 1366x768
  kill -s "$signal" "$program_pid"
  wait_exit 10
  status=$?
  ((status == 0)) || fail "SIG$signal ended the program with status $status"
  [[ $(desktop_size) == 1920x1080 ]] || fail "after SIG$signal the desktop is $(desktop_size)"
  note "SIG$signal: desktop back at 1920x1080"
done
exit 0
