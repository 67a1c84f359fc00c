#!/usr/bin/env bash
# Makes (once) the bare system the release is proved on: Debian 12 from
# `debootstrap --variant=minbase`, plus only what any desktop has (the X client
# libraries, ALSA and PulseAudio's client library, Mesa) and a virtual X
# server, and an unprivileged user `viewer`. Kept as a tarball; later runs
# only unpack it.
#
#   tests/release/base_root.sh      prints the tarball's path
#
# PLUPP_ROOT_CACHE (default /var/cache/plupp-release) holds it; PLUPP_MIRROR
# (default http://deb.debian.org/debian) is where the packages come from.
set -euo pipefail
cache=${PLUPP_ROOT_CACHE:-/var/cache/plupp-release}
mirror=${PLUPP_MIRROR:-http://deb.debian.org/debian}
# A desktop's libraries, no more: a library the release needs and leaves out
# of its archive must be among these (or be pulled in by them), or the test
# sees it missing.
desktop="xvfb libx11-6 libxext6 libxcursor1 libxi6 libxfixes3 libxrandr2 libxrender1
  libxss1 libxxf86vm1 libxinerama1 libxkbcommon0 libwayland-client0 libwayland-cursor0
  libwayland-egl1 libgbm1 libdrm2 libgl1 libegl1 libasound2 libpulse0 libdbus-1-3"
key=$(echo "bookworm minbase $mirror $desktop" | md5sum | cut -c1-12)
tarball=$cache/bookworm-desktop-$key.tar
if [ -f "$tarball" ]; then echo "$tarball"; exit 0; fi

mkdir -p "$cache"
root=$(mktemp -d "$cache/root.XXXXXX")
trap 'umount -l "$root/proc" 2>/dev/null || true; grep -q " $root/" /proc/mounts || rm -rf --one-file-system "$root"' EXIT
# The packages debootstrap fetches are kept, so a second attempt after a
# failed one does not download them again.
mkdir -p "$cache/debs"
debootstrap --variant=minbase --cache-dir="$cache/debs" bookworm "$root" "$mirror" >&2
cat >"$root/etc/apt/sources.list" <<SRC
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb ${mirror%/debian}/debian-security bookworm-security main
SRC
mount -t proc proc "$root/proc"
chroot "$root" apt-get update -qq >&2
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive chroot "$root" apt-get install -y -qq --no-install-recommends $desktop >&2
chroot "$root" apt-get clean
chroot "$root" useradd -m -s /bin/bash viewer
umount "$root/proc"
chmod 755 "$root"  # the root folder is /: mktemp made it the owner's alone
tar -C "$root" -cf "$tarball.part" .
mv "$tarball.part" "$tarball"
echo "$tarball"
