#!/usr/bin/env bash
# Runs a test executable as an unprivileged user when started as root, because root writes through
# read-only permissions and the tests of read-only folders would otherwise only skip. The user
# gets a throw-away home of its own, and a copy of the executable there, since the build tree may
# lie in a folder it cannot enter. Usage: run-unprivileged.sh EXECUTABLE [ARGS...]
set -euo pipefail
if [[ $(id -u) -ne 0 ]]; then
  exec "$@"
fi
home=$(mktemp -d /tmp/corvane-unprivileged.XXXXXX)
trap 'rm -rf "$home"' EXIT
program="$home/$(basename "$1")"
cp "$1" "$program"
shift
chown -R nobody:nogroup "$home"
cd "$home"
setpriv --reuid=nobody --regid=nogroup --clear-groups \
  env HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config" \
  XDG_CACHE_HOME="$home/.cache" TZ=Europe/Prague LC_ALL=C.UTF-8 "$program" "$@"
