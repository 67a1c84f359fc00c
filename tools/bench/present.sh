#!/usr/bin/env bash
# CPU cost of each way of presenting the show, in real windows under Xvfb with
# openbox (software GL, Mesa's llvmpipe, where the library draws through GL).
#
#   tools/bench/present.sh [PLUPP] [SECONDS]
#
# For each presentation: the demo started, left to settle for 5 s, then its
# CPU time (all its threads, from /proc) over SECONDS (default 20) of the
# intro, as ms a frame and % of one core; frames from its --stats line where
# it has one (else 60 a second is assumed, marked "~"). The display server's
# own CPU is not counted. Runs alone: take the machine's lock if others work.
set -u
plupp=$(realpath "${1:-build/plupp}")
seconds=${2:-20}
work=$(mktemp -d /tmp/plupp-bench.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
# A demo from before the start options ignores --help and plays: cut short.
stats=$(SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy timeout 3 "$plupp" --help 2>/dev/null </dev/null |
  grep -c -- "--stats  ")
hz=$(getconf CLK_TCK)

run() {  # run WIDTH HEIGHT LABEL KEY ARGS...: KEY "f" is pressed once started
  local w=$1 h=$2 label=$3 key=$4
  shift 4
  local n=$((120 + RANDOM % 100))
  Xvfb ":$n" -screen 0 "${w}x${h}x24" -nolisten tcp >/dev/null 2>&1 &
  local xvfb=$!
  sleep 0.5
  DISPLAY=":$n" openbox >/dev/null 2>&1 &
  local wm=$!
  sleep 0.5
  local args=("$@")
  [ "$stats" = 1 ] && args+=(--stats)
  (cd "$(dirname "$plupp")" && DISPLAY=":$n" SDL_AUDIODRIVER=dummy exec "$plupp" "${args[@]}" \
    2>"$work/err") &
  local pid=$!
  sleep 2
  if [ "$key" = f ]; then
    DISPLAY=":$n" xdotool search --name '^plupp - plupp$' windowactivate --sync key f 2>/dev/null
  fi
  sleep 3
  local t0 t1
  t0=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  sleep "$seconds"
  t1=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  DISPLAY=":$n" xdotool search --name '^plupp - plupp$' windowactivate --sync key Escape 2>/dev/null
  sleep 1
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  local cpu_ms fps="~60"
  cpu_ms=$(awk -v a="$t0" -v b="$t1" -v hz="$hz" 'BEGIN {print (b - a) * 1000 / hz}')
  if [ "$stats" = 1 ]; then
    fps=$(grep -o '[0-9.]* a second' "$work/err" | head -n 1 | awk '{print $1}')
  fi
  awk -v l="$label" -v c="$cpu_ms" -v s="$seconds" -v f="${fps#\~}" -v m="$fps" 'BEGIN {
    printf "%-28s %6s fps  %6.2f ms CPU a frame  %5.1f%% of a core\n", l, m, c / (s * f), c / (s * 10)
  }'
  kill "$wm" "$xvfb" 2>/dev/null
  wait 2>/dev/null
}

if [ "$stats" = 1 ]; then
  run 1920 1080 "window x1 (1080p desktop)" - --scale 1
  run 1920 1080 "window x2 (1080p desktop)" -
  run 3840 2160 "window x4 (4K desktop)" -
  run 1920 1080 "full screen 1080p" - --fullscreen
  run 3840 2160 "full screen 4K" - --fullscreen
else  # a demo from before the start options: its window, and its f key
  run 1920 1080 "window 640x480 (1080p)" -
  run 1920 1080 "f on a 1080p desktop" f
  run 3840 2160 "f on a 4K desktop" f
fi
