#!/usr/bin/env bash
# Takes the README's screenshots of Trellis into docs/screenshots/.
#
# Usage: tools/take-screenshots.sh [BUILD_DIR]   (default build/release, else build/ci)
#
# Everything runs in a temporary home, with a private session bus, under Xvfb
# with trayer as the system tray and openbox as the window manager, inside a
# network namespace of its own that holds only loopback: the pages the
# built-in browser shows come from a local HTTP server on 127.0.0.1, and
# nothing can leave the machine. Needs root (for the namespace), or
# unprivileged user namespaces.
set -Eeuo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
out="$repo/docs/screenshots"
port=8080
screen_width=1280
screen_height=800
screen_up=""

fail() {
  echo "take-screenshots: $*" >&2
  # What our virtual screen showed, to see why.
  if [ -n "$screen_up" ] && import -window root /tmp/take-screenshots-failure.png 2>/dev/null; then
    echo "take-screenshots: the screen at that moment: /tmp/take-screenshots-failure.png" >&2
  fi
  exit 1
}

# First pass: set up the machine, then start again inside a new network
# namespace, where the rest runs.
if [ -z "${TRELLIS_SCREENSHOTS_IN_NETNS:-}" ]; then
  bash "$repo/scripts/install-deps.sh"
  build=${1:-}
  if [ -z "$build" ]; then
    for candidate in build/release build/ci; do
      if [ -x "$repo/$candidate/bin/trellis" ]; then
        build=$candidate
        break
      fi
    done
  fi
  [ -n "$build" ] || fail "no build found in build/release or build/ci; build one first" \
    "(cmake --preset release && cmake --build --preset release)"
  # A relative folder is taken from here, else from the repository.
  [ -d "$build" ] || build="$repo/$build"
  [ -d "$build" ] || fail "no build folder $1"
  build=$(cd "$build" && pwd)
  [ -x "$build/bin/trellis" ] || fail "$build/bin/trellis is not there"
  [ -f "$build/bin/trellis-browser.so" ] || fail "$build/bin/trellis-browser.so is not there"
  [ -x "$build/bin/trellis-generate" ] || fail "$build/bin/trellis-generate is not there" \
    "(cmake --build $build --target trellis-generate)"
  unshare_options=(--net)
  [ "$(id -u)" -eq 0 ] || unshare_options+=(--map-root-user)
  TRELLIS_SCREENSHOTS_IN_NETNS=1 exec unshare "${unshare_options[@]}" -- "$0" "$build"
fi
build=$1

# Only loopback: nothing the application, the web engine or the tools do can
# reach another machine.
ip link set lo up
if ip -o link show | grep -v ': lo:' | grep -q .; then
  fail "the network namespace holds more than loopback"
fi

work=$(mktemp -d /tmp/trellis-screenshots.XXXXXX)
pids=()
cleanup() {
  local status=$?
  # Newest first: trellis before the tray, the tray before the display.
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
  done
  for pid in "${pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  if [ "$status" -ne 0 ] && [ -f "$work/trellis.log" ]; then
    echo "--- trellis output" >&2
    tail -n 40 "$work/trellis.log" >&2
  fi
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
trap 'echo "take-screenshots: failed at line $LINENO: $BASH_COMMAND" >&2' ERR

step() {
  echo "== $*"
}

# A home of our own: the user's settings, copies and browser files are never
# read or written.
export HOME="$work/home"
export XDG_CONFIG_HOME="$HOME/.config"
export XDG_DATA_HOME="$HOME/.local/share"
export XDG_CACHE_HOME="$HOME/.cache"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
# English and UTC for Trellis; set on its command alone, as this shell has
# no such locale to switch to.
unset LANGUAGE LC_ALL LC_MESSAGES
unset DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER XDG_CURRENT_DESKTOP DESKTOP_SESSION
unset WAYLAND_DISPLAY QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE
export QT_QPA_PLATFORM=xcb
# The web engine's sandbox refuses to run as root.
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1

step "data: the generator's Chrome, Firefox and Safari files, a Safari bookmarks file and a local site"
"$build/bin/trellis-generate" --out "$work/corpus" --scale small --days 4 --visits 300 \
  --now "$(date -u +%Y-%m-%dT%H:%M:%SZ)" --quiet
chrome="$HOME/.config/google-chrome/Default"
safari="$HOME/Library/Safari"
mkdir -p "$chrome" "$safari"
cp "$work/corpus/chrome/Default/Bookmarks" "$work/corpus/chrome/Default/History" \
  "$work/corpus/chrome/Default/Favicons" "$chrome/"
cp "$work/corpus/safari/History.db" "$work/corpus/safari/TopSites.plist" \
  "$work/corpus/safari/LastSession.plist" "$safari/"
mkdir -p "$HOME/.mozilla"
cp -r "$work/corpus/firefox" "$HOME/.mozilla/firefox"
places=$(ls "$HOME"/.mozilla/firefox/*.default-release/places.sqlite)
firefox_icons=$(dirname "$places")/favicons.sqlite
fixtures="$repo/tools/screenshots/fixtures.py"
python3 "$fixtures" safari-bookmarks "$safari/Bookmarks.plist" "$port"
python3 "$fixtures" site "$work/site" "$port"

# The grants and flags the Plugins window stores when each file is chosen,
# the browsers' website icons on, and no Welcome alert.
python3 "$fixtures" settings "$XDG_CONFIG_HOME/Trellis/Trellis.ini" \
  _defaults_firstRun=0 _defaults_useFavIcons=1 \
  google_chrome_bookmarks_data="$chrome/Bookmarks" \
  google_chrome_favicons_data="$chrome/Favicons" \
  tr_plugin_firefox_favicons_data="$firefox_icons" \
  google_chrome_history_data="$chrome/History" \
  tr_plugin_google_chrome_allowBookmarks=1 tr_plugin_google_chrome_hasBookmarksData=1 \
  tr_plugin_google_chrome_allowHistory=1 tr_plugin_google_chrome_hasHistoryData=1 \
  tr_plugin_firefox_places_data="$places" \
  tr_plugin_firefox_hasBookmarksData=1 tr_plugin_firefox_hasHistoryData=1 \
  bookmarks_data="$safari/Bookmarks.plist" \
  history_data="$safari/History.db" \
  topsites_data="$safari/TopSites.plist" \
  last_session_data="$safari/LastSession.plist" \
  _defaults_hasBookmarksData=1 _defaults_allowBookmarks=1 \
  _defaults_allowBookmarksFromBookmarksBar=1 _defaults_allowBookmarksFromBookmarksMenu=1 \
  _defaults_hasHistoryData=1 _defaults_allowHistory=1 \
  _defaults_hasTopSitesData=1 _defaults_allowTopSites=1 \
  _defaults_hasLastSessionData=1 _defaults_allowLastSession=1

step "local web server on 127.0.0.1:$port"
python3 -m http.server --bind 127.0.0.1 --directory "$work/site" "$port" \
  >"$work/http.log" 2>&1 &
pids+=($!)

step "display, session bus, window manager, tray"
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 "${screen_width}x${screen_height}x24" -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 50); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
DISPLAY=":$(cat "$work/display")"
export DISPLAY
screen_up=1

dbus-daemon --session --nofork --print-address=4 4>"$work/bus" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do
  [ -s "$work/bus" ] && break
  sleep 0.1
done
[ -s "$work/bus" ] || fail "the session bus did not start"
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
export DBUS_SESSION_BUS_ADDRESS

# A desktop-like background behind the menus and windows.
convert -size "${screen_width}x${screen_height}" gradient:'#4a7a96'-'#27485c' "$work/background.png"
# display exits with 1 even when it has set the background.
display -window root "$work/background.png" || true

openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
trayer --edge top --align right --widthtype request --height 28 --SetDockType true \
  --transparent false --tint 0xdddddd >"$work/trayer.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do
  xdotool search --class trayer >/dev/null 2>&1 && break
  sleep 0.1
done
xdotool search --class trayer >/dev/null 2>&1 || fail "trayer did not start"

step "trellis"
LANG=en_US.UTF-8 TZ=UTC "$build/bin/trellis" >"$work/trellis.log" 2>&1 &
pids+=($!)
trellis_pid=$!

# Trellis's tray icon is the one window embedded in trayer's.
find_tray_icon() {
  tray_icon=""
  for _ in $(seq 100); do
    tray_icon=$(xdotool search --onlyvisible --pid "$trellis_pid" --class trellis 2>/dev/null |
      head -n 1 || true)
    [ -n "$tray_icon" ] && break
    kill -0 "$trellis_pid" 2>/dev/null || fail "trellis ended"
    sleep 0.1
  done
  [ -n "$tray_icon" ] || fail "trellis's tray icon did not appear in the tray"
  echo "tray icon: window $tray_icon"
}
find_tray_icon

key() {
  xdotool key --delay 150 "$@"
  sleep 0.4
}

# Trellis's visible windows other than the tray icon: open menus and windows.
trellis_windows() {
  xdotool search --onlyvisible --pid "$trellis_pid" 2>/dev/null | grep -vx "$tray_icon" || true
}

# Prints "X Y W H": the smallest rectangle holding the given windows and the
# tray, with a margin of desktop around it.
bounds_with_tray() {
  local left=100000 top=100000 right=0 bottom=0 x y w h
  for window in "$@" "$(xdotool search --onlyvisible --name '^panel$' | head -n 1)"; do
    eval "$(xdotool getwindowgeometry --shell "$window")"
    x=$X y=$Y w=$WIDTH h=$HEIGHT
    ((x < left)) && left=$x
    ((y < top)) && top=$y
    ((x + w > right)) && right=$((x + w))
    ((y + h > bottom)) && bottom=$((y + h))
  done
  left=$((left > 24 ? left - 24 : 0))
  bottom=$((bottom + 24 < screen_height ? bottom + 24 : screen_height))
  echo "$left $top $((right - left)) $((bottom - top))"
}

# Saves the screen's rectangle X Y W H as docs/screenshots/NAME.png.
save_region() {
  local name=$1 x=$2 y=$3 w=$4 h=$5
  import -window root "$work/screen.png"
  convert "$work/screen.png" -crop "${w}x${h}+${x}+${y}" +repage -strip \
    -define png:compression-level=9 "$out/$name.png"
  echo "saved $out/$name.png (${w}x${h}, $(du -k "$out/$name.png" | cut -f1) KB)"
}

# Saves the window with the given title, with its frame, as NAME.png.
save_window() {
  local name=$1 title=$2 window
  window=$(xdotool search --onlyvisible --name "^$title" | head -n 1) || true
  [ -n "$window" ] || fail "no window titled \"$title\""
  import -frame -window "$window" "$work/window.png"
  convert "$work/window.png" -strip -define png:compression-level=9 "$out/$name.png"
  echo "saved $out/$name.png ($(du -k "$out/$name.png" | cut -f1) KB)"
}

# Closes the window with the given title as its close button would: openbox
# asks the window to close on Alt+F4.
close_window() {
  local window
  window=$(xdotool search --onlyvisible --name "^$1" | head -n 1) || true
  [ -n "$window" ] || fail "no window titled \"$1\" to close"
  xdotool windowactivate --sync "$window" key alt+F4
  for _ in $(seq 50); do
    xdotool search --onlyvisible --name "^$1" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  fail "the window titled \"$1\" did not close"
}

open_tray_menu() {
  eval "$(xdotool getwindowgeometry --shell "$tray_icon")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
  for _ in $(seq 30); do
    if [ -n "$(trellis_windows)" ]; then
      # The menu opens under the pointer; out of the way, it leaves the
      # highlight to the keys.
      xdotool mousemove 400 600
      sleep 0.3
      return 0
    fi
    sleep 0.1
  done
  fail "clicking the tray icon opened no menu"
}

close_menus() {
  key Escape Escape Escape Escape Escape
}

# Prints the first of Trellis's visible windows at least MIN_WIDTH pixels
# wide once there is one (the tray icon is smaller); fails after ten seconds.
wait_for_trellis_window() {
  local window
  for _ in $(seq 100); do
    for window in $(xdotool search --onlyvisible --pid "$trellis_pid" 2>/dev/null || true); do
      eval "$(xdotool getwindowgeometry --shell "$window")"
      if [ "$WIDTH" -ge "$1" ]; then
        echo "$window"
        return 0
      fi
    done
    sleep 0.1
  done
  return 1
}

wait_for_window() {
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  fail "no window titled \"$1\" appeared"
}

# Opens the tray menu, presses the keys given and saves the menus with the
# tray as NAME.png.
menu_shot() {
  local name=$1 x y w h
  shift
  open_tray_menu
  key "$@"
  sleep 0.5
  local windows
  mapfile -t windows < <(trellis_windows)
  read -r x y w h < <(bounds_with_tray "${windows[@]}")
  save_region "$name" "$x" "$y" "$w" "$h"
  close_menus
}
mkdir -p "$out"
# The sources' first reads run in the background after the icon appears.
sleep 3

# The menu holds Find..., General, Bonjour, Chrome, Firefox and Safari, in that order.
step "the menu: Safari's Favorites"
menu_shot menu Down Down Down Down Down Down Right Down Down Down Down Down Right
step "the menu: Chrome's History"
menu_shot menu-history Down Down Down Down Right Right
step "the menu: Firefox's bookmarks toolbar"
menu_shot menu-firefox Down Down Down Down Down Right Down Right

# No avahi-daemon runs in the namespace: Bonjour's submenu says so.
step "the menu: an empty submenu that explains itself"
menu_shot menu-empty Down Down Down Right
# About 75 visits a day, more than the screen holds: the day ends in "Show
# all N...". Yesterday, whose day is whole at any hour the shots are taken.
step "the menu: a long day of Chrome's History"
menu_shot menu-long-day Down Down Down Down Right Right Down Right

step "the find window"
open_tray_menu
key Down Return
wait_for_window Find
sleep 1
xdotool type --delay 120 "github"
sleep 1
save_window find Find
key Escape

step "the Preferences window"
open_tray_menu
key Down Down Right Down Down Return
wait_for_window Preferences
sleep 1
save_window preferences Preferences
close_window Preferences

step "the Plugins window, Chrome's and Safari's panes"
open_tray_menu
key Down Down Right Down Return
wait_for_window Plugins
sleep 1
plugins=$(xdotool search --onlyvisible --name '^Plugins' | head -n 1) || true
[ -n "$plugins" ] || fail "the Plugins window is gone"
# The rows: Bonjour, Chrome, Firefox, Safari, 30 pixels each below the
# header.
xdotool mousemove --window "$plugins" 70 63 click 1
sleep 1
save_window plugins-chrome Plugins
xdotool mousemove --window "$plugins" 70 93 click 1
sleep 1
save_window plugins-firefox Plugins
xdotool mousemove --window "$plugins" 70 123 click 1
sleep 1
save_window plugins-safari Plugins
close_window Plugins

step "the browser window: Safari's bookmarks beside a page"
open_tray_menu
key Down Down Down Down Down Down Right Down Return
browser=$(wait_for_trellis_window 800) || fail "no browser window appeared"
sleep 2
# From the filter field to the outline; then the Cooking folder, opened, and
# the third recipe in it, which the window loads.
key Tab Down Down Down Down Down Down Right Down Down Down
for _ in $(seq 100); do
  grep -q 'GET /recipes/risotto/' "$work/http.log" && break
  sleep 0.1
done
grep -q 'GET /recipes/risotto/' "$work/http.log" || fail "the browser window did not load the page"
sleep 2
import -frame -window "$browser" "$work/window.png"
convert "$work/window.png" -strip -define png:compression-level=9 "$out/browser.png"
echo "saved $out/browser.png ($(du -k "$out/browser.png" | cut -f1) KB)"
close_window "Spring Vegetable Risotto"

step "the Welcome alert of a first start"
open_tray_menu
key Down Down Right Down Down Down Return
for _ in $(seq 100); do
  kill -0 "$trellis_pid" 2>/dev/null || break
  sleep 0.1
done
! kill -0 "$trellis_pid" 2>/dev/null || fail "\"Quit\" did not end trellis"
ini="$XDG_CONFIG_HOME/Trellis/Trellis.ini"
sed -i 's/^_defaults_firstRun=.*/_defaults_firstRun=1/' "$ini"
grep -qx '_defaults_firstRun=1' "$ini" || fail "could not turn the first start back on in $ini"
LANG=en_US.UTF-8 TZ=UTC "$build/bin/trellis" >>"$work/trellis.log" 2>&1 &
pids+=($!)
trellis_pid=$!
alert=$(wait_for_trellis_window 200) || fail "no Welcome alert appeared"
sleep 1
import -frame -window "$alert" "$work/window.png"
convert "$work/window.png" -strip -define png:compression-level=9 "$out/welcome.png"
echo "saved $out/welcome.png ($(du -k "$out/welcome.png" | cut -f1) KB)"
# "Later", which leaves the settings as they were.
key Escape

step "the Plugins window on a screen of twice the density"
kill "$trellis_pid"
wait "$trellis_pid" 2>/dev/null || true
QT_SCALE_FACTOR=2 LANG=en_US.UTF-8 TZ=UTC "$build/bin/trellis" >>"$work/trellis.log" 2>&1 &
pids+=($!)
trellis_pid=$!
alert=$(wait_for_trellis_window 200) || fail "no Welcome alert appeared at scale 2"
sleep 1
key Escape
find_tray_icon
open_tray_menu
key Down Down Right Down Return
wait_for_window Plugins
sleep 1
save_window plugins-scale2 Plugins
close_window Plugins
