#!/bin/sh
# Memory soak, run from the build folder:
#   ../tools/soak/soak.sh [SECONDS] [CAPTURES]
# 1. The demo in a real (virtual X) window without the song for SECONDS
#    (default 600) of real time; its resident memory sampled every 10 s.
# 2. CAPTURES (default 10) whole-show captures with the song, one after the
#    other; each one reports its resident memory every 30 s of show.
# Prints the samples and, for each run, the growth after its first minute
# of show (kB). Needs Xvfb and xdotool (apt-get install xvfb xdotool).
set -eu
seconds=${1:-600}
captures=${2:-10}
build=$(pwd)
[ -x "$build/plupp" ] && [ -x "$build/plupp-capture" ] || { echo "run me from build/" >&2; exit 2; }
command -v Xvfb >/dev/null || { echo "needs Xvfb (apt-get install xvfb)" >&2; exit 2; }

rss() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null || true; }

# Growth after the first minute: the largest sample from the first one at or
# past 60 s, less that sample.
report() {  # $1 label, $2 file of "SECONDS KB" lines
  awk -v label="$1" '
    $1 >= 60 && base == "" { base = $2 }
    base != "" && $2 > top { top = $2 }
    END { if (base == "") print label ": too short"; else printf "%s: %d kB at one minute, growth after it %d kB\n", label, base, top - base }
  ' "$2"
}

work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
Xvfb :77 -screen 0 800x600x24 >/dev/null 2>&1 &
xvfb=$!
# A loaded machine can take seconds to bring the server up: wait for its
# socket rather than a fixed time.
n=0
while [ ! -S /tmp/.X11-unix/X77 ] && [ "$n" -lt 50 ]; do sleep 0.2; n=$((n + 1)); done
[ -S /tmp/.X11-unix/X77 ] || { echo "Xvfb did not start on :77" >&2; exit 1; }

# No data/ folder here: no song, so nothing ends the show but the viewer.
ln -s "$build/gfx" "$work/gfx"
( cd "$work" && DISPLAY=:77 SDL_AUDIODRIVER=dummy exec "$build/plupp" ) >"$work/demo.log" 2>&1 &
demo=$!
t=0
while [ "$t" -le "$seconds" ] && kill -0 $demo 2>/dev/null; do
  echo "$t $(rss $demo)" >>"$work/demo.rss"
  sleep 10
  t=$((t + 10))
done
kill -0 $demo 2>/dev/null || { echo "the demo stopped early:"; cat "$work/demo.log"; exit 1; }
kill $demo; wait $demo 2>/dev/null || true
echo "demo without song, $seconds s real time (seconds kB):"
tr '\n' ' ' <"$work/demo.rss"; echo
report "demo" "$work/demo.rss"

i=1
while [ "$i" -le "$captures" ]; do
  "$build/plupp-capture" --fps 60 --memory >"$work/capture.log" 2>&1 || true
  tail -n 1 "$work/capture.log"
  sed -n 's/^memory t=\([0-9]*\) rss_kb=\([0-9]*\)$/\1 \2/p' "$work/capture.log" >"$work/capture.rss"
  tr '\n' ' ' <"$work/capture.rss"; echo
  report "capture $i" "$work/capture.rss"
  i=$((i + 1))
done
