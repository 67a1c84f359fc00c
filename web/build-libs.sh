#!/usr/bin/env bash
# Compiles, for the browser, the libraries the show links: SDL 1.2's portable
# core (with our own timer and sound pieces from web/sdl/), SGE and libopenmpt,
# from the sources web/fetch-sources.sh brought into LIBS/src. Each object is
# compiled only when missing or older than its source, so a second run only
# checks dates.
#   web/build-libs.sh LIBS
set -euo pipefail
libs=$(cd "$1" && pwd)
web=$(cd "$(dirname "$0")" && pwd)
src=$libs/src
jobs=$(nproc 2>/dev/null || echo 2)
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}  # Debian's emscripten finds acorn there

# compile_all OUT_DIR COMPILER FLAGS... -- SOURCES...: objects into OUT_DIR,
# named after their path, on every core; prints the objects' list on fd 3.
compile_all() {
  local out=$1 cc=$2
  shift 2
  local flags=()
  while [[ $1 != -- ]]; do flags+=("$1"); shift; done
  shift
  mkdir -p "$out"
  local todo=()
  for s in "$@"; do
    local o=$out/$(echo "${s#"$src"/}" | tr / _).o
    [[ -f "$o" && "$o" -nt "$s" ]] || todo+=("$s")
  done
  ((${#todo[@]})) || return 0
  echo "build-libs: compiling ${#todo[@]} files into ${out#"$libs"/}"
  printf '%s\n' "${todo[@]}" | xargs -P "$jobs" -I{} sh -c '
    s=$1; shift; out=$1; shift; cc=$1; shift; src=$1; shift
    rel=${s#"$src"/}; o=$out/$(echo "$rel" | tr / _).o
    "$cc" "$@" -c "$s" -o "$o.tmp" && mv "$o.tmp" "$o"' _ {} "$out" "$cc" "$src" "${flags[@]}"
}

archive() {  # archive LIB OBJ_DIR
  local lib=$1 dir=$2
  if [[ ! -f "$lib" ]] || [[ -n $(find "$dir" -name '*.o' -newer "$lib" | head -1) ]]; then
    rm -f "$lib"
    emar rcs "$lib" "$dir"/*.o
  fi
}

# --- SDL 1.2: the core, the dummy video driver, no threads; timer and sound
# come from web/sdl (SDL_Delay must give the browser its turn).
sdl=$src/sdl
mkdir -p "$libs/include/SDL"
cp -u "$sdl"/include/*.h "$libs/include/SDL/"
cp "$web/sdl/SDL_config.h" "$libs/include/SDL/SDL_config.h"
sdl_sources=(
  "$sdl"/src/SDL.c "$sdl"/src/SDL_error.c "$sdl"/src/SDL_fatal.c
  "$sdl"/src/cpuinfo/SDL_cpuinfo.c "$sdl"/src/events/*.c "$sdl"/src/file/SDL_rwops.c
  "$sdl"/src/stdlib/*.c "$sdl"/src/thread/SDL_thread.c "$sdl"/src/thread/generic/*.c
  "$sdl"/src/timer/SDL_timer.c "$web"/sdl/SDL_systimer.c "$web"/sdl/SDL_webaudio.c
  "$sdl"/src/video/SDL_{RLEaccel,blit,blit_0,blit_1,blit_A,blit_N,bmp,cursor,gamma,pixels,stretch,surface,video,yuv,yuv_sw}.c
  "$sdl"/src/video/dummy/*.c)
compile_all "$libs/obj/sdl" emcc -O2 -I"$libs/include/SDL" -I"$sdl/src" -I"$sdl/src/video" \
  -I"$sdl/src/events" -I"$sdl/src/thread" -I"$sdl/src/thread/generic" -I"$sdl/src/timer" \
  -I"$sdl/src/audio" -I"$sdl/src/joystick" -I"$sdl/src/cdrom" -Wno-everything -- "${sdl_sources[@]}"
archive "$libs/libSDL.a" "$libs/obj/sdl"

# --- SGE: no TrueType (the show's fonts are bitmaps), pictures through IMG_Load.
sge=$src/sge
cat > "$libs/include/SDL/sge_config.h" <<'CFG'
#define SGE_VER 030809
#define _SGE_C_AND_CPP
#define _SGE_HAVE_IMG
#define _SGE_NOTTF
CFG
cp -u "$sge"/sge*.h "$libs/include/SDL/"
cp "$libs/include/SDL/sge_config.h" "$sge/sge_config.h"
# The flags of SGE's own makefile; it predates the headers' stricter includes.
compile_all "$libs/obj/sge" em++ -O3 -ffast-math -fexceptions -include stdio.h -I"$libs/include/SDL" \
  -Wno-everything -- "$sge"/sge_*.cpp
archive "$libs/libSGE.a" "$libs/obj/sge"

# --- libopenmpt: the sources its Makefile.am lists, with exceptions (a bad
# song throws, and the show must survive it).
mpt=$src/openmpt
mapfile -t mpt_sources < <(cd "$mpt" && sed -n \
  -e 's/^MPT_FILES_\(SRC_MPT\|SRC_OPENMPT\|COMMON\|SOUNDBASE\|SOUNDLIB\|SOUNDDSP\) *+= *\(.*\.cpp\)$/\2/p' \
  -e 's/^libopenmpt_la_SOURCES *+= *\(.*\.cpp\)$/\1/p' Makefile.am | sed "s|^|$mpt/|")
compile_all "$libs/obj/openmpt" em++ -O2 -std=c++17 -fexceptions -DLIBOPENMPT_BUILD \
  -I"$mpt" -I"$mpt/src" -I"$mpt/common" -I"$mpt/build/svn_version" -Wno-everything -- "${mpt_sources[@]}"
archive "$libs/libopenmpt.a" "$libs/obj/openmpt"
mkdir -p "$libs/include/libopenmpt"
cp -u "$mpt"/libopenmpt/libopenmpt*.h* "$libs/include/libopenmpt/"
