#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine and builds the demo into build/.
#   ./setup.sh demo   install what is missing, build, start the show
#   ./setup.sh test   install what is missing (with what the tests need:
#                     deps-test.txt), build, run every test (also in an
#                     AddressSanitizer/UBSan build, build-asan/)
#   ./setup.sh release       install what is missing (with deps-release.txt),
#                            build the archive and the Debian package into
#                            build/
#   ./setup.sh release-test  the same, then prove both on a bare Debian 12
#                            (tests/release/bare.sh; a first run downloads
#                            the base system)
#   ./setup.sh web    install emscripten and chromium, build the show for the
#                     browser into build-web/ (libraries from Debian's source
#                     packages, cached in build-web-libs/) and test it there
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
  release) install_missing deps.txt deps-release.txt ;;
  release-test) install_missing deps.txt deps-test.txt deps-release.txt ;;
  web) install_missing deps.txt deps-test.txt web/deps-web.txt ;;
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
  release | release-test)
    # Only what the artefacts hold is built; the tests' own targets are not.
    cmake -S . -B build >/dev/null
    cmake --build build -j "$jobs" --target release
    if [ "$mode" = release-test ]; then
      tests/release/bare.sh build
    fi
    ;;
  web)
    # Debian's npm would replace a node that brought its own.
    command -v npm >/dev/null || install_missing <(echo npm)
    build build
    web/fetch-sources.sh build-web-libs/src
    web/build-libs.sh build-web-libs
    web/build.sh build build-web-libs build-web
    tests/web/run.sh build-web build
    echo "setup: the browser build is in build-web/; serve it with"
    echo "    python3 -m http.server -d build-web"
    echo "and open http://localhost:8000/"
    ;;
  *)
    echo "usage: ./setup.sh demo|test|release|release-test|web" >&2
    exit 2
    ;;
esac
