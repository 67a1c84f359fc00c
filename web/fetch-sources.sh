#!/usr/bin/env bash
# Fetches the sources of the libraries the browser build compiles itself (SDL
# 1.2, SGE, libopenmpt) from Debian's source packages into DIR, once. The
# deb-src entry lives in a file of its own and is removed again afterwards, so
# the machine's package lists are left as they were.
#   web/fetch-sources.sh DIR
set -euo pipefail
dir=$1
mkdir -p "$dir"
cd "$dir"
want=()
[[ -d sdl ]] || want+=(libsdl1.2)
[[ -d sge ]] || want+=(libsdl-sge)
[[ -d openmpt ]] || want+=(libopenmpt)
((${#want[@]})) || exit 0

sudo=""
[[ $(id -u) -ne 0 ]] && sudo=sudo
list=/etc/apt/sources.list.d/plupp-web-src.sources
drop() { $sudo rm -f "$list"; $sudo apt-get update -qq || true; }
trap drop EXIT
# The same mirror and suite as the machine's own binary entries.
uris=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -1)
[[ -n "$uris" ]] || uris=http://deb.debian.org/debian
$sudo tee "$list" >/dev/null <<SRC
Types: deb-src
URIs: $uris
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
$sudo apt-get update -qq
command -v dpkg-source >/dev/null || DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq dpkg-dev
for pkg in "${want[@]}"; do
  rm -rf "fetch-$pkg" && mkdir "fetch-$pkg"
  # SGE's debian.tar.xz is not on the mirror; its orig tarball is, and is all
  # the build needs, so a failed unpack is not an error here.
  (cd "fetch-$pkg" && apt-get source -qq "$pkg" >/dev/null 2>&1) || true
  src=$(find "fetch-$pkg" -mindepth 1 -maxdepth 1 -type d | head -1)
  if [[ -z "$src" ]]; then
    orig=$(ls "fetch-$pkg"/*.orig.tar.* 2>/dev/null | head -1)
    [[ -n "$orig" ]] || { echo "fetch-sources: no source came for $pkg" >&2; exit 1; }
    mkdir "fetch-$pkg/unpacked"
    tar -xf "$orig" -C "fetch-$pkg/unpacked"
    src=$(find "fetch-$pkg/unpacked" -mindepth 1 -maxdepth 1 -type d | head -1)
  fi
  case "$pkg" in
    libsdl1.2) mv "$src" sdl ;;
    libsdl-sge) mv "$src" sge ;;
    libopenmpt) mv "$src" openmpt ;;
  esac
  rm -rf "fetch-$pkg"
done
