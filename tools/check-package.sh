#!/usr/bin/env bash
# Checks that Trellis's Debian package installs and starts on a fresh Debian 12.
#
# Usage: tools/check-package.sh [BUILD_DIR]   (default build/release; run as root)
#
# Builds the release preset and its package (cpack -G DEB) when needed, makes
# a fresh minimal Debian 12 root, installs the package there with apt-get as a
# user would, and starts the installed /usr/bin/trellis as an ordinary user of
# that root, under Xvfb with a session bus, before trayer gives it a tray.
# Checks that it keeps running, that its icon docks in the tray, that it
# writes nothing to standard output, that its desktop entry validates and that
# the package holds what it should. Prints PASS or FAIL for each check; exits
# 1 when one fails, 2 when the check itself could not run. Installs
# debootstrap on this machine when it is missing.
#
# The minimal root is made once with debootstrap and kept as a tarball in
# ~/.cache/trellis-package-check, with the .debs apt-get downloads; each run
# unpacks a new copy of it. Remove that folder to start from scratch. Logs and
# a screenshot of the display stay in BUILD_DIR/package-check.
#
# The session runs in a network namespace of its own that holds only
# loopback: Trellis and the test tools cannot reach another machine.
set -euo pipefail

suite=bookworm
mirror=http://deb.debian.org/debian
user="trellis-user"
# Tools the check needs inside the root and a user would not install.
test_packages=(xvfb xauth trayer x11-utils dbus dbus-daemon desktop-file-utils imagemagick)

die() {
  echo "check-package: $*" >&2
  exit 2
}

# Second pass: inside the root, in its own network namespace, as root of the
# root. Starts the display, the bus, Trellis and the tray as the ordinary
# user, and writes what it saw to /check for the first pass to judge.
if [ "${TRELLIS_PACKAGE_CHECK_SESSION:-}" = 1 ]; then
  out=/check
  pids=()
  # shellcheck disable=SC2317  # run by the trap
  stop_session() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
      kill "${pids[i]}" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
      wait "$pid" 2>/dev/null || true
    done
  }
  trap stop_session EXIT

  uid=$(id -u "$user")
  # What a login session provides: a private runtime folder; and the X
  # socket folder that the system makes at boot.
  install -d -m 700 -o "$user" -g "$user" "/run/user/$uid"
  install -d -m 1777 /tmp/.X11-unix
  # A prefix that runs a command as the user, in a clean environment. An
  # array rather than a function, so that a command started with & is the
  # process itself and its id the one to stop.
  as_user=(setpriv --reuid="$user" --regid="$user" --init-groups --
    env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="/home/$user" USER="$user" LOGNAME="$user"
    SHELL=/bin/bash LANG=C.UTF-8 XDG_RUNTIME_DIR="/run/user/$uid")
  wait_for_file() {
    for _ in $(seq 100); do
      [ -s "$1" ] && return 0
      sleep 0.1
    done
    return 1
  }
  session_error() {
    echo "$*" >"$out/session-error"
    exit 1
  }

  "${as_user[@]}" Xvfb -displayfd 3 -screen 0 1024x600x24 -nolisten tcp \
    3>"$out/display" >"$out/xvfb.log" 2>&1 &
  pids+=($!)
  wait_for_file "$out/display" || session_error "Xvfb did not start ($out/xvfb.log)"
  as_user+=(DISPLAY=":$(head -n 1 "$out/display")")

  "${as_user[@]}" dbus-daemon --session --nofork --print-address=3 \
    3>"$out/bus" >"$out/dbus.log" 2>&1 &
  pids+=($!)
  wait_for_file "$out/bus" || session_error "the session bus did not start ($out/dbus.log)"
  as_user+=(DBUS_SESSION_BUS_ADDRESS="$(head -n 1 "$out/bus")")

  started=$(date +%s)
  "${as_user[@]}" /usr/bin/trellis >"$out/trellis.stdout" 2>"$out/trellis.stderr" &
  trellis=$!
  pids+=("$trellis")
  # Trellis waits for a tray; it comes after, as when a panel starts late.
  sleep 2
  "${as_user[@]}" trayer --edge top --align right --widthtype request >"$out/trayer.log" 2>&1 &
  pids+=($!)

  # The icon's window sits below trayer's panel window in the window tree.
  docked() {
    "${as_user[@]}" xwininfo -root -tree >"$out/tree.txt" 2>&1 || return 1
    awk '
      function indent(line) { match(line, /^ */); return RLENGTH }
      panel >= 0 && indent($0) <= panel { panel = -1 }
      panel >= 0 && /"Trellis": \("trellis" / { found = 1 }
      /\("panel" "trayer"\)/ { panel = indent($0) }
      BEGIN { panel = -1 }
      END { exit !found }' "$out/tree.txt"
  }
  : >"$out/docked"
  while [ $(($(date +%s) - started)) -lt 10 ]; do
    if [ ! -s "$out/docked" ] && docked; then
      echo "$(($(date +%s) - started))" >"$out/docked"
    fi
    sleep 0.5
  done
  [ -s "$out/docked" ] || ! docked || echo 10 >"$out/docked"
  if kill -0 "$trellis" 2>/dev/null; then
    echo running >"$out/alive"
  else
    wait "$trellis" && status=0 || status=$?
    echo "ended with status $status" >"$out/alive"
  fi
  "${as_user[@]}" import -window root png:- >"$out/screen.png" 2>"$out/import.log" || true
  exit 0
fi

# First pass, on this machine.
SECONDS=0
# The output as started: a trap may run while a command's output goes to a log.
exec 5>&1 6>&2
[ "$(id -u)" -eq 0 ] || die "needs root (debootstrap, chroot and mounts); run it with sudo"

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build/release}
# A relative folder is taken from here when it exists, else from the repository.
[ -d "$build" ] || [[ "$build" = /* ]] || build="$repo/$build"
mkdir -p "$build"
build=$(cd "$build" && pwd)
cache="${XDG_CACHE_HOME:-$HOME/.cache}/trellis-package-check"
report="$build/package-check"

step() {
  echo "== [${SECONDS} s] $*"
}

# The build and the package. Ninja does nothing when the build is current; the
# package is made again every time, so that it is the one being checked.
step "building $build"
if [ ! -f "$build/CMakeCache.txt" ]; then
  (cd "$repo" && nice -n 10 cmake --preset release -B "$build") >/dev/null
fi
nice -n 10 cmake --build "$build" || die "the build failed"
rm -f "$build"/trellis_*.deb
step "packaging"
(cd "$build" && nice -n 10 cpack -G DEB) >"$build/cpack.log" 2>&1 ||
  { tail -n 20 "$build/cpack.log" >&2; die "cpack failed (log: $build/cpack.log)"; }
debs=("$build"/trellis_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  die "cpack made no single trellis_*.deb in $build"
fi
deb=${debs[0]}

if ! command -v debootstrap >/dev/null; then
  step "installing debootstrap"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
fi

# Mounts under a folder, deepest first.
mounts_under() {
  awk -v dir="$1" '$5 == dir || index($5, dir "/") == 1 { print $5 }' /proc/self/mountinfo |
    sort -r
}

# Deletes a folder that holds a root, but never while something is mounted in
# it: rm would go into the machine's own /dev or /proc.
remove_root_folder() {
  local dir=$1 mounted
  mounted=$(mounts_under "$dir")
  if [ -n "$mounted" ]; then
    echo "check-package: still mounted, so $dir is left in place: $(echo "$mounted" | tr '\n' ' ')" >&2
    return 1
  fi
  rm -rf --one-file-system "$dir"
}

# The pristine root, made once.
mkdir -p "$cache/archives"
tarball="$cache/$suite-minbase.tar"
if [ ! -f "$tarball" ]; then
  step "making a minimal Debian root with debootstrap (once; kept in $cache)"
  fresh=$(mktemp -d "$cache/debootstrap.XXXXXX")
  if ! nice -n 10 debootstrap --variant=minbase "$suite" "$fresh/root" "$mirror" \
    >"$cache/debootstrap.log" 2>&1; then
    tail -n 20 "$cache/debootstrap.log" >&2
    remove_root_folder "$fresh" || true
    die "debootstrap failed (log: $cache/debootstrap.log)"
  fi
  # The .debs debootstrap fetched are installed already.
  chroot "$fresh/root" apt-get clean
  tar -C "$fresh/root" --numeric-owner -cf "$tarball.part" .
  mv "$tarball.part" "$tarball"
  remove_root_folder "$fresh"
fi

# This run's root, from the tarball: Trellis was never installed in it.
work=$(mktemp -d /var/tmp/trellis-package-check.XXXXXX)
root="$work/root"
mounted=()
cleanup() {
  local status=$? pid
  trap - EXIT INT TERM
  exec 1>&5 2>&6
  # Whatever still runs inside the root holds its mounts busy.
  for attempt in TERM KILL; do
    for proc in /proc/[0-9]*; do
      [ "$(readlink "$proc/root" 2>/dev/null)" = "$root" ] || continue
      pid=${proc#/proc/}
      kill -s "$attempt" "$pid" 2>/dev/null || true
    done
    sleep 0.5
  done
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" || true
  done
  if [ -n "${TRELLIS_KEEP_ROOT:-}" ]; then
    echo "check-package: the root is kept in $root (mounts removed)" >&2
  else
    step "removing the root"
    remove_root_folder "$work" || status=2
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 2' INT TERM

step "unpacking a fresh root in $root"
mkdir "$root"
tar -C "$root" --numeric-owner -xpf "$tarball"

mount_in_root() {
  local target="$root$1"
  shift
  mount "$@" "$target"
  mounted+=("$target")
  # Nothing mounted below it may spread back to the machine's own tree.
  mount --make-rprivate "$target"
}
mount_in_root /proc -t proc proc
mount_in_root /sys --bind /sys
mount -o remount,bind,ro "$root/sys"
mount_in_root /dev --bind /dev
mount_in_root /dev/pts --bind /dev/pts
mount_in_root /dev/shm -t tmpfs -o mode=1777,nosuid,nodev tmpfs

# What a freshly installed Debian 12 fetches from: the release, its updates
# and its security updates.
cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror $suite main
deb $mirror $suite-updates main
deb http://deb.debian.org/debian-security $suite-security main
EOF
cp /etc/resolv.conf "$root/etc/resolv.conf"
# No daemon a package brings (avahi-daemon, dbus) may start in the root: it
# would run on this machine's network.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
# Packages downloaded by earlier runs; apt-get checks them against the index.
find "$cache/archives" -name '*.deb' -exec cp -t "$root/var/cache/apt/archives/" {} +
# A root used once need not survive a power cut: dpkg skips its fsyncs.
echo force-unsafe-io >"$root/etc/dpkg/dpkg.cfg.d/check-package-unsafe-io"

in_root() {
  chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"
}
keep_downloads() {
  find "$root/var/cache/apt/archives" -maxdepth 1 -name '*.deb' -exec cp -n -t "$cache/archives/" {} +
}

rm -rf "$report"
mkdir -p "$report"
failures=0
results=()
check() {
  local verdict=$1
  shift
  results+=("$(printf '%-4s  %s' "$verdict" "$*")")
  [ "$verdict" = PASS ] || failures=$((failures + 1))
}

step "installing the package with apt-get"
cp "$deb" "$root/root/"
if in_root sh -c "cd /root && apt-get update && apt-get install -y ./$(basename "$deb")" \
  >"$report/install.log" 2>&1; then
  check PASS "apt-get installs $(basename "$deb") in a fresh Debian 12 root"
else
  keep_downloads
  tail -n 20 "$report/install.log" >&2
  check FAIL "apt-get install of $(basename "$deb") failed (log: $report/install.log)"
  printf '%s\n' "${results[@]}"
  echo "RESULT: FAIL"
  exit 1
fi

# Before any test tool brings libraries of its own.
missing=$(in_root ldd /usr/bin/trellis /usr/lib/trellis/trellis-browser.so 2>&1 |
  grep 'not found' || true)
if [ -z "$missing" ]; then
  check PASS "every library of trellis and trellis-browser.so is installed"
else
  check FAIL "libraries missing: $(echo "$missing" | awk '{ print $1 }' | sort -u | tr '\n' ' ')"
fi

listed=$(in_root dpkg -L trellis)
echo "$listed" >"$report/dpkg-L.txt"
absent=()
for file in /usr/bin/trellis /usr/lib/trellis/trellis-browser.so \
  /usr/share/applications/com.kwtlabs.Trellis.desktop \
  /usr/share/metainfo/com.kwtlabs.Trellis.metainfo.xml \
  /usr/share/icons/hicolor/scalable/apps/com.kwtlabs.Trellis.svg \
  /usr/share/icons/hicolor/{16x16,22x22,24x24,32x32,48x48,64x64,128x128,256x256}/apps/com.kwtlabs.Trellis.png; do
  grep -qxF "$file" <<<"$listed" && [ -f "$root$file" ] || absent+=("$file")
done
if [ ${#absent[@]} -eq 0 ]; then
  check PASS "dpkg -L trellis lists the binary, the browser module, the desktop entry, the metainfo and the icons"
else
  check FAIL "dpkg -L trellis lacks: ${absent[*]}"
fi

step "installing the test tools: ${test_packages[*]}"
if ! in_root apt-get install -y --no-install-recommends "${test_packages[@]}" \
  >"$report/test-tools.log" 2>&1; then
  keep_downloads
  tail -n 20 "$report/test-tools.log" >&2
  die "the test tools did not install (log: $report/test-tools.log)"
fi
keep_downloads

if validation=$(in_root desktop-file-validate \
  /usr/share/applications/com.kwtlabs.Trellis.desktop 2>&1) && [ -z "$validation" ]; then
  check PASS "desktop-file-validate says nothing about the desktop entry"
else
  check FAIL "desktop-file-validate: $validation"
fi

step "starting trellis as $user under Xvfb, then trayer"
in_root useradd --create-home --user-group --shell /bin/bash "$user"
mkdir -m 755 "$root/check"
cp "$0" "$root/check/check-package.sh"
ip_up='ip link set lo up 2>/dev/null || true'
unshare --net -- sh -c "$ip_up; exec chroot '$root' /usr/bin/env -i \
  PATH=/usr/sbin:/usr/bin:/sbin:/bin TRELLIS_PACKAGE_CHECK_SESSION=1 \
  /bin/bash /check/check-package.sh" 5>&- 6>&- || true
cp -a "$root/check/." "$report/"
rm -f "$report/check-package.sh"
[ ! -s "$report/session-error" ] || die "$(cat "$report/session-error")"

alive=$(cat "$report/alive" 2>/dev/null || echo "did not start")
if [ "$alive" = running ]; then
  check PASS "trellis is still running after 10 s"
else
  check FAIL "trellis is not running after 10 s: $alive (stderr: $report/trellis.stderr)"
fi
if [ -s "$report/docked" ]; then
  check PASS "its icon is docked in trayer's panel ($(cat "$report/docked") s after trellis started)"
else
  check FAIL "no icon of trellis in trayer's panel (window tree: $report/tree.txt)"
fi
if [ ! -s "$report/trellis.stdout" ]; then
  check PASS "standard output of trellis is empty"
else
  check FAIL "trellis wrote to standard output: $(head -c 200 "$report/trellis.stdout")"
fi

echo
echo "Package:     $deb ($(du -h "$deb" | cut -f1))"
echo "Depends:     $(dpkg-deb -f "$deb" Depends)"
for line in "${results[@]}"; do
  echo "$line"
done
if [ -s "$report/trellis.stderr" ]; then
  echo "Standard error of trellis ($(wc -l <"$report/trellis.stderr") lines, $report/trellis.stderr):"
  sed 's/^/  | /' "$report/trellis.stderr" | head -n 10
fi
if [ -s "$report/screen.png" ]; then
  echo "Screenshot:  $report/screen.png"
else
  echo "Screenshot:  none ($report/import.log)"
fi
if [ "$failures" -eq 0 ]; then
  echo "RESULT: PASS (${#results[@]} checks, ${SECONDS} s)"
else
  echo "RESULT: FAIL ($failures of ${#results[@]} checks failed, ${SECONDS} s)"
  exit 1
fi
