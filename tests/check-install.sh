#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the tree as a desktop
# and a packager see it: the executable, the browser module where the
# installed executable finds it (it is run, with a probe preloaded that loads
# the module through the application's own lookup), the desktop entry and the
# software centre's description as their validators judge them, and the
# application icon in every size.
# Usage: check-install.sh BUILD_DIR MODULE_DIR PROBE.so
#   MODULE_DIR: the module's folder relative to the prefix (lib/trellis)
set -euo pipefail
build=$1
module_dir=$2
probe=$3
app_id=com.kwtlabs.Trellis
icon_sizes=(16 22 24 32 48 64 128 256)

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

cmake --install "$build" --prefix "$prefix/usr" >/dev/null
root=$prefix/usr

[ -x "$root/bin/trellis" ] || fail "no executable bin/trellis"
module=$root/$module_dir/trellis-browser.so
[ -f "$module" ] || fail "no module $module_dir/trellis-browser.so"
# Otherwise the check below would not tell which place the lookup found.
[ ! -e "$root/bin/trellis-browser.so" ] || fail "the module is installed beside the executable"

# The installed executable, alone in a fresh home, with the probe.
home=$prefix/home
mkdir -m 700 "$home"
set +e
found=$(env -u LD_LIBRARY_PATH HOME="$home" XDG_RUNTIME_DIR="$home" XDG_CONFIG_HOME="$home/.config" \
    QT_QPA_PLATFORM=offscreen LD_PRELOAD="$probe" timeout 60 "$root/bin/trellis" 2>"$prefix/stderr")
status=$?
set -e
if [ "$found" != "browser module: $(realpath "$module")" ]; then
    cat "$prefix/stderr"
    fail "the installed trellis did not load the installed module (exit $status): ${found:-no answer}"
fi

desktop=$root/share/applications/$app_id.desktop
[ -f "$desktop" ] || fail "no desktop entry applications/$app_id.desktop"
problems=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop entry: $problems"
[ -z "$problems" ] || fail "desktop entry: $problems"
# The entry's own command; its actions' come after it.
exec_line=$(sed -n 's/^Exec=//p' "$desktop" | head -n 1)
[ -x "$root/bin/${exec_line%% *}" ] || fail "the desktop entry starts '$exec_line', which is not installed"
grep -qx "Icon=$app_id" "$desktop" || fail "the desktop entry names another icon"
grep -qx "Exec=${exec_line%% *} --find" "$desktop" || fail "the desktop entry has no Find action"

metainfo=$root/share/metainfo/$app_id.metainfo.xml
[ -f "$metainfo" ] || fail "no metainfo/$app_id.metainfo.xml"
appstreamcli validate --no-net "$metainfo" >"$prefix/appstream" 2>&1 ||
    { cat "$prefix/appstream"; fail "metainfo does not validate"; }
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo does not launch the installed desktop entry"

icons=$root/share/icons/hicolor
grep -q '<svg' "$icons/scalable/apps/$app_id.svg" 2>/dev/null || fail "no scalable icon"
for size in "${icon_sizes[@]}"; do
    png=$icons/${size}x$size/apps/$app_id.png
    [ -f "$png" ] || fail "no ${size}x$size icon"
    # The PNG signature, then the header chunk with width and height.
    signature=$(od -An -tx1 -N16 "$png" | tr -d ' \n')
    [ "$signature" = 89504e470d0a1a0a0000000d49484452 ] || fail "$png is not a PNG"
    read -r width height < <(od -An -tu4 --endian=big -j16 -N8 "$png")
    [ "$width" = "$size" ] && [ "$height" = "$size" ] ||
        fail "$png is ${width}x$height, not ${size}x$size"
done
echo "PASS: installed tree complete; the installed trellis loads $module_dir/trellis-browser.so"
