#!/usr/bin/env bash
# The video export against what encoding alone costs, side by side.
#
#   tools/bench/export.sh [CAPTURE] [SECONDS] [RUNS] [SIZES...]
#
# For each size (default 640x480 1920x1080 3840x2160) and each of RUNS runs
# (default 3): plupp-capture exporting SECONDS (default 20) of show to .mp4;
# then ffmpeg alone encoding the same 640x480 frames and sound, read from a
# .y4m and a .wav made once, with the export's codecs, preset and CRF,
# nearest scaling and black bars; then the same without the sound (the
# picture's encoding alone). The three alternate, so a slow spell of the
# machine hits all. Prints per run the wall seconds of each, the export's
# ratio to each, and the peak resident memory (kB) of the capture tool
# alone, of its encoder, and of ffmpeg alone; then per size the spread of
# the ratios. Runs alone: take the machine's lock if others work.
set -u
capture=$(realpath "${1:-build/plupp-capture}")
seconds=${2:-20}
runs=${3:-3}
shift $(($# > 3 ? 3 : $#))
sizes=${*:-640x480 1920x1080 3840x2160}
work=$(mktemp -d /tmp/plupp-export.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$(dirname "$capture")"

"$capture" --until "$seconds" --video "$work/show.y4m" --audio "$work/show.wav" >/dev/null 2>&1 || {
  echo "cannot capture $seconds s of show with $capture" >&2
  exit 1
}

# watchPeak PID: the process's peak resident memory in kB (its VmHWM, read
# until it ends: the kernel forgets it at exit).
watchPeak() {
  local pid=$1 most=0 kb
  while kill -0 "$pid" 2>/dev/null; do
    kb=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status" 2>/dev/null)
    [ -n "$kb" ] && [ "$kb" -gt "$most" ] && most=$kb
    sleep 0.05
  done
  echo "$most"
}

printf "%-10s %4s %8s %8s %8s %6s %6s %9s %10s %9s\n" size run export_s alone_s picture_s ratio r_pict tool_kB encoder_kB alone_kB
for size in $sizes; do
  w=${size%x*} h=${size#*x}
  if [ "$w" -eq 640 ] && [ "$h" -eq 480 ]; then
    filter=null
  else
    # The largest 4:3 rectangle with even sides, centred, as the export fits it.
    fw=$((w / 2 * 2)) fh=$((w * 3 / 4 / 2 * 2))
    if [ "$fh" -gt "$h" ]; then fh=$((h / 2 * 2)) fw=$((h * 4 / 3 / 2 * 2)); fi
    filter="scale=$fw:$fh:flags=neighbor,pad=$w:$h:$(((w - fw) / 2)):$(((h - fh) / 2))"
  fi
  ratios=() picture=()
  for run in $(seq "$runs"); do
    start=$(date +%s.%N)
    "$capture" --until "$seconds" --size "$size" --video "$work/export.mp4" >/dev/null 2>&1 &
    tool=$!
    sleep 0.2
    encoder=$(pgrep -P "$tool" ffmpeg | head -1)
    peakFile=$work/peak
    (watchPeak "${encoder:-0}" >"$peakFile") &
    watcher=$!
    toolPeak=$(watchPeak "$tool")
    wait "$tool" || echo "export at $size failed" >&2
    wait "$watcher"
    exportS=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN {print b - a}')

    alone() {  # alone SOUND_ARGS...: wall seconds; the peak in $work/alonePeak
      local start=$(date +%s.%N)
      ffmpeg -nostdin -loglevel error -y -i "$work/show.y4m" "$@" -vf "$filter" -c:v libx264 \
        -preset veryfast -crf 18 -pix_fmt yuv420p "$work/alone.mp4" &
      watchPeak $! >"$work/alonePeak"
      wait
      awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN {print b - a}'
    }
    aloneS=$(alone -i "$work/show.wav" -map 0:v -map 1:a -c:a aac -b:a 192k)
    alonePeak=$(cat "$work/alonePeak")
    pictureS=$(alone -an)
    ratio=$(awk -v a="$exportS" -v b="$aloneS" 'BEGIN {printf "%.3f", a / b}')
    ratioPicture=$(awk -v a="$exportS" -v b="$pictureS" 'BEGIN {printf "%.3f", a / b}')
    ratios+=("$ratio")
    picture+=("$ratioPicture")
    printf "%-10s %4d %8.2f %8.2f %8.2f %6.2f %6.2f %9d %10d %9d\n" "$size" "$run" "$exportS" \
      "$aloneS" "$pictureS" "$ratio" "$ratioPicture" "$toolPeak" "$(cat "$peakFile")" "$alonePeak"
  done
  spread() { printf "%s\n" "$@" | sort -n | sed -n '1p;$p' | paste -sd' ' | sed 's/ / to /'; }
  echo "$size: export / encoding alone $(spread "${ratios[@]}"), / picture alone $(spread "${picture[@]}")"
done
