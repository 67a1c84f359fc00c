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
# ratio to each in wall time and in processor time (user and system, the
# encoder's included), and the peak resident memory (kB) of the capture
# tool alone, of its encoder, and of ffmpeg alone; then per size the
# medians and spreads. Runs alone: take the machine's lock if others work.
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

# timed OUT COMMAND...: runs the command in the background with bash's time
# (wall, user and system seconds, its children's included) into OUT; its pid
# in $timedPid.
timed() {
  local out=$1
  shift
  ( TIMEFORMAT='%R %U %S'; time "$@" >/dev/null 2>&1 ) 2>"$out" &
  timedPid=$!
}
# median VALUES...
median() { printf "%s\n" "$@" | sort -g | awk '{v[NR] = $1} END {print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
spread() { printf "%s\n" "$@" | sort -g | sed -n '1p;$p' | paste -sd' ' | sed 's/ / to /'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", a / b}'; }

printf "%-10s %3s %7s %7s %7s %6s %6s %6s %6s %8s %9s %9s\n" size run export alone picture \
  ratio r_pict cpu_r cpu_rp tool_kB encoder_kB alone_kB
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
  ratios=() picture=() cpuRatios=() cpuPicture=() exports=() alones=()
  for run in $(seq "$runs"); do
    timed "$work/export" "$capture" --until "$seconds" --size "$size" --video "$work/export.mp4"
    timer=$timedPid
    sleep 0.2
    tool=$(pgrep -P "$timer" | head -1)
    encoder=$(pgrep -P "${tool:-0}" ffmpeg | head -1)
    (watchPeak "${encoder:-0}" >"$work/peak") &
    watcher=$!
    toolPeak=$(watchPeak "${tool:-0}")
    wait "$timer" || echo "export at $size failed" >&2
    wait "$watcher"

    alone() {  # alone OUT SOUND_ARGS...: times into OUT, the peak into $work/alonePeak
      local out=$1
      shift
      timed "$out" ffmpeg -nostdin -loglevel error -y -i "$work/show.y4m" "$@" -vf "$filter" \
        -c:v libx264 -preset veryfast -crf 18 -pix_fmt yuv420p "$work/alone.mp4"
      local timer=$timedPid
      sleep 0.05
      watchPeak "$(pgrep -P "$timer" ffmpeg | head -1)" >"$work/alonePeak"
      wait "$timer"
    }
    alone "$work/alone" -i "$work/show.wav" -map 0:v -map 1:a -c:a aac -b:a 192k
    alonePeak=$(cat "$work/alonePeak")
    alone "$work/picture" -an
    read -r exportS exportU exportSys <"$work/export"
    read -r aloneS aloneU aloneSys <"$work/alone"
    read -r pictureS pictureU pictureSys <"$work/picture"
    exportCpu=$(awk -v u="$exportU" -v s="$exportSys" 'BEGIN {print u + s}')
    aloneCpu=$(awk -v u="$aloneU" -v s="$aloneSys" 'BEGIN {print u + s}')
    pictureCpu=$(awk -v u="$pictureU" -v s="$pictureSys" 'BEGIN {print u + s}')
    ratios+=("$(ratio "$exportS" "$aloneS")")
    picture+=("$(ratio "$exportS" "$pictureS")")
    cpuRatios+=("$(ratio "$exportCpu" "$aloneCpu")")
    cpuPicture+=("$(ratio "$exportCpu" "$pictureCpu")")
    exports+=("$exportS") alones+=("$aloneS")
    printf "%-10s %3d %7.2f %7.2f %7.2f %6.2f %6.2f %6.2f %6.2f %8d %9d %9d\n" "$size" "$run" \
      "$exportS" "$aloneS" "$pictureS" "${ratios[-1]}" "${picture[-1]}" "${cpuRatios[-1]}" \
      "${cpuPicture[-1]}" "$toolPeak" "$(cat "$work/peak")" "$alonePeak"
  done
  echo "$size: wall export / encoding alone median $(median "${ratios[@]}") ($(spread "${ratios[@]}")), / picture alone $(median "${picture[@]}") ($(spread "${picture[@]}")); cpu $(median "${cpuRatios[@]}") / $(median "${cpuPicture[@]}"); export $(median "${exports[@]}") s, alone $(median "${alones[@]}") s"
done
