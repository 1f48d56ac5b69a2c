#!/usr/bin/env bash
# Fails when a C++ file of the project does not follow .clang-format, naming each such file.
# Fix them with: clang-format -i FILE...
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' |
                       while IFS= read -r file; do [[ -f "$file" ]] && echo "$file"; done)
if ! report=$(clang-format --dry-run --Werror "${files[@]}" 2>&1); then
  echo "Not formatted as .clang-format asks:" >&2
  grep -o '^[^:]*\.\(cpp\|h\):' <<<"$report" | sort -u | tr -d ':' | sed 's/^/  /' >&2
  exit 1
fi
echo "Formatting: all ${#files[@]} C++ files follow .clang-format."
