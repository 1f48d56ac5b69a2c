#!/usr/bin/env bash
# Renders the page images and window icons from their SVG sources in res/images into the page
# resources in res/page. Run after changing an SVG and commit the PNGs it writes.
set -euo pipefail
cd "$(dirname "$0")/../res"

render() {  # source.svg width height target.png
  rsvg-convert --width "$2" --height "$3" --format png --output "page/$4" "images/$1"
}

render logo.svg 350 97 logo.png
render ok.svg 24 24 ok.png
render nook.svg 24 24 nook.png
render partial.svg 24 24 partial.png
render unknown.svg 24 24 unknown.png
render blank.svg 100 100 blank100x100.png
for size in 16 32 48; do
  render shield.svg "$size" "$size" "corvane-$size.png"
done
