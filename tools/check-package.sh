#!/usr/bin/env bash
# Checks the Debian package as a user receives it. Lintian must report no error. Then, inside a
# private mount namespace whose /usr, /etc, /var, /opt and /root are overlays on a throw-away
# tmpfs (so the machine itself never changes), the package is installed with apt-get and:
#   - the installed desktop entry, AppStream data and manual pages pass their validators;
#   - the installed corvanectl and certinfo work against a throw-away home;
#   - the installed corvane shows its window and page on a virtual display while the source and
#     build folders are hidden, and its window class is the one the desktop entry names;
#   - apt-get remove takes every file of the package away again.
# Usage: tools/check-package.sh [PACKAGE.deb]   (default: the package tools/package.sh built)
set -euo pipefail

# ---- inside the private mount namespace ------------------------------------------------------
if [[ ${1:-} == --inside ]]; then
  scratch=$2 deb=$3 hidden=$4 outer_namespace=$5
  app_id=example.oberit.Corvane
  fail() {
    echo "check-package: $*" >&2
    exit 1
  }
  # The mounts below would change the machine if this ran in the machine's own mount namespace.
  [[ $(readlink /proc/self/ns/mnt) != "$outer_namespace" ]] ||
    fail "--inside runs only in a private mount namespace"

  mount -t tmpfs corvane-check-layers "$scratch/layers"
  for dir in /usr /etc /var /opt /root; do
    [[ -d $dir ]] || continue
    name=${dir#/}
    mkdir "$scratch/layers/$name" "$scratch/layers/$name.work"
    mount -t overlay corvane-check -o \
      "lowerdir=$dir,upperdir=$scratch/layers/$name,workdir=$scratch/layers/$name.work" "$dir"
  done
  # Whatever the installed programs show must come from the installed files alone.
  mount -t tmpfs corvane-check-hidden "$hidden"
  cd /

  export DEBIAN_FRONTEND=noninteractive
  apt-get install -y "$deb" >"$scratch/apt-install.log" 2>&1 ||
    { cat "$scratch/apt-install.log" >&2; fail "apt-get install failed"; }
  [[ $(dpkg-query -W -f='${db:Status-Abbrev}' corvane) == "ii " ]] || fail "not installed"
  mapfile -t files < <(dpkg -L corvane | while read -r path; do [[ -f $path ]] && echo "$path"; done)

  desktop-file-validate "/usr/share/applications/$app_id.desktop" ||
    fail "the desktop entry does not validate"
  appstreamcli validate --no-net "/usr/share/metainfo/$app_id.metainfo.xml" >"$scratch/as.log" ||
    { cat "$scratch/as.log" >&2; fail "the AppStream data does not validate"; }
  for page in corvane corvanectl certinfo; do
    # man finds the page by its name, and neither man nor groff has anything to say about it.
    manual=$(man -w "$page") || fail "man finds no page $page"
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
      man --warnings -E UTF-8 -l -Tutf8 -Z "$manual" 2>&1 >/dev/null) || fail "man cannot show $page"
    warnings+=$(zcat "$manual" | groff -ww -z -man -Tutf8 2>&1)
    [[ -z $warnings ]] || fail "manual page $page: $warnings"
  done
  for size in 16x16 32x32 48x48 128x128; do
    [[ -s /usr/share/icons/hicolor/$size/apps/$app_id.png ]] || fail "no $size icon"
  done

  home=$scratch/home
  mkdir -p "$home" "$scratch/runtime"
  chmod 700 "$scratch/runtime"
  export HOME=$home XDG_DATA_HOME=$home/.local/share XDG_CONFIG_HOME=$home/.config \
    XDG_CACHE_HOME=$home/.cache XDG_RUNTIME_DIR=$scratch/runtime TZ=Europe/Prague LC_ALL=C.UTF-8
  entries=$(/usr/bin/corvanectl list | grep -cE '^  [0-9]+_[0-9]+  ') ||
    fail "corvanectl list failed"
  ((entries == 15)) || fail "corvanectl lists $entries certificates, not 15"
  # Installing loads NSS's soft token at run time: a dependency that linking alone would miss.
  /usr/bin/corvanectl install 1028_0 || fail "corvanectl install failed"
  /usr/bin/corvanectl list | grep -qE '^  1028_0  installed' ||
    fail "the installed root is not listed as installed"
  [[ $(/usr/bin/certinfo | wc -l) == 15 ]] || fail "certinfo does not print 15 records"

  window_class=$(sed -n 's/^StartupWMClass=//p' "/usr/share/applications/$app_id.desktop")
  xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    set -u
    /usr/bin/corvane >"$1/corvane.log" 2>&1 &
    pid=$!
    trap "kill $pid 2>/dev/null; wait $pid 2>/dev/null" EXIT
    # A window found while the program is still starting may be gone before it is read; then
    # it is looked for again.
    class=""
    for _ in 1 2 3 4 5; do
      window=$(timeout 60 xdotool search --sync --onlyvisible --name "^Oberit Corvane$" | head -n 1)
      [[ -n $window ]] && class=$(xprop -id "$window" WM_CLASS 2>/dev/null) && break
      sleep 1
    done
    if [[ -z $window ]]; then
      echo "check-package: the installed corvane opened no window" >&2
      exit 1
    fi
    if ! grep -qF "\"$2\"" <<<"$class"; then
      echo "check-package: window class $class lacks \"$2\"" >&2
      exit 1
    fi
    # The page has been drawn once the screen has many colours and two shots in a row agree.
    for _ in $(seq 60); do
      sleep 1
      import -window root "$1/shot.png"
      colours=$(convert "$1/shot.png" -format "%k" info:)
      if ((colours > 50)) && compare -metric AE "$1/shot.png" "$1/previous.png" null: 2>/dev/null
      then
        exit 0
      fi
      cp "$1/shot.png" "$1/previous.png"
    done
    echo "check-package: the installed corvane drew no page (colours: $colours)" >&2
    exit 1
  ' check-window "$scratch" "$window_class" ||
    { cat "$scratch/corvane.log" >&2; fail "the installed corvane did not show its page"; }

  apt-get remove -y corvane >"$scratch/apt-remove.log" 2>&1 ||
    { cat "$scratch/apt-remove.log" >&2; fail "apt-get remove failed"; }
  [[ $(dpkg-query -W -f='${db:Status-Abbrev}' corvane 2>/dev/null) != "ii " ]] ||
    fail "still installed after removal"
  for path in "${files[@]}"; do
    [[ ! -e $path ]] || fail "$path is left after removal"
  done
  exit 0
fi

# ---- outside: lint, then the namespace -------------------------------------------------------
cd "$(dirname "$0")/.."
repo=$PWD
if [[ $# -gt 0 ]]; then
  deb=$1
else
  debs=(build-package/corvane_*_amd64.deb)
  [[ ${#debs[@]} == 1 && -f ${debs[0]} ]] || { echo "Build the package first: bash tools/package.sh" >&2; exit 1; }
  deb=${debs[0]}
fi
SUDO=""
[[ $(id -u) -eq 0 ]] || SUDO="sudo"

started=$SECONDS
# Warnings are printed for the record; only errors fail.
lintian --fail-on error --tag-display-limit 0 "$deb"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/layers"
cp "$deb" "$scratch/corvane.deb"
# apt reads the package as its unprivileged user.
chmod 755 "$scratch"
chmod 644 "$scratch/corvane.deb"

before=$(dpkg-query -W -f='${db:Status-Abbrev}' corvane 2>/dev/null || true)
status=0
$SUDO unshare --mount --propagation private \
  bash "$repo/tools/check-package.sh" --inside "$scratch" "$scratch/corvane.deb" "$repo" \
  "$(readlink /proc/self/ns/mnt)" ||
  status=$?
cp "$scratch/shot.png" "$(dirname "$deb")/installed-corvane.png" 2>/dev/null || true
# The machine's own package database must not have seen any of it.
after=$(dpkg-query -W -f='${db:Status-Abbrev}' corvane 2>/dev/null || true)
if [[ $before != "$after" ]]; then
  echo "check-package: the machine's package state of corvane changed ('$before' -> '$after')" >&2
  status=1
fi
((status == 0)) && echo "Package checks passed in $((SECONDS - started)) s: $deb"
exit "$status"
