#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine and builds the demo into build/.
#   ./setup.sh demo   install what is missing, build, start the show
#   ./setup.sh test   install what is missing (with what the tests need:
#                     deps-test.txt), build, run every test (also in an
#                     AddressSanitizer/UBSan build, build-asan/)
set -euo pipefail
cd "$(dirname "$0")"
mode=${1:-demo}
jobs=$(nproc 2>/dev/null || echo 2)

install_missing() {  # install_missing LIST...: the packages of those files
  local missing=()
  while read -r pkg; do
    [[ -z "$pkg" || "$pkg" == \#* ]] && continue
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
  done < <(cat "$@")
  if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    local sudo=""
    [[ $(id -u) -ne 0 ]] && sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

build() {  # build DIR [cmake options...]
  local dir=$1
  shift
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

case "$mode" in
  test) install_missing deps.txt deps-test.txt ;;
  *) install_missing deps.txt ;;
esac
case "$mode" in
  demo)
    build build
    exec ./build/plupp "${@:2}"
    ;;
  test)
    build build
    (cd build && ctest --output-on-failure -j "$jobs")
    build build-asan -DPLUPP_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
    (cd build-asan && ctest --output-on-failure -j "$jobs")
    ;;
  *)
    echo "usage: ./setup.sh demo|test" >&2
    exit 2
    ;;
esac
