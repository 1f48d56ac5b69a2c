#!/usr/bin/env bash
# Installs what is missing, checks that every include follows the layers and every C++ file the
# formatting of .clang-format, builds with warnings as errors and runs every test: the unit
# tests, the window tests on a virtual display, the unit tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer, every fuzz target for a short time, builds the Debian package and
# checks it installed (in a private mount namespace that leaves the machine as it was), and last
# builds for Windows and runs that build's tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
bash tools/check-layers.sh
bash tools/check-format.sh

jobs=$(nproc)
bash tools/build.sh build-test -DCORVANE_WERROR=ON -DCORVANE_FAULT_POINTS=ON
xvfb-run -a -s "-screen 0 1920x1080x24" \
  ctest --test-dir build-test --output-on-failure -j "$jobs"

bash tools/build.sh build-asan -DCORVANE_WERROR=ON -DCORVANE_SANITIZE=ON -DCORVANE_FAULT_POINTS=ON \
  -DCORVANE_BUILD_GUI=OFF -DCORVANE_BUILD_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" -L unit

# Every fuzz target for 15 seconds over its seed corpus.
bash tools/fuzz.sh

bash tools/package.sh
bash tools/check-package.sh

# The Windows build, its tests under Wine, and its tools against the Linux build's.
bash tools/test-windows.sh build-test
