#!/usr/bin/env bash
# The per-user installer under Wine, in the throw-away prefix of tools/test-windows.sh: msiexec
# installs it as the user without elevation, the programs and the Start-menu entry are there,
# corvane.exe started from the installed place shows its window and closes (the window test run
# on that executable), and msiexec /x removes every file again.
# Usage: check-installer.sh MSI WINDOW_TESTS_EXE
set -euo pipefail
msi=$1
window_tests=$2
if [[ -z "${WINEPREFIX:-}" || ! -f "$WINEPREFIX/.corvane-test-prefix" ]]; then
  echo "check-installer.sh: WINEPREFIX must be a test prefix made by tools/test-windows.sh" >&2
  exit 125
fi
export WINEDEBUG=-all
wine=/usr/lib/wine/wine64
users=$WINEPREFIX/drive_c/users
fail() {
  echo "check-installer.sh: $*" >&2
  exit 1
}
installed_files() {
  find "$users" \( -path '*/AppData/Local/Programs/Oberit Corvane*' \
    -o -path '*/Start Menu/Programs/Oberit Corvane.lnk' \) -print | LC_ALL=C sort
}

[[ -z "$(installed_files)" ]] || fail "the prefix holds an installation already"
"$wine" msiexec /i "$("$wine" winepath -w "$msi" 2>/dev/null)" /qn || fail "msiexec /i failed ($?)"

folder=$(find "$users" -type d -path '*/AppData/Local/Programs/Oberit Corvane' -print -quit)
[[ -n "$folder" ]] || fail "no program folder under the user's AppData/Local/Programs"
for program in corvane.exe corvanectl.exe certinfo.exe; do
  [[ -s "$folder/$program" ]] || fail "$program is not installed"
done
entry=$(find "$users" -path '*/Start Menu/Programs/Oberit Corvane.lnk' -print -quit)
[[ -n "$entry" ]] || fail "no Start-menu entry"
grep -qa 'corvane.exe' "$entry" || fail "the Start-menu entry does not start corvane.exe"
echo "installed: $(installed_files | sed "s|$users/||" | tr '\n' ' ')"

# The installed corvane.exe: its window shows, in the designed place, and it closes cleanly.
CORVANE_EXE=$("$wine" winepath -w "$folder/corvane.exe" 2>/dev/null) \
  "$wine" "$window_tests" --gtest_filter='CorvaneProcess.*' || fail "the installed corvane.exe failed"

"$wine" msiexec /x "$("$wine" winepath -w "$msi" 2>/dev/null)" /qn || fail "msiexec /x failed ($?)"
left=$(installed_files)
[[ -z "$left" ]] || fail "left after the uninstall: $left"
echo "uninstalled: nothing left"
