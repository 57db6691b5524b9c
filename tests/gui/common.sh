# Shared by the end-to-end scripts. Each script runs inside its own X server (xvfb-run -a), starts
# openbox and the program, drives them with xdotool and checks what the server shows. Only the
# processes started here are ended, by their ids.
#
# Usage in a script: . common.sh; setup "$@" (program, run folder); then the checks.

set -u

fail() {
  echo "FAIL: $*" >&2
  # What the program said, sanitizer reports included.
  if [[ -n ${work:-} && -s $work/stderr.log ]]; then
    grep -v -e '^ALSA lib' -e '^AL lib' "$work/stderr.log" | tail -n 200 >&2
  fi
  exit 1
}

note() { echo "-- $*"; }

started_pids=()
cleanup() {
  local pid
  if [[ -n ${VELMORA_KEEP_SHOTS:-} && -n ${work:-} ]]; then
    cp "$work"/*.png "$VELMORA_KEEP_SHOTS"/ 2> /dev/null || true
  fi
  for pid in "${started_pids[@]}"; do
    kill "$pid" 2> /dev/null || true
  done
  for pid in "${started_pids[@]}"; do
    wait "$pid" 2> /dev/null || true
  done
}
trap cleanup EXIT

setup() {
  program=$1
  run_dir=$2
  work=$(mktemp -d)
  # openbox sets _NET_SUPPORTING_WM_CHECK early in its start-up, before it listens for map requests:
  # a window mapped then is never managed. Its --startup command runs once it listens and has managed
  # the windows already there.
  openbox --sm-disable --startup "touch '$work/openbox-ready'" > "$work/openbox.log" 2>&1 &
  started_pids+=($!)
  openbox_pid=$!
  for _ in $(seq 300); do
    [[ -e $work/openbox-ready ]] && return 0
    sleep 0.1
  done
  cat "$work/openbox.log" >&2
  fail "openbox did not start"
}

# start_program [folder]: runs the program in the folder (default: the run folder).
start_program() {
  local folder=${1:-$run_dir}
  (cd "$folder" && exec "$program") > "$work/stdout.log" 2> "$work/stderr.log" &
  program_pid=$!
  started_pids+=($program_pid)
}

# wait_exit seconds: the program's exit status, or a failure if it is still running then.
wait_exit() {
  local limit=$1 i
  for ((i = 0; i < limit * 10; i++)); do
    if ! kill -0 "$program_pid" 2> /dev/null; then
      wait "$program_pid"
      return $?
    fi
    sleep 0.1
  done
  fail "the program did not end within $limit s"
}

# within seconds command...: polls the command until it succeeds, for up to that many seconds; its
# last status. For a state that comes after the one a script waited for.
within() {
  local limit=$1 i
  shift
  for ((i = 0; i < limit * 10; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  "$@"
}

# find_window regex [seconds]: prints the id of the first visible window whose name matches.
find_window() {
  local name=$1 limit=${2:-20} i id
  for ((i = 0; i < limit * 10; i++)); do
    id=$(xdotool search --onlyvisible --name "$name" 2> /dev/null | head -n 1)
    if [[ -n $id ]]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

desktop_size() { xdpyinfo | awk '/dimensions:/ { print $2 }'; }

# wait_desktop WxH: waits until the screen has that size.
desktop_is() { [[ $(desktop_size) == "$1" ]]; }
wait_desktop() { within 5 desktop_is "$1" || fail "the desktop is $(desktop_size), not $1"; }

# geometry id: "W H X Y" of the window (its client, without the frame) on the root.
geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
    /Width:/ { w = $2 } /Height:/ { h = $2 } END { print w, h, x, y }'
}

shot() { import -window root "$work/$1.png" && echo "$work/$1.png"; }

# pixel png x y: the colour as #RRGGBB.
pixel() {
  convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- | awk 'NR == 2 { print $3 }' | cut -c1-7
}

activate() { xdotool windowactivate --sync "$1" > /dev/null 2>&1 || xdotool windowfocus --sync "$1"; }

# The menu bar's height: the toplevel is the client area plus the bar.
client_origin() {
  local w h x y
  read -r w h x y < <(geometry "$1")
  echo "$x $((y + h - 768))"
}

stderr_of_program() { cat "$work/stderr.log"; }

# Tells the scene's pixels apart from a blank or black window: the red square the scene fixes at
# (50..159, 50..159) of layer 0 shows red at (60, 60) of the client area while layer 0 is shown, and
# the area is not one flat colour.
check_scene() {
  local png=$1 ox=$2 oy=$3 colours
  colours=$(convert "$png" -crop "1366x768+$ox+$oy" +repage -scale 64x36\! -unique-colors txt:- | wc -l)
  ((colours > 4)) || fail "the client area in $png is nearly one colour ($colours)"
}

# differ a.png b.png ox oy: the client areas of two screenshots differ (something moves).
differ() {
  local metric
  metric=$(compare -metric AE <(convert "$1" -crop "1366x768+$3+$4" +repage png:-) \
    <(convert "$2" -crop "1366x768+$3+$4" +repage png:-) null: 2>&1 || true)
  [[ ${metric%% *} != 0 ]] || fail "nothing moved between $1 and $2"
}

# The window's WM_STATE: Normal or Iconic.
wm_state() { xprop -id "$1" WM_STATE | awk '/window state:/ { print $3 }'; }

# menu_shown png ox oy: the menu bar's background lies across the client area's top rows, past its items.
menu_shown() { [[ $(pixel "$1" $(($2 + 1000)) $(($3 + 4))) == "$menu_colour" ]]; }
menu_colour="#F6F5F4"

# await_menu shown|hidden name ox oy: screenshots ($work/name.png) until the menu bar is in that state,
# for up to 5 s, so that a loaded machine's late redraw is not taken for a wrong state; fails when the
# state never comes.
await_menu() {
  local state=$1 name=$2 ox=$3 oy=$4 i png now
  for ((i = 0; i < 25; i++)); do
    png=$(shot "$name")
    now=hidden
    menu_shown "$png" "$ox" "$oy" && now=shown
    [[ $now == "$state" ]] && return 0
    sleep 0.2
  done
  fail "the menu bar is not $state in $png"
}

# live_colour x y: the mean of the 5x5 screen pixels around (x, y) now, as "R G B" in 0..255.
live_colour() {
  import -window root -crop "5x5+$(($1 - 2))+$(($2 - 2))" "$work/probe.ppm" &&
    convert "$work/probe.ppm" -scale 1x1\! -depth 8 txt:- |
    awk 'NR == 2 { gsub(/[()]/, "", $2); split($2, c, ","); print int(c[1]), int(c[2]), int(c[3]) }'
}

# check_static_sprites ox oy: as the layers fade into each other (one cycle is about 8.5 s at full
# speed), the red square that layer 0 fixes at (50..159, 50..159) shows pure red at (60, 60) at some
# moment and layer 1 covers it at another. Samples for up to a minute, so that a loaded machine's
# slower frames still pass.
check_static_sprites() {
  local ox=$1 oy=$2 i red=0 other=0 r g b
  for ((i = 0; i < 200 && (red == 0 || other == 0); i++)); do
    read -r r g b < <(live_colour $((ox + 60)) $((oy + 60)))
    if ((r > 200 && g < 60 && b < 60)); then
      ((red++))
    else
      ((other++))
    fi
    sleep 0.2
  done
  note "(60, 60) of the client area: red in $red of $i samples"
  ((red > 0)) || fail "the red square never showed at (60, 60) of the client area"
  ((other > 0)) || fail "layer 1 never covered (60, 60): the layers do not fade"
}
