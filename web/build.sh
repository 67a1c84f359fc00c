#!/usr/bin/env bash
# Compiles the show for the browser and links the page into OUT: index.html,
# index.js, index.wasm and index.data (the native build's gfx/ and data/).
# The show's own sources compile unchanged; web/ holds what differs (entry,
# presentation, IMG_Load, SDL's timer and sound device). Objects are kept in
# OUT/obj and remade only when older than their source or a header.
#   web/build.sh NATIVE_BUILD LIBS OUT
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
native=$(cd "$1" && pwd)
libs=$(cd "$2" && pwd)
mkdir -p "$3"
out=$(cd "$3" && pwd)
jobs=$(nproc 2>/dev/null || echo 2)
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

# The same list CMakeLists.txt builds plupp_show from, less the native
# presenter, which web/present.cpp stands in for.
mapfile -t show < <(cd "$root" && ls demo/*.cpp render/*.cpp effects/*.cpp |
  grep -v -x -e demo/entry.cpp -e demo/present.cpp)
sources=("${show[@]}" web/entry.cpp web/present.cpp web/image.cpp)
echo "web: ${#show[@]} show sources and ${#sources[@]} in all"

flags=(-O2 -std=c++17 -fexceptions -Wall -Wextra -I"$root" -isystem "$libs/include"
  -isystem "$libs/include/SDL" -isystem /usr/share/emscripten/third_party)
newest_header=$(cd "$root" && ls -t demo/*.h render/*.h effects/*.h web/*.h web/sdl/*.h | head -1)
mkdir -p "$out/obj"
todo=()
for s in "${sources[@]}"; do
  o=$out/obj/$(echo "$s" | tr / _).o
  [[ -f "$o" && "$o" -nt "$root/$s" && "$o" -nt "$root/$newest_header" ]] || todo+=("$s")
done
if ((${#todo[@]})); then
  echo "web: compiling ${#todo[@]} files"
  printf '%s\n' "${todo[@]}" | (cd "$root" && xargs -P "$jobs" -I{} sh -c '
    s=$1; shift; o=$1/obj/$(echo "$s" | tr / _).o; shift
    em++ "$@" -c "$s" -o "$o.tmp" && mv "$o.tmp" "$o"' _ {} "$out" "${flags[@]}")
fi

objs=()
for s in "${sources[@]}"; do objs+=("$out/obj/$(echo "$s" | tr / _).o"); done
# Asyncify lets the show's blocking loop and waits run as written (SDL_Delay
# yields to the browser). Left to itself it also instruments every indirect
# call, which made libopenmpt 1.6-2.6x slower and the wasm 58% larger; the
# way from the loop to SDL_Delay is direct calls only, so indirect calls are
# left alone. A call that may throw goes out through a JavaScript invoke_
# wrapper and back in (exceptions in this emscripten), so those wrappers must
# be known to unwind as well: SDL_main calls the frame loop through one.
em++ -O2 -fexceptions "${objs[@]}" "$libs/libSGE.a" "$libs/libopenmpt.a" "$libs/libSDL.a" \
  -sASYNCIFY -sASYNCIFY_IGNORE_INDIRECT=1 -sASYNCIFY_STACK_SIZE=65536 \
  '-sASYNCIFY_IMPORTS=["emscripten_sleep","invoke_*"]' \
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=64MB -sENVIRONMENT=web \
  -sEXPORTED_FUNCTIONS=_main,_plupp_audio_fill,_plupp_key -sEXPORTED_RUNTIME_METHODS=callMain \
  --pre-js "$root/web/page.js" \
  --preload-file "$native/gfx@/gfx" --preload-file "$native/data@/data" \
  -o "$out/index.js"
cp "$root/web/shell.html" "$out/index.html"
ls -l "$out"/index.* | awk '{printf "web: %s %.2f MB\n", $NF, $5 / 1e6}'
