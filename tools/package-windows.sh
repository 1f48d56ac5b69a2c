#!/usr/bin/env bash
# Builds the Windows programs (the build tree build-windows, as tools/test-windows.sh makes it)
# and packages corvane.exe, corvanectl.exe and certinfo.exe twice: a per-user installer
# (corvane-VERSION.msi, made by wixl; no elevation, the user's own program folder and a
# Start-menu entry) and a plain zip beside it (corvane-VERSION-windows.zip).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
linux_build=${1:-build-test}

# The Windows build's tests compare with the Linux tools; the configuration asks where they are.
cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCORVANE_LINUX_TOOLS_DIR="$PWD/$linux_build/tools" >/dev/null
cmake --build build-windows --target corvane_msi

version=$(sed -n 's/^project(corvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
msi=build-windows/corvane-$version.msi
zip=build-windows/corvane-$version-windows.zip
staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT
mkdir "$staging/corvane-$version"
cp build-windows/corvane.exe build-windows/tools/corvanectl.exe build-windows/tools/certinfo.exe \
  "$staging/corvane-$version/"
rm -f "$zip"
(cd "$staging" && python3 -m zipfile -c "$OLDPWD/$zip" "corvane-$version")
echo "Built $msi and $zip"
