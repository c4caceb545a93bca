#!/usr/bin/env bash
# Parlino: one entry point for building, testing and running the system.
#   ./run.sh test [ctest args]  install what is missing, build with sanitizers, run the tests
#                               (every one, or those the ctest arguments pick: -R relay)
#   ./run.sh tsan [ctest args]  build with ThreadSanitizer into build/tsan and run the tests
#                               labelled tsan (our own threads)
#   ./run.sh demo               build, make fresh demo data and start the server and two softphones on it
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)

packages=(build-essential cmake ninja-build pkg-config
          qt6-base-dev qt6-base-dev-tools libgl-dev
          libgtest-dev libgmock-dev libbenchmark-dev libasound2-dev libjpeg-dev
          libx11-dev xvfb xauth openbox tint2 xdotool xclip x11-utils imagemagick)

install_missing() {
    local missing=()
    for p in "${packages[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build() {   # build <dir> <cmake args...>
    local dir=$1; shift
    cmake -S "$root" -B "$dir" -G Ninja "$@"
    cmake --build "$dir" --parallel "$(nproc)"
}

case "${1:-}" in
test)
    install_missing
    build build/test -DCMAKE_BUILD_TYPE=Debug -DPARLINO_SANITIZE=ON -DPARLINO_WERROR=ON
    cd build/test
    ctest --output-on-failure --parallel "$(nproc)" --timeout 600 "${@:2}"
    ;;
tsan)
    install_missing
    # Tools that run during the build (the softphone's asset maker) use Qt's own threads,
    # which are not instrumented; only the tests are checked.
    TSAN_OPTIONS="report_bugs=0" build build/tsan -DCMAKE_BUILD_TYPE=Debug -DPARLINO_TSAN=ON \
        -DPARLINO_WERROR=ON -DPARLINO_BUILD_BENCH=OFF
    cd build/tsan
    ctest --output-on-failure --parallel "$(nproc)" --timeout 600 -L tsan "${@:2}"
    ;;
demo)
    # x11vnc: the README's way to reach the demo's virtual desktop.
    install_missing x11vnc
    # With the benchmarks, so that build/release also serves `cmake --build build/release
    # --target bench_<name>`.
    build build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPARLINO_BUILD_TESTS=OFF -DPARLINO_BUILD_BENCH=ON
    exec "$root/tools/demo.sh" "$root/build/release"
    ;;
*)
    echo "usage: $0 test|tsan [ctest args] | demo" >&2
    exit 2
    ;;
esac
