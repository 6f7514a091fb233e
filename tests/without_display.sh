#!/usr/bin/env bash
# Starts PROGRAM where no display can be opened, as CASE describes: it must say so on one
# line of standard error that names each display Qt tried and none it did not, print
# nothing on standard output, and exit with status 1, not be killed by Qt's abort. In the
# case "offscreen" it asks for a platform that needs no display, and must start. In the case
# "x_argument_beside_wayland" a Wayland compositor answers on the socket whose path
# BBTCHART_WESTON_SOCKET holds.
set -euo pipefail
program=$1 case=$2
# A user's runtime folder where no compositor has put its socket.
runtime=$(mktemp -d /tmp/bbtchart-nodisplay.XXXXXX)
trap 'rm -rf "$runtime"' EXIT
unset DISPLAY WAYLAND_DISPLAY WAYLAND_SOCKET QT_QPA_PLATFORM XDG_SESSION_TYPE
export XDG_RUNTIME_DIR=$runtime

# An X display number no server holds: X servers keep a lock file and a socket per display.
number=198
while [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; do number=$((number + 1)); done
x=":$number" wayland=bbtchart-no-such-compositor
X="X display \"$x\" (DISPLAY)" Wayland="Wayland display \"$wayland\" (WAYLAND_DISPLAY)"
stale=(DISPLAY="$x" WAYLAND_DISPLAY="$wayland")

# Each case: its environment and arguments, what the line must name and what it must not.
arguments=()
case $case in
nothing_set) set=() named=("DISPLAY or WAYLAND_DISPLAY") not=("cannot open") ;;
stale_x) set=(DISPLAY="$x") named=("$X") not=(Wayland) ;;
stale_wayland) set=(WAYLAND_DISPLAY="$wayland") named=("$Wayland") not=("X display") ;;
both_stale) set=("${stale[@]}") named=("$X" "$Wayland") not=() ;;
x_asked) set=("${stale[@]}" QT_QPA_PLATFORM=xcb) named=("$X" 'QT_QPA_PLATFORM is "xcb"') not=(Wayland) ;;
wayland_asked)
    set=("${stale[@]}" QT_QPA_PLATFORM=wayland) named=("$Wayland" 'QT_QPA_PLATFORM is "wayland"') not=("X display") ;;
# The command line outweighs QT_QPA_PLATFORM.
x_argument)
    set=("${stale[@]}" QT_QPA_PLATFORM=wayland) arguments=(-platform xcb) named=("$X" '-platform is "xcb"')
    not=(Wayland) ;;
# Qt's choice of platform is the user's: asked for X, it does not fall back to the compositor
# that answers, and says that it has no X display.
x_argument_beside_wayland)
    set=(WAYLAND_DISPLAY="$BBTCHART_WESTON_SOCKET") arguments=(-platform xcb) named=() not=()
    exactly='bbtchart: no display: cannot open X display (DISPLAY is not set); -platform is "xcb"' ;;
offscreen)
    "$program" -platform offscreen >"$runtime/out" 2>"$runtime/err" &
    app=$!
    # It waits for its start-up message to be answered; one that found no display ends at once.
    sleep 2
    kill -0 "$app" 2>/dev/null || { cat "$runtime/err"; echo "FAILED: it ended by itself"; exit 1; }
    kill "$app"
    status=0
    wait "$app" || status=$?
    ! grep -q "no display" "$runtime/err" || { cat "$runtime/err"; echo "FAILED: it said there was no display"; exit 1; }
    [ "$status" -eq 143 ] || { echo "FAILED: status $status after it was asked to end"; exit 1; }
    echo "ok: with -platform offscreen it starts without a display and waits until it is ended"
    exit 0
    ;;
*) echo "no such case: $case"; exit 2 ;;
esac

status=0
env "${set[@]}" timeout 30 "$program" "${arguments[@]}" >"$runtime/out" 2>"$runtime/err" || status=$?
line=$(cat "$runtime/err")
echo "status $status: $line"
[ "$status" -eq 1 ] || { echo "FAILED: exit status $status (128 and up: a signal)"; exit 1; }
[ "$(wc -l <"$runtime/err")" -eq 1 ] && [[ "$line" == "bbtchart: no display: "* ]] \
    || { echo "FAILED: standard error is not one line that says there is no display"; exit 1; }
[ -z "${exactly-}" ] || [ "$line" = "$exactly" ] || { echo "FAILED: the line is not: $exactly"; exit 1; }
for text in "${named[@]}"; do
    [[ "$line" == *"$text"* ]] || { echo "FAILED: the line does not name $text"; exit 1; }
done
for text in "${not[@]}"; do
    [[ "$line" != *"$text"* ]] || { echo "FAILED: the line names $text, which was not to be tried"; exit 1; }
done
[ ! -s "$runtime/out" ] || { cat "$runtime/out"; echo "FAILED: output on standard output"; exit 1; }
