#!/usr/bin/env bash
# Installs what is missing, builds Corvane and starts its window.
#
# Without a graphical display (DISPLAY and WAYLAND_DISPLAY unset) the window runs on a virtual
# display instead: once the page has had time to fill, a screenshot of the screen is saved
# (build/corvane-screenshot.png, or the path in CORVANE_SCREENSHOT) and Corvane is ended.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target corvane

if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  exec build/corvane
fi

screenshot=${CORVANE_SCREENSHOT:-$PWD/build/corvane-screenshot.png}
echo "No graphical display (DISPLAY and WAYLAND_DISPLAY are unset):"
echo "running Corvane on a virtual display and taking a screenshot of its window."
# Inside the virtual display: start Corvane, wait for its window, give the page a few seconds to
# load and fill, take the screenshot, end Corvane.
xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
  set -u
  build/corvane &
  pid=$!
  if ! timeout 60 xdotool search --sync --onlyvisible --name "^Oberit Corvane$" >/dev/null; then
    echo "Corvane did not open its window." >&2
    kill "$pid" 2>/dev/null
    exit 1
  fi
  sleep "${CORVANE_SCREENSHOT_DELAY:-5}"
  import -window root "$1"
  status=$?
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  exit $status
' corvane-run "$screenshot"
echo "Screenshot saved: $screenshot"
