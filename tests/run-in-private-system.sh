#!/usr/bin/env bash
# Runs a test executable as root in a private mount namespace whose /etc, /usr, /var, /opt and
# /root are overlays on a throw-away tmpfs, so that tests may change the machine's trust (its CA
# bundle, the browsers' policy files) and install packages while the machine itself never
# changes. Afterwards the machine's own files of trust are checked against what they were before.
# Not root: the executable runs as it is, and its tests that need the namespace skip.
# Usage: run-in-private-system.sh EXECUTABLE [ARGS...]
set -euo pipefail

if [[ ${1:-} == --inside ]]; then
  scratch=$2 outer=$3
  shift 3
  # The mounts would change the machine if this ran in the machine's own mount namespace.
  [[ $(readlink /proc/self/ns/mnt) != "$outer" ]] || { echo "not in a private namespace" >&2; exit 1; }
  mount -t tmpfs corvane-system-layers "$scratch"
  for dir in /etc /usr /var /opt /root; do
    [[ -d $dir ]] || continue
    name=${dir#/}
    mkdir "$scratch/$name" "$scratch/$name.work"
    mount -t overlay corvane-system -o \
      "lowerdir=$dir,upperdir=$scratch/$name,workdir=$scratch/$name.work" "$dir"
  done
  export CORVANE_PRIVATE_SYSTEM="$outer"
  exec "$@"
fi

if [[ $(id -u) -ne 0 ]]; then
  exec "$@"
fi

# Every file of the machine's trust that a test could touch: path, type, size, mode and content.
fingerprint() {
  find /etc/ssl/certs /usr/local/share/ca-certificates /usr/share/ca-certificates /etc/pki \
    /etc/firefox /etc/thunderbird /etc/chromium /etc/opt /etc/ca-certificates.conf \
    -printf '%p %y %s %m %l\n' 2>/dev/null | sort
  cat /etc/ssl/certs/ca-certificates.crt /etc/ca-certificates.conf 2>/dev/null | sha256sum
  dpkg-query -W -f='${db:Status-Abbrev}' corvane 2>/dev/null || true
}

scratch=$(mktemp -d)
trap 'rmdir "$scratch"' EXIT
before=$(fingerprint)
status=0
unshare --mount --propagation private \
  bash "$0" --inside "$scratch" "$(readlink /proc/self/ns/mnt)" "$@" || status=$?
if [[ $(fingerprint) != "$before" ]]; then
  echo "run-in-private-system: the machine's own trust files changed" >&2
  status=1
fi
exit "$status"
