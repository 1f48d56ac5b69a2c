#!/usr/bin/env bash
# What the Linux build's tools print and write, for the Windows build's tools to reproduce:
#   catalogue.jsonl  certinfo on the embedded catalogue
#   mozilla.jsonl    certinfo on Debian's Mozilla bundle (file names as mozilla-files.txt lists them)
#   export-ENTRY.cer corvanectl export of a root and an intermediate
#   population.txt   what page population writes (the Linux build's corvane_population_text)
# The tools run with a throw-away home, so that no user's certificate database is read.
set -euo pipefail
tools=$1
out=$2
population=$3
bundle=/usr/share/ca-certificates/mozilla
mkdir -p "$out"
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME=$home XDG_DATA_HOME=$home/.local/share XDG_CONFIG_HOME=$home/.config TZ=UTC LC_ALL=C.UTF-8

"$tools/certinfo" > "$out/catalogue.jsonl"
find "$bundle" -name '*.crt' | LC_ALL=C sort > "$out/mozilla-files.txt"
mapfile -t files < "$out/mozilla-files.txt"
"$tools/certinfo" "${files[@]}" > "$out/mozilla.jsonl"
"$population" > "$out/population.txt"
for entry in 1028_0 16392_0; do
  "$tools/corvanectl" export "$entry" "$out/export-$entry.cer"
done
