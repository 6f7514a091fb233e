#!/usr/bin/env bash
# Builds the Debian package from the release build and checks it the way a user's machine
# meets it: it recommends Qt's Wayland platform, the menu entry passes
# desktop-file-validate, the software-centre entry appstreamcli and the package lintian,
# apt installs it, the installed program opens its start-up message on a private X server
# and says so when there is no display, or only that of a server since stopped, and apt
# removes it again. apt-get runs as root, through sudo when you are not.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
source scripts/debian-packages.sh
source scripts/privatex.sh

install_missing "${BuildPackages[@]}" dpkg-dev lintian desktop-file-utils appstream xvfb xdotool

work=$(mktemp -d /tmp/bbtchart-package.XXXXXX)
chmod 755 "$work"   # apt reads the package as its own unprivileged user
app= installed=
cleanup() {
    stop "$app"
    stop_private_x
    if [ -n "$installed" ]; then
        apt_get remove bbtchart || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# apt-get as root, its chatter kept out of sight unless it fails.
apt_get() {
    as_root env DEBIAN_FRONTEND=noninteractive apt-get -y -q "$@" >"$work/apt.log" 2>&1 \
        || { cat "$work/apt.log" >&2; return 1; }
}

cmake --preset release -DBUILD_TESTING=OFF >/dev/null
cmake --build --preset release
rm -f build/package/bbtchart_*.deb
cpack --preset release
deb=$(echo build/package/bbtchart_*.deb)
cp "$deb" "$work/"
deb="$work/$(basename "$deb")"

version=$(dpkg-deb -f "$deb" Version)
logged=$(dpkg-parsechangelog -l packaging/changelog -S Version)
[ "$version" = "$logged" ] || fail "packaging/changelog's latest entry is $logged, the package is $version"
pass "packaging/changelog's latest entry is the package's version, $version"

recommends=$(dpkg-deb -f "$deb" Recommends)
[[ ",$recommends," == *[,\ ]qt6-wayland[,\ ]* ]] \
    || fail "the package does not recommend qt6-wayland, Qt's Wayland platform (Recommends: $recommends)"
pass "the package recommends qt6-wayland"

dpkg-deb -x "$deb" "$work/contents"
desktop-file-validate "$work/contents/usr/share/applications/org.example.bbtchart.desktop" \
    || fail "desktop-file-validate finds errors in the menu entry"
pass "the menu entry passes desktop-file-validate"

# The whole tree, so that the entry's launchable is checked to be the package's menu entry;
# strict, so that a hint fails it as well.
[ -f "$work/contents/usr/share/metainfo/org.example.bbtchart.metainfo.xml" ] \
    || fail "the package has no software-centre entry org.example.bbtchart.metainfo.xml"
# Debian 12's AppStream (0.16) predates the entry's <developer> (AppStream 1.0) and takes it
# for an unknown tag: that tag, and no other, may be unknown to it.
unknown=$(appstreamcli validate-tree --no-net --pedantic "$work/contents" | grep ' unknown-tag ' \
    | grep -v ' unknown-tag developer$' || true)
[ -z "$unknown" ] || fail "appstreamcli knows no such tag in the software-centre entry: $unknown"
appstreamcli validate-tree --no-net --strict --override=unknown-tag=pedantic "$work/contents" \
    || fail "appstreamcli finds faults in the software-centre entry"
pass "the software-centre entry passes appstreamcli validate-tree --strict"

lintian --fail-on error "$deb" || fail "lintian finds errors in $(basename "$deb")"
pass "lintian finds no errors"

apt_get install "$deb"
installed=yes
entry=/usr/share/applications/org.example.bbtchart.desktop
program=$(command -v "$(sed -n 's/^Exec=//p' "$entry")") \
    || fail "the menu entry's Exec line names no installed program"
[ "$program" = /usr/bin/bbtchart ] || fail "the menu entry starts $program, not /usr/bin/bbtchart"
icon=/usr/share/icons/hicolor/32x32/apps/$(sed -n 's/^Icon=//p' "$entry").png
[ -f "$icon" ] || fail "the menu entry's icon $icon is not installed"
pass "apt installs the package; its menu entry starts $program with the icon $icon"

start_private_x || fail "Xvfb did not start"
(cd / && exec "$program") &
app=$!
timeout 30 xdotool search --sync --onlyvisible --name '基礎体温表' >/dev/null \
    || fail "the installed program showed no window titled 基礎体温表 within 30 s"
stop "$app"
app=
pass "the installed program opens its start-up message on an X display"

# Where no display can be opened the program says so on one line and exits with status 1:
# with none set, and with the DISPLAY of the X server just stopped, as one left over from
# an ssh session would be.
stale_display=$DISPLAY
stop_private_x
without_display() {
    local what=$1 status=0 message
    shift
    message=$(cd / && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" \
        timeout --preserve-status 30 "$program" 2>&1 >/dev/null) || status=$?
    [ "$status" -eq 1 ] || fail "$what the program exited with status $status (128 and up: a signal)"
    [ "$(printf '%s\n' "$message" | wc -l)" -eq 1 ] && [[ "$message" == "bbtchart: no display"* ]] \
        || fail "$what the program did not say so on one line: $message"
    pass "$what it exits with status 1: $message"
}
without_display "without a display"
without_display "with the stopped server's DISPLAY=$stale_display" DISPLAY="$stale_display"

apt_get remove bbtchart
installed=
[ ! -e "$program" ] || fail "$program is still there after apt-get remove"
pass "apt removes the package"

summary package-test
