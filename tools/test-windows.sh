#!/usr/bin/env bash
# The Windows build and its tests: cross-compiles with mingw-w64 into build-windows (the programs,
# the window and its installer) and runs the tests under Wine in a throw-away prefix made here
# (never the user's own) on a virtual display, and removes the prefix afterwards. Needs the Linux
# build's tools and page population, whose output the Windows build must reproduce: build-test
# by default, or the build tree given as the first argument.
set -euo pipefail
cd "$(dirname "$0")/.."
linux_build=${1:-build-test}

# The Linux tools, if the Linux build has not made them yet.
if [[ ! -x "$linux_build/tools/certinfo" || ! -x "$linux_build/tools/corvanectl" ]]; then
  cmake -S . -B "$linux_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_WERROR=ON \
    >/dev/null
fi
cmake --build "$linux_build" --target certinfo corvanectl corvane_population_text

cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCORVANE_LINUX_TOOLS_DIR="$PWD/$linux_build/tools" >/dev/null
cmake --build build-windows

scratch=$(mktemp -d)
export WINEPREFIX=$scratch/wineprefix WINEDEBUG=-all
# Wine's windows must not reach a real display (the window tests get a virtual one below), and
# its programs take the test's time zone.
unset DISPLAY WAYLAND_DISPLAY
export TZ=Europe/Prague
cleanup() {
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
# The prefix and its tests share one virtual display: Wine's desktop process, which wineboot
# starts, draws every window of the prefix there. wineboot does not offer to download Wine's
# Gecko and Mono packages, which Debian does not carry.
run_in_prefix() {
  WINEDLLOVERRIDES="mscoree,mshtml=" /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
  touch "$WINEPREFIX/.corvane-test-prefix"
  ctest --test-dir build-windows --output-on-failure
}
# xvfb-run is a POSIX shell script, which drops exported functions: the function goes as text.
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "$(declare -f run_in_prefix); run_in_prefix"
