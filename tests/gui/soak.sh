#!/usr/bin/env bash
# Sixty seconds of the running program, moved over, clicked and switched between full screen and a
# window, then closed; built with the sanitizers, any report fails the run.
. "$(dirname "$0")/common.sh"
setup "$@"
seconds=${VELMORA_SOAK_SECONDS:-60}
ALSOFT_DRIVERS=null start_program
win=$(find_window '^Velmora$' 60) || fail "no window"
activate "$win"
end=$((SECONDS + seconds))
round=0
while ((SECONDS < end)); do
  ((round++))
  xdotool mousemove $((200 + (round * 97) % 1100)) $((100 + (round * 61) % 600))
  ((round % 3 == 0)) && xdotool click 1
  ((round % 10 == 0)) && xdotool key alt+Return
  sleep 0.5
  kill -0 "$program_pid" 2> /dev/null || break
done
xdotool key ctrl+q
wait_exit 60
status=$?
if grep -E 'ERROR: AddressSanitizer|ERROR: LeakSanitizer|WARNING: ThreadSanitizer|runtime error:' \
  "$work/stderr.log"; then
  fail "sanitizer report (see above)"
fi
((status == 0)) || { cat "$work/stderr.log"; fail "the program ended with status $status"; }
note "$round rounds in $seconds s, status 0, no report"
exit 0
