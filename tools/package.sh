#!/usr/bin/env bash
# Builds the Debian package build-package/corvane_VERSION_amd64.deb: a release build with Debian's
# hardening flags, installed into a staging folder and packed by CPack, with the run-time
# dependencies computed from the binaries. Extra arguments go to cmake (a compiler launcher, say).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh

build_dir=build-package
# The flags Debian builds its own packages with (hardening included); set on every configure so
# that the tree never keeps flags from another environment.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CFLAGS)"
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCH=OFF -DCORVANE_BUILD_GUI=ON \
  -DCMAKE_C_FLAGS="$cflags" -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
  "$@" >/dev/null
cmake --build "$build_dir"
rm -f "$build_dir"/*.deb
(cd "$build_dir" && cpack -G DEB >/dev/null)
echo "Package: $(ls "$build_dir"/*.deb)"
