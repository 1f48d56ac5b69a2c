#!/usr/bin/env bash
# Installs what is missing, builds Corvane and starts its window.
#
# Without a graphical display (DISPLAY and WAYLAND_DISPLAY unset) the window runs on a virtual
# display instead: once the page has had time to fill, a screenshot of the screen is saved
# (corvane-screenshot.png in the build folder, or the path in CORVANE_SCREENSHOT) and Corvane is
# ended. CORVANE_BUILD_DIR names another build folder than "build".
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${CORVANE_BUILD_DIR:-build}
bash tools/install-deps.sh
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_BUILD_GUI=ON \
  >/dev/null
cmake --build "$build_dir" --target corvane

if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  exec "$build_dir/corvane"
fi

screenshot=${CORVANE_SCREENSHOT:-$PWD/$build_dir/corvane-screenshot.png}
echo "No graphical display (DISPLAY and WAYLAND_DISPLAY are unset):"
echo "running Corvane on a virtual display and taking a screenshot of its window."
# Inside the virtual display: start Corvane and wait for its window, then take a screenshot every
# second until the page has been drawn and two shots in a row are the same (at most a minute).
xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
  set -u
  "$2" &
  pid=$!
  trap "kill $pid 2>/dev/null" EXIT
  if ! timeout 60 xdotool search --sync --onlyvisible --name "^Oberit Corvane$" >/dev/null; then
    echo "Corvane did not open its window." >&2
    exit 1
  fi
  shot=$(mktemp --suffix=.png)
  previous=$(mktemp --suffix=.png)
  for _ in $(seq 60); do
    sleep 1
    import -window root "$shot"
    colours=$(convert "$shot" -format "%k" info:)
    if ((colours > 50)) && compare -metric AE "$shot" "$previous" null: 2>/dev/null; then
      break
    fi
    cp "$shot" "$previous"
  done
  mv "$shot" "$1"
  rm -f "$previous"
' corvane-run "$screenshot" "$build_dir/corvane"
echo "Screenshot saved: $screenshot"
