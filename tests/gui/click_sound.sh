#!/usr/bin/env bash
# A left click plays the click sound: OpenAL's wave-file output records silence for a run without a
# click and the sound for a run with one.
. "$(dirname "$0")/common.sh"
setup "$@"
record() {
  local clicks=$1 output="$work/played-$1.wav"
  printf '[general]\ndrivers = wave\nchannels = mono\nsample-type = int16\nfrequency = 44100\ndither = false\noutput-limiter = false\n[wave]\nfile = %s\n' \
    "$output" > "$work/alsoft-$clicks.conf"
  ALSOFT_DRIVERS=wave ALSOFT_CONF="$work/alsoft-$clicks.conf" start_program
  win=$(find_window '^Velmora$') || fail "no window"
  activate "$win"
  sleep 1
  read -r w h x y < <(geometry "$win")
  local i
  for ((i = 0; i < clicks; i++)); do
    xdotool mousemove $((x + 700)) $((y + h - 300)) click 1
    sleep 0.5
  done
  sleep 0.5
  xdotool key ctrl+q
  wait_exit 10 || fail "the program ended with status $?"
  [[ -s $output ]] || fail "no wave output for the run with $clicks clicks"
  sox "$output" -n stat 2>&1 | awk '/Maximum amplitude/ { print $3 }'
}
silent=$(record 0)
clicked=$(record 1)
note "peak without a click: $silent, with one: $clicked"
awk -v s="$silent" -v c="$clicked" 'BEGIN { exit !(s + 0 < 0.001 && c + 0 > 0.05) }' ||
  fail "the click was not heard (peaks $silent and $clicked)"
exit 0
