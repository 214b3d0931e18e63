#!/usr/bin/env bash
# check_install.sh <build folder>: installs into a temporary prefix and checks the result.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }

[ -x "$prefix/bin/quenlit" ] || fail "no program in $prefix/bin"
desktop=$prefix/share/applications/org.quenlit.quenlit.desktop
metainfo=$prefix/share/metainfo/org.quenlit.quenlit.metainfo.xml
[ -f "$desktop" ] || fail "no desktop entry"
[ -f "$metainfo" ] || fail "no metainfo"

desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --pedantic "$metainfo" || fail "appstreamcli validate"
# The metainfo, the desktop entry and the icons agree with one another.
appstreamcli validate-tree --no-net "$prefix" || fail "appstreamcli validate-tree"

grep -qx 'Name\[zh_CN\]=.*[^ -~].*' "$desktop" || fail "no Chinese name"
grep -qx 'Comment\[zh_CN\]=.*[^ -~].*' "$desktop" || fail "no Chinese comment"
grep -qx 'Categories=\(.*;\)\?Network;.*' "$desktop" || fail "not in category Network"
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$prefix/bin/$exec_name" ] || fail "Exec=$exec_name is not the installed program"
icon_name=$(sed -n 's/^Icon=//p' "$desktop")

# A PNG's width and height, from its header.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{print $3*256+$4 "x" $7*256+$8}'; }
for size in 16 22 24 32 48 64 128 256; do
    icon=$prefix/share/icons/hicolor/${size}x${size}/apps/$icon_name.png
    [ -f "$icon" ] || fail "no ${size}x${size} icon"
    [ "$(png_size "$icon")" = "${size}x${size}" ] || fail "$icon is $(png_size "$icon")"
done

# The installed copy starts on its own, with a home of its own, and shows its start window.
# The browser's sandbox refuses to start as root.
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1
home=$work/home
mkdir -p "$home"
snapshot=$work/start.png
rc=0
HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share \
    XDG_CACHE_HOME=$home/.cache QT_QPA_PLATFORM=offscreen QUENLIT_START_SNAPSHOT=$snapshot \
    timeout 90 "$prefix/bin/quenlit" </dev/null >"$work/run.log" 2>&1 || rc=$?
[ "$rc" -eq 0 ] || { cat "$work/run.log"; fail "the installed program ended with $rc"; }
[ -s "$snapshot" ] || fail "no picture of the start window"
read -r w h < <(png_size "$snapshot" | tr x ' ')
[ "$w" -ge 200 ] && [ "$h" -ge 100 ] || fail "the start window is only ${w}x${h}"
echo "installed into $prefix; start window ${w}x${h}"
