#!/usr/bin/env bash
# Installs every Debian package Corvane needs to build, run and test. Quick when all is present:
# apt-get runs only when something is missing. Run as root (or through sudo).
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config clang-format
  # certificate logic: parsing, the user's certificate database, its integrity check, JSON output
  libssl-dev openssl libnss3-dev libnss3-tools libsqlite3-dev nlohmann-json3-dev
  # the window: GTK 3, WebKitGTK, the certificate viewer widget, resource compiler
  libgtk-3-dev libwebkit2gtk-4.1-dev libgcr-3-dev libglib2.0-dev-bin librsvg2-bin
  # tests and benchmarks: unit tests, a virtual display, screenshots, an independent browser
  libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth imagemagick xdotool fonts-dejavu-core
  # the peer that the set-of-databases benchmark times corvanectl against
  mkcert
  chromium iproute2 util-linux
  # the page as a screen reader reads it: the accessibility bus in a D-Bus session of its own
  python3-pyatspi at-spi2-core dbus
  # fuzzing: clang with libFuzzer and the sanitizer runtimes
  clang-14 libclang-rt-14-dev
  # the Debian package and its checks: desktop entry, AppStream data, package lint, manual pages
  file desktop-file-utils appstream lintian man-db groff-base
  # the second browser of the end-to-end tests (its profiles keep their own databases) and the
  # small HTTPS server whose request log proves that it trusted a site
  firefox-esr python3
  # system-wide trust: the CA bundle and its command, clients that read it, the deployment role
  # (its apt module needs python3-apt)
  ca-certificates curl ansible-core python3-apt
  # the Windows build: cross compiler, GoogleTest's source to build with it, Wine to run the tests
  g++-mingw-w64-x86-64-posix googletest wine64
  # the Windows installer: MSI packages built on Debian, and the tool that reads them
  wixl msitools
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [[ $(id -u) -eq 0 ]] || SUDO="sudo"
  # Another installation may hold dpkg's lock for a while: wait for it instead of failing.
  lock_wait=(-o DPkg::Lock::Timeout=900)
  $SUDO apt-get "${lock_wait[@]}" update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get "${lock_wait[@]}" install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi
