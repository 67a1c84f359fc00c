#!/usr/bin/env bash
# The release proved on a bare system: a minimal Debian 12 (debootstrap
# minbase) with only a desktop's libraries and a virtual X server
# (tests/release/base_root.sh), used through chroot.
#
#   tests/release/bare.sh BUILD_DIR      (as root; after the release target)
#
# 1. The archive, unpacked by an unprivileged user: ldd finds every library
#    of the executables and of lib/; plupp, started from the home folder
#    under Xvfb, opens its window on the bundled SDL2, shows the karaoke
#    scene at 30 s (against the capture tool's frames of that moment) and
#    ends on Escape with status 0; plupp-capture run in the unpacked folder
#    draws the same 25 s frame as the build's own.
# 2. The .deb, installed with apt in a fresh root: plupp on the PATH, its
#    desktop entry and icon, ldd, the same run and the same capture.
#
# Exits 0 when every check passes, 1 on a failure, 77 when it cannot run here.
set -u
build=$(cd "${1:?usage: bare.sh BUILD_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
[ "$(id -u)" = 0 ] || { echo "bare: needs root (chroot), skipped"; exit 77; }
for tool in debootstrap chroot xdotool xwininfo import compare convert; do
  command -v "$tool" >/dev/null || { echo "bare: $tool is missing, skipped"; exit 77; }
done
archive=$(ls -t "$build"/plupp-*-linux-x86_64.tar.gz 2>/dev/null | head -n 1)
version=${archive##*/plupp-}
version=${version%-linux-x86_64.tar.gz}
deb=$build/plupp_${version}_amd64.deb
for f in "$archive" "$deb"; do
  [ -f "$f" ] || { echo "bare: $f is missing (cmake --build build --target release)"; exit 1; }
done
started=$(date +%s)
tarball=$("$here/base_root.sh") || { echo "bare: no base system"; exit 1; }
echo "     base system ready after $(($(date +%s) - started)) s: $tarball"

work=$(mktemp -d /var/tmp/plupp-bare.XXXXXX)
roots=()
pids=()
display=""
sound=""
# Every process left in a root of this run: only this run starts any there.
end_processes_in() {  # end_processes_in ROOT
  local p
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/root" 2>/dev/null)" = "$1" ] && kill "${p#/proc/}" 2>/dev/null
  done
}
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  for r in "${roots[@]}"; do end_processes_in "$r"; done
  wait 2>/dev/null
  for r in "${roots[@]}"; do
    for m in dev/shm dev proc tmp; do umount -l "$r/$m" 2>/dev/null; done
  done
  # Never through a mount that is still there: that would be the host's /dev.
  if grep -q " $work/" /proc/mounts; then
    echo "bare: $work still has mounts; left in place"
  else
    rm -rf --one-file-system "$work"
  fi
}
trap cleanup EXIT
failures=0
check() {  # check DESCRIPTION COMMAND...: runs it, says ok or FAIL
  if "${@:2}"; then echo "ok   $1"; return 0; fi
  echo "FAIL $1"
  failures=$((failures + 1))
  return 1
}
calc() { awk "BEGIN { printf \"%.4f\", $1 }"; }

# A fresh root from the base system, with /proc, /dev and a /tmp the host
# can reach (the X server's socket, the sound server's).
new_root() {  # new_root NAME: sets root
  root=$work/$1
  mkdir -p "$root"
  tar -C "$root" -xf "$tarball"
  chmod 755 "$root"  # as / is; mktemp made it the owner's alone
  roots+=("$root")
  mkdir -p "$work/$1.tmp"
  chmod 1777 "$work/$1.tmp"
  mount --bind "$work/$1.tmp" "$root/tmp"
  mount -t proc proc "$root/proc"
  mount --bind /dev "$root/dev"
  mount -t tmpfs tmpfs "$root/dev/shm"
  cp /etc/resolv.conf "$root/etc/resolv.conf"
  viewer_uid=$(chroot "$root" id -u viewer)
}
# A command as the viewer, in a clean environment as a desktop session has
# it: HOME, PATH, DISPLAY, nothing of the host's.
as_viewer() {  # as_viewer COMMAND...: run in the viewer's home folder
  chroot --userspec="$viewer_uid:$viewer_uid" "$root" env -i HOME=/home/viewer USER=viewer \
    PATH=/usr/local/bin:/usr/bin:/bin DISPLAY="$display" sh -c 'cd "$HOME" && exec "$@"' sh "$@"
}
# The same in the background: bg_pid is the command's own process (chroot,
# env and sh each exec the next), not a subshell that a kill would miss.
as_viewer_bg() {  # as_viewer_bg OUT ERR COMMAND...
  local out=$1 err=$2
  shift 2
  chroot --userspec="$viewer_uid:$viewer_uid" "$root" env -i HOME=/home/viewer USER=viewer \
    PATH=/usr/local/bin:/usr/bin:/bin DISPLAY="$display" sh -c 'cd "$HOME" && exec "$@"' sh "$@" \
    >"$out" 2>"$err" &
  bg_pid=$!
  pids+=($bg_pid)
}

# The X server runs inside the root; the host's xdotool and import reach
# it through its socket in the shared /tmp.
start_x() {
  local n=$((300 + RANDOM % 100))
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "$root/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  display=:$n
  mkdir -p -m 1777 "$root/tmp/.X11-unix"
  as_viewer_bg "$work/xvfb.log" "$work/xvfb.log" Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp
  for _ in $(seq 100); do
    DISPLAY=$display xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "     Xvfb did not start:"; cat "$work/xvfb.log"
  return 1
}
# A sound server as a desktop has one: the host's pulseaudio with a null
# sink, its socket in the root's /tmp, named in the root's client config.
start_sound() {
  command -v pulseaudio >/dev/null || return 0
  mkdir -p "$work/pulse"
  HOME=$work/pulse XDG_RUNTIME_DIR=$work/pulse pulseaudio --daemonize=no --exit-idle-time=-1 -n \
    --load="module-native-protocol-unix auth-anonymous=1 socket=$root/tmp/pulse.sock" \
    --load="module-null-sink sink_name=nul" >"$work/pulse.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -S "$root/tmp/pulse.sock" ] && break; sleep 0.1; done
  chmod 777 "$root/tmp/pulse.sock"
  mkdir -p "$root/etc/pulse/client.conf.d"
  echo "default-server = unix:/tmp/pulse.sock" >"$root/etc/pulse/client.conf.d/50-test.conf"
  sound=1
}

demo_pid=""
start_demo() {  # start_demo COMMAND: the demo from the viewer's home, its window up
  as_viewer_bg "$work/demo.out" "$work/demo.err" "$1"
  demo_pid=$bg_pid
  for _ in $(seq 150); do
    window=$(DISPLAY=$display xdotool search --name '^plupp - plupp$' 2>/dev/null | head -n 1)
    [ -n "$window" ] && { window_at=$(date +%s%N); return 0; }
    sleep 0.1
  done
  echo "     no window appeared:"; cat "$work/demo.err"
  return 1
}
# The demo's process: the last of the chain chroot, env, sh exec into.
demo_process() { pgrep -n -u "$viewer_uid" -x plupp; }
maps_show() {  # maps_show PATTERN: the demo has a file matching it mapped
  local pid
  pid=$(demo_process) || return 1
  grep "$1" "/proc/$pid/maps" | awk '{print $6}' | sort -u | sed 's/^/     mapped: /'
  grep -q "$1" "/proc/$pid/maps"
}
escape_quits() {
  local status
  DISPLAY=$display xdotool windowfocus --sync "$window" key Escape 2>/dev/null
  for _ in $(seq 50); do kill -0 "$demo_pid" 2>/dev/null || break; sleep 0.1; done
  wait "$demo_pid"
  status=$?
  echo "     Escape: status $status"
  [ "$status" = 0 ]
}

differing() {  # differing A B: pixels of A and B that differ (all when one is missing)
  if [ -f "$1" ] && [ -f "$2" ]; then
    compare -metric AE "$1" "$2" null: 2>&1 | awk '{print int($1)}'
  else
    echo 999999999
  fi
}
# The window's picture at about 30 s of show, reduced to 640x480.
shoot_at_30() {
  local wait_ns pos size
  wait_ns=$((window_at + 30000000000 - $(date +%s%N)))
  [ "$wait_ns" -gt 0 ] && sleep "$(calc "$wait_ns / 1e9")"
  shot_t=$(calc "($(date +%s%N) - $window_at) / 1e9")
  DISPLAY=$display import -window root "$work/shot.png"
  pos=$(DISPLAY=$display xwininfo -id "$window" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x "+" y}')
  size=$(DISPLAY=$display xwininfo -id "$window" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
  echo "     shot at $shot_t s after the window: window ${size}+$pos"
  convert "$work/shot.png" -crop "$size+$pos" +repage -sample 640x480! "$work/small.png"
}
# The capture tool's frames of the build around the shot's moment, once.
reference_frames() {
  [ -f "$work/ref/done" ] && return 0
  mkdir -p "$work/ref"
  local args=""
  for i in $(seq 0 150); do args+=" --shot $(calc "28.5 + $i / 60"):$work/ref/c$i.png"; done
  args+=" --shot 25:$work/ref/at25.png --shot 8:$work/ref/intro.png"
  (cd "$build" && ./plupp-capture --until 31.2 $args >/dev/null 2>&1)
  touch "$work/ref/done"
}
# Pixels that differ between A and the reference's fixed part (below).
off_fixed() {  # off_fixed A
  convert "$1" "$work/ref/min.png" -compose difference -composite -separate \
    -evaluate-sequence max -threshold 0 "$work/ref/fixed.png" -compose multiply -composite \
    -format '%[fx:round(mean*w*h)]' info:
}
# The shot is the karaoke scene at about 30 s. No frame of the capture tool
# agrees with it exactly: the snow, the scrollers and the effects move with
# the real clock's own frame steps. The fixed part does: the pixels that stay
# the same in every captured frame between 28.5 and 31 s (the background, the
# frame and the lettering that is up all that time; about a quarter of the
# picture, the falling snow taking much of the rest) must be the shot's on
# all but 2 % of them (a flake of the real run's own snow lands on some),
# and that part must be no other scene's: the intro's picture differs on
# most of it.
is_karaoke_at_30() {
  reference_frames
  if [ ! -f "$work/ref/fixed.png" ]; then
    convert "$work"/ref/c*.png -evaluate-sequence min "$work/ref/min.png"
    convert "$work"/ref/c*.png -evaluate-sequence max "$work/ref/max.png"
    convert "$work/ref/min.png" "$work/ref/max.png" -compose difference -composite -separate \
      -evaluate-sequence max -threshold 0 -negate "$work/ref/fixed.png"
  fi
  local fixed off intro best=999999999 bi=0 d
  fixed=$(convert "$work/ref/fixed.png" -format '%[fx:round(mean*w*h)]' info:)
  off=$(off_fixed "$work/small.png")
  intro=$(off_fixed "$work/ref/intro.png")
  for i in $(seq 0 150); do
    d=$(differing "$work/small.png" "$work/ref/c$i.png")
    [ "$d" -lt "$best" ] && best=$d && bi=$i
  done
  echo "     fixed part: $fixed of 307200 pixels; the shot differs on $off of them, the intro on $intro;" \
    "the nearest whole frame ($(calc "28.5 + $bi / 60") s) differs on $best pixels"
  if [ -n "${PLUPP_KEEP_SHOTS:-}" ]; then
    cp "$work/small.png" "$PLUPP_KEEP_SHOTS/$label-shot.png"
    cp "$work/ref/c$bi.png" "$PLUPP_KEEP_SHOTS/$label-capture.png"
    cp "$work/ref/fixed.png" "$PLUPP_KEEP_SHOTS/fixed.png"
  fi
  [ "$fixed" -gt 61440 ] && [ "$off" -le $((fixed / 50)) ] && [ "$intro" -gt $((fixed / 2)) ]
}
# The capture tool in the root draws the 25 s frame exactly as the build's.
captures_as_built() {  # captures_as_built FOLDER CAPTURE
  reference_frames
  as_viewer sh -c "cd $1 && $2 --until 30 --shot 25:x.png" >"$work/cap.out" 2>&1
  local rc=$? tail d
  tail=$(tail -n 1 "$work/cap.out")
  d=$(differing "$root/$1/x.png" "$work/ref/at25.png")
  echo "     plupp-capture: status $rc, '$tail'; the 25 s frame: $d pixels differ from the build's"
  [ "$rc" = 0 ] && [ "$d" = 0 ]
}
no_missing_library() {  # no_missing_library FILE...: as the root's ldd sees them
  local missing
  missing=$(for f in "$@"; do chroot "$root" ldd "$f" 2>&1 | grep -E 'not found|not a dynamic' | sed "s|^|$f: |"; done)
  echo "     ldd on $# files: $(printf '%s' "$missing" | grep -c .) missing"
  [ -n "$missing" ] && echo "$missing" | sed 's/^/     /'
  [ "$#" -gt 0 ] && [ -z "$missing" ]
}
has_no_sdl() { ! chroot "$root" dpkg-query -W -f='${Package}\n' | grep -E -q 'sdl|sge|openmpt'; }
run_show() {  # run_show COMMAND LABEL: the demo as a viewer starts it
  label=$2
  check "$2: the window opens" start_demo "$1" || return
  check "$2: SDL2 comes from $3" maps_show "$3.*libSDL2-2.0.so.0"
  shoot_at_30
  check "$2: the karaoke scene at 30 s" is_karaoke_at_30
  check "$2: Escape ends it with status 0" escape_quits
  if [ -n "${sound:-}" ]; then
    check "$2: nothing on stderr (sound through the sound server)" [ ! -s "$work/demo.err" ]
  fi
  [ -s "$work/demo.err" ] && sed 's/^/     stderr: /' "$work/demo.err"
}

# --- the archive --------------------------------------------------------
t0=$(date +%s)
new_root archive
check "archive: the bare system has no SDL, SGE or libopenmpt" has_no_sdl
cp "$archive" "$root/home/viewer/"
as_viewer tar -xzf "$(basename "$archive")"
folder=/home/viewer/plupp-$version-linux-x86_64
check "archive: unpacked, owned by the viewer" [ "$(stat -c %u "$root$folder/plupp" 2>/dev/null)" = "$viewer_uid" ]
mapfile -t files < <(cd "$root" && ls -d ".$folder/plupp" ".$folder/plupp-capture" ".$folder"/lib/*.so* | sed 's/^\.//')
check "archive: ldd finds every library of the executables and lib/" no_missing_library "${files[@]}"
start_x && start_sound
run_show "$folder/plupp" archive "$folder/lib/"
check "archive: plupp-capture in the unpacked folder" captures_as_built "$folder" ./plupp-capture
kill "${pids[@]}" 2>/dev/null
end_processes_in "$root"
wait 2>/dev/null
pids=()
echo "     archive: $(($(date +%s) - t0)) s"

# --- the Debian package -------------------------------------------------
t0=$(date +%s)
new_root deb
sound=""
cp "$deb" "$root/tmp/"
chroot "$root" apt-get update -qq >"$work/apt.log" 2>&1
DEBIAN_FRONTEND=noninteractive chroot "$root" apt-get install -y -q "/tmp/$(basename "$deb")" >>"$work/apt.log" 2>&1
installed() { chroot "$root" dpkg-query -W plupp >/dev/null 2>&1; }
check "deb: apt installs it with its dependencies" installed
[ "$failures" = 0 ] || tail -n 20 "$work/apt.log"
check "deb: plupp is on the PATH ($(as_viewer sh -c 'command -v plupp'))" [ "$(as_viewer sh -c 'command -v plupp')" = /usr/bin/plupp ]
check "deb: desktop entry" grep -q '^Exec=plupp$' "$root/usr/share/applications/plupp.desktop"
check "deb: 128x128 icon" [ "$(identify -format %wx%h "$root/usr/share/icons/hicolor/128x128/apps/plupp.png" 2>/dev/null)" = 128x128 ]
check "deb: ldd finds every library of the executables and of the SDLs they run on" \
  no_missing_library /usr/bin/plupp /usr/bin/plupp-capture \
  /usr/lib/x86_64-linux-gnu/sdl12-compat/libSDL-1.2.so.0 /usr/lib/x86_64-linux-gnu/libSDL2-2.0.so.0
start_x && start_sound
run_show plupp deb /usr/lib/
check "deb: plupp-capture from the PATH" captures_as_built /home/viewer plupp-capture
echo "     deb: $(($(date +%s) - t0)) s"

echo "bare: $failures failed, $(($(date +%s) - started)) s"
[ "$failures" = 0 ]
