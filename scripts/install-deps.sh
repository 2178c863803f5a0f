#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Trellis
# needs. Idempotent: packages already present are left alone.
set -euo pipefail

packages=(
  # toolchain
  g++ cmake ninja-build clang-format pkg-config
  # fuzz targets: clang with libFuzzer and the sanitizers' runtime
  clang libclang-rt-dev
  # Qt 6
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-tools-dev qt6-tools-dev-tools
  qt6-l10n-tools qt6-qpa-plugins libqt6svg6 libgl-dev
  # X11: whether an XEmbed tray runs is asked on Qt's own connection
  libxcb1-dev
  # Qt's own translations: standard buttons and dialogs in the user's language
  qt6-translations-l10n
  qt6-webengine-dev qt6-webengine-dev-tools
  # data sources
  libsqlitecpp-dev libsqlite3-dev libicu-dev libplist-dev
  # tests and benchmarks: the sqlite3 shell; Python runs bench/run.py and the
  # screenshots' fixtures
  sqlite3 python3 bc
  # benchmarks: plistutil converts property lists
  libplist-utils
  # Bonjour: the DNS-SD library and its header
  libavahi-compat-libdnssd-dev
  # tests: a private session bus, a virtual display; the Bonjour end-to-end
  # test runs avahi-daemon in a network namespace of its own
  dbus dbus-daemon xvfb xauth avahi-daemon avahi-utils iproute2
  # tests and benchmarks: an XEmbed tray on the virtual display, and its
  # window tree (xwininfo) to see the icon docked in it
  trayer x11-utils
  # tests: the login item's autostart entry is checked by the desktop's own validator
  desktop-file-utils
  # tests: the installed tree's software-centre description is checked by its validator
  appstream
  # packaging (cpack -G DEB): dpkg-shlibdeps finds the libraries the binaries need
  dpkg-dev file
  # tools/take-screenshots.sh (with trayer and xwininfo above): a window
  # manager on Xvfb, clicks and key presses, captures; a CJK font for the
  # corpus's titles
  openbox xdotool imagemagick fonts-wqy-microhei
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq

# avahi-daemon is needed by the tests only, inside a network namespace they
# create. Installing it must not start it on this machine's own interfaces, so
# where no service policy exists yet, one that forbids starts holds for the
# install and is removed afterwards.
policy=/usr/sbin/policy-rc.d
if [ ! -e "$policy" ]; then
  trap '$sudo rm -f "$policy"' EXIT
  printf '#!/bin/sh\nexit 101\n' | $sudo tee "$policy" >/dev/null
  $sudo chmod 755 "$policy"
fi
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
