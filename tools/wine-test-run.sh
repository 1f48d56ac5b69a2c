#!/usr/bin/env bash
# Runs a Windows executable of the test build under Wine, in the throw-away prefix that
# tools/test-windows.sh made. Refuses any other prefix, so that a test never touches a user's own.
set -euo pipefail
if [[ -z "${WINEPREFIX:-}" || ! -f "$WINEPREFIX/.corvane-test-prefix" ]]; then
  echo "wine-test-run.sh: WINEPREFIX must be a test prefix made by tools/test-windows.sh" >&2
  exit 125
fi
export WINEDEBUG=-all
exec /usr/lib/wine/wine64 "$@"
