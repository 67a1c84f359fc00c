#!/usr/bin/env bash
# Makes the release archive: one folder that runs where it is unpacked.
#
#   cmake/archive.sh BUILD_DIR VERSION
#
# writes BUILD_DIR/plupp-VERSION-linux-x86_64.tar.gz holding plupp,
# plupp-capture, gfx/, data/, README.txt, lib/ (every shared library they
# need that a desktop does not have) and licences/ (the copyright file of
# each Debian package those libraries come from). The executables find lib/
# through a run path relative to themselves ($ORIGIN), so nothing in the
# viewer's environment changes.
set -euo pipefail
build=$(cd "$1" && pwd)
version=$2
name=plupp-$version-linux-x86_64
stage=$(mktemp -d "$build/archive.XXXXXX")
trap 'rm -rf "$stage"' EXIT
dest=$stage/$name

# The same files `cmake --install` lays out, stripped.
DESTDIR=$stage/install cmake --install "$build" --prefix /usr --strip >/dev/null
mkdir -p "$dest/lib" "$dest/licences"
cp "$stage/install/usr/bin/plupp" "$stage/install/usr/bin/plupp-capture" "$dest/"
cp -r "$stage/install/usr/share/plupp/gfx" "$stage/install/usr/share/plupp/data" "$dest/"
cp "$build/README.txt" "$dest/"

# What a Debian 12 or Ubuntu 22.04 desktop has: the C and C++ runtimes, zlib
# and the compression libraries apt itself needs, the X11, Wayland, Mesa,
# ALSA, PulseAudio and D-Bus client libraries. A library on this list is
# left out, and so is everything it alone needs; every other is bundled.
# The graphics driver stack must be the system's own in any case.
base='^(ld-linux-x86-64|libc|libm|libdl|libpthread|librt|libresolv|libutil|libstdc\+\+|libgcc_s|libz|liblzma|libzstd|liblz4|libbz2|libX11|libX11-xcb|libXext|libXcursor|libXi|libXfixes|libXrandr|libXrender|libXss|libXxf86vm|libXinerama|libXau|libXdmcp|libxcb[-a-z0-9]*|libxkbcommon|libwayland-[a-z]+|libdrm|libgbm|libGL|libEGL|libGLX|libGLdispatch|libOpenGL|libasound|libpulse|libpulse-simple|libdbus-1|libsystemd|libcap|libgcrypt|libgpg-error|libexpat|libffi|libbsd|libmd)\.so'

# Where the system resolves each library name for these programs: ldd runs
# them through the loader with their build run path (sdl12-compat's folder).
# SDL2 is no link-time need: sdl12-compat loads it by its soname at start.
sdl2=$(ldconfig -p | awk '$1 == "libSDL2-2.0.so.0" && /x86-64/ {print $NF; exit}')
[ -n "$sdl2" ] || { echo "archive: libSDL2-2.0.so.0 is not installed" >&2; exit 1; }
declare -A where
while read -r soname path; do where[$soname]=$path; done < <(
  ldd "$build/plupp" "$build/plupp-capture" "$sdl2" | awk '$2 == "=>" && $3 ~ /^\// {print $1, $3}')
where[libSDL2-2.0.so.0]=$sdl2

# dpkg knows a file under the name its package gave it, /lib or /usr/lib,
# the link or the file it points to.
package_of() {
  local real
  real=$(readlink -f "$1")
  for f in "$real" "${real#/usr}" "$1" "/usr$1"; do
    dpkg -S "$f" 2>/dev/null | head -n 1 | cut -d: -f1 | grep . && return 0
  done
  echo "archive: no package owns $1" >&2
  return 1
}
needed() { readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'; }
queue=($(needed "$build/plupp") $(needed "$build/plupp-capture") libSDL2-2.0.so.0)
declare -A seen
while ((${#queue[@]})); do
  lib=${queue[0]}
  queue=("${queue[@]:1}")
  [ -n "${seen[$lib]:-}" ] && continue
  seen[$lib]=1
  [[ $lib =~ $base ]] && continue
  path=${where[$lib]:-}
  [ -n "$path" ] || { echo "archive: cannot find $lib" >&2; exit 1; }
  cp -L "$path" "$dest/lib/$lib"
  chmod 644 "$dest/lib/$lib"
  strip --strip-unneeded "$dest/lib/$lib"
  # The library's own needs come from lib/ too, whatever run path it had.
  patchelf --force-rpath --set-rpath '$ORIGIN' "$dest/lib/$lib"
  pkg=$(package_of "$path")
  cp "/usr/share/doc/$pkg/copyright" "$dest/licences/$pkg.txt"
  echo "$lib $pkg" >>"$stage/bundled.txt"
  queue+=($(needed "$path"))
done
# The pictures' lettering is rendered from these fonts.
for pkg in fonts-comfortaa fonts-dejavu-core; do
  cp "/usr/share/doc/$pkg/copyright" "$dest/licences/$pkg.txt"
done
cp "$stage/install/usr/share/doc/plupp/copyright" "$dest/licences/plupp.txt"
sort "$stage/bundled.txt" | awk '{print $1 "  (Debian package " $2 ")"}' >"$dest/licences/LIBRARIES.txt"

# An old-style DT_RPATH: the loader applies it to the libraries' needs too,
# and to sdl12-compat's own loading of SDL2.
for exe in plupp plupp-capture; do
  patchelf --force-rpath --set-rpath '$ORIGIN/lib' "$dest/$exe"
done

# The oldest system it can run on is the one whose C and C++ runtimes have
# every symbol version the archive's files ask for.
newest() { objdump -T "$dest/plupp" "$dest/plupp-capture" "$dest"/lib/* | grep -o "$1[0-9.]*" | sort -uV | tail -n 1; }
echo "archive: needs $(newest GLIBC_) and $(newest GLIBCXX_) (Debian 12: 2.36 and 3.4.30; Ubuntu 22.04: 2.35 and 3.4.30)"

out=$build/$name.tar.gz
# The same inputs give the same archive: fixed owner, order and times.
tar -C "$stage" --sort=name --owner=0 --group=0 --numeric-owner \
  --mtime="@${SOURCE_DATE_EPOCH:-$(git -C "$(dirname "$0")" log -1 --format=%ct 2>/dev/null || echo 0)}" \
  -cf - "$name" | gzip -9n >"$out"
echo "archive: $out ($(du -k "$out" | cut -f1) KiB; unpacked $(du -sk "$dest" | cut -f1) KiB:" \
  "lib $(du -sk "$dest/lib" | cut -f1), gfx $(du -sk "$dest/gfx" | cut -f1)," \
  "data $(du -sk "$dest/data" | cut -f1), executables $(du -ck "$dest/plupp" "$dest/plupp-capture" | tail -n 1 | cut -f1) KiB)"
