#!/usr/bin/env bash
# Fails when a source file of a layer includes a header of a layer it must not depend on.
#
# The direction is app -> page -> catalogue -> crypto -> platform (interfaces) <- platform/linux
# and platform/windows, which know nothing of each other.
# The string table (res) rests on the platform interfaces and serves the layers above them and
# the window. app/main.cpp and platform/windows/gui/main.cpp put the program together and may
# include anything; the string-table generator of the Windows resources reads the table.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A allowed=(
  [app]="app page catalogue crypto res platform"
  [page]="page catalogue crypto res platform"
  [catalogue]="catalogue crypto res platform"
  [crypto]="crypto platform"
  [res]="res platform"
  [platform]="platform"
  [platform/linux]="platform/linux platform"
  [platform/linux/gui]="platform/linux/gui platform/linux platform res"
  [platform/windows]="platform/windows platform"
  [platform/windows/gui]="platform/windows/gui platform/windows platform"
  [platform/windows/resources]="platform/windows/resources platform res"
)

# The layer a path belongs to, or "other" (tests, bench, tools, anything else).
layer_of() {
  case "$1" in
    platform/linux/gui/*) echo platform/linux/gui ;;
    platform/linux/*) echo platform/linux ;;
    platform/windows/gui/*) echo platform/windows/gui ;;
    platform/windows/resources/*) echo platform/windows/resources ;;
    platform/windows/*) echo platform/windows ;;
    platform/*) echo platform ;;
    app/* | page/* | catalogue/* | crypto/* | res/*) echo "${1%%/*}" ;;
    *) echo other ;;
  esac
}

status=0
while IFS= read -r file; do
  [[ "$file" == app/main.cpp || "$file" == platform/windows/gui/main.cpp ]] && continue
  from=$(layer_of "$file")
  [[ "$from" == other ]] && continue
  while IFS=: read -r line header; do
    # A header named without a folder is the file's own neighbour or a generated one.
    [[ "$header" == */* ]] || continue
    to=$(layer_of "$header")
    if [[ " ${allowed[$from]} " != *" $to "* ]]; then
      echo "$file:$line: $from must not include $header ($to)" >&2
      status=1
    fi
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
             sed 's/^\([0-9]*\):[^"]*"\([^"]*\)".*/\1:\2/')
done < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' '*.c')

if ((status == 0)); then
  echo "Layers: every include follows the direction."
fi
exit "$status"
