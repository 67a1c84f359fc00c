#!/usr/bin/env bash
# The browser build in headless Chromium, against the native capture tool:
#   tests/web/run.sh BUILD_WEB_DIR NATIVE_BUILD_DIR [--bench]
# - on the virtual clock (?virtual=1) the canvas at 3, 25, 60, 100, 160, 200
#   and 244.5 s has exactly the pixels of `plupp-capture --shot` at that frame;
# - in real time: the click-to-start cover, 20 s at 55-60 frames a second with
#   the audio context running and getting sound, cues at most a frame ahead of
#   their sound, `f` to full screen, Escape out of it and then to the end;
# - without sound in the browser the song still moves on and cues on time;
# - a damaged song gives the silent show and a message on the page.
# --bench adds a line of figures (sizes, load to first frame, frame cost
# against native, offline speed). Exits 77 (skipped) without a web build.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
[[ $# -ge 2 ]] || { echo "usage: tests/web/run.sh BUILD_WEB_DIR NATIVE_BUILD_DIR [--bench]" >&2; exit 2; }
web=$1 native=$2 bench=${3:-}
if [[ ! -f "$web/index.wasm" || ! -f "$web/index.html" ]]; then
  echo "tests/web: no browser build in $web (./setup.sh web makes it); skipped"
  exit 77
fi
for tool in /usr/bin/chromium node convert; do
  command -v "$tool" >/dev/null || { echo "tests/web: $tool is missing; skipped"; exit 77; }
done
web=$(cd "$web" && pwd)
native=$(cd "$native" && pwd)
[[ -x "$native/plupp-capture" ]] || { echo "tests/web: no $native/plupp-capture" >&2; exit 2; }
[[ -d "$here/node_modules/chrome-remote-interface" ]] || (cd "$here" && npm ci --no-audit --no-fund --silent)

work=$(mktemp -d /tmp/plupp-web-test.XXXXXX)
trap 'rm -rf "$work" 2>/dev/null || true' EXIT
times=(3 25 60 100 160 200 244.5)
shots=()
for t in "${times[@]}"; do shots+=(--shot "$t:$work/$t.png"); done
start=$(date +%s.%N)
capture=$(cd "$native" && ./plupp-capture --until 245 "${shots[@]}")
end=$(date +%s.%N)
for t in "${times[@]}"; do convert "$work/$t.png" -depth 8 "rgb:$work/$t.rgb"; done
checks=(pixels "$work" realtime silent badsong)
[[ "$bench" == --bench ]] && checks+=(bench)
status=0
node "$here/page-test.js" "$web" "$work" "${checks[@]}" | tee "$work/out.txt" || status=$?
if [[ "$bench" == --bench ]]; then
  frames=$(sed -n 's/.*frames=\([0-9]*\) time=\([0-9.]*\).*/\1/p' <<<"$capture")
  show=$(sed -n 's/.*frames=\([0-9]*\) time=\([0-9.]*\).*/\2/p' <<<"$capture")
  awk -v f="$frames" -v s="$show" -v a="$start" -v b="$end" 'BEGIN {
    w = b - a; printf "native bench: plupp-capture %d frames (%.1f s of show) in %.1f s: %.2f ms a frame, %.1f times real time\n", f, s, w, w * 1000 / f, s / w }'
fi
exit $status
