#!/usr/bin/env bash
# Checks the program on the desktops users meet, with servers of the run's own only:
# first natively on Wayland, the window test wayland_check against a headless weston;
# then as a screen reader meets it, the program on a private X server read through the
# AT-SPI accessibility bus of a D-Bus session of its own (scripts/atspi_tree.py).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
source scripts/debian-packages.sh
source scripts/privatex.sh

WestonSocket=wayland-bbtchart

# The second part, which dbus-run-session runs on a session bus of its own: the AT-SPI bus
# and its registry as a desktop session has them, then the program, read by atspi_tree.py.
on_session_bus() {
    local log=$XDG_RUNTIME_DIR/at-spi.log bus
    launcher= registry= app=   # not local: the trap reads them once the function has returned
    trap 'stop "$app" "$registry" "$launcher"' EXIT
    /usr/libexec/at-spi-bus-launcher --launch-immediately >"$log" 2>&1 &
    launcher=$!
    gdbus wait --session --timeout 30 org.a11y.Bus >/dev/null \
        || { cat "$log" >&2; fail "the AT-SPI bus launcher did not start"; }
    bus=$(dbus-send --session --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress)
    bus=${bus##* }   # the reply comes indented
    /usr/libexec/at-spi2-registryd >>"$log" 2>&1 &
    registry=$!
    gdbus wait --address "$bus" --timeout 30 org.a11y.atspi.Registry >/dev/null \
        || { cat "$log" >&2; fail "the AT-SPI registry did not start"; }
    # Qt otherwise joins the bus only once a screen reader says it is running.
    QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 build/debug/app/bbtchart &
    app=$!
    # Debian's interpreter: the python3 first on PATH may be one without Debian's pyatspi.
    /usr/bin/python3 scripts/atspi_tree.py "$app"
}

if [ "${1-}" = --on-session-bus ]; then
    on_session_bus
    exit
fi

install_missing "${BuildPackages[@]}" libgtest-dev libgmock-dev weston dbus-daemon libglib2.0-bin \
    at-spi2-core python3-pyatspi xvfb
cmake --preset debug >/dev/null
cmake --build --preset debug -j "$(nproc)" --target bbtchart wayland_check

# Wayland and D-Bus want a runtime directory only its user can enter; mktemp makes it so.
XDG_RUNTIME_DIR=$(mktemp -d /tmp/bbtchart-desktop.XXXXXX)
export XDG_RUNTIME_DIR
# Neither a desktop's session bus nor its screen reader's bus takes part.
unset DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS
weston=
trap 'stop "$weston"; stop_private_x; rm -rf "$XDG_RUNTIME_DIR"' EXIT

weston --backend=headless-backend.so --socket="$WestonSocket" --no-config --idle-time=0 \
    --log="$XDG_RUNTIME_DIR/weston.log" &
weston=$!
# The socket appears once weston takes clients, who are served as its start-up ends.
wait_until test -S "$XDG_RUNTIME_DIR/$WestonSocket" \
    || { cat "$XDG_RUNTIME_DIR/weston.log" >&2; fail "weston did not start"; }
# Headless weston has no seat, and Qt 6.4's Wayland input method asks the seat for its text
# input without looking whether there is one: the first key typed into a text box crashes
# the program. Qt's compose input method needs no seat. The start-up message waits for an
# answer, so a run that misses it would wait for ever.
env -u DISPLAY WAYLAND_DISPLAY="$WestonSocket" QT_QPA_PLATFORM=wayland QT_IM_MODULE=compose \
    timeout 60 build/debug/tests/wayland_check \
    || { cat "$XDG_RUNTIME_DIR/weston.log" >&2; fail "wayland_check failed on weston"; }
pass "natively on Wayland (headless weston): the window is exposed at 665 × 433, draws the chart, takes keys from Qt Test"
# Qt's choice of platform is the user's: asked for X on the command line, the program does
# not fall back to the compositor that answers, and says on one line that it has no X display.
status=0
line=$(env -u DISPLAY WAYLAND_DISPLAY="$WestonSocket" timeout 30 build/debug/app/bbtchart -platform xcb 2>&1 >/dev/null) \
    || status=$?
[ "$status" -eq 1 ] && [ "$line" = 'bbtchart: no display: cannot open X display (DISPLAY is not set); -platform is "xcb"' ] \
    || fail "with -platform xcb, no DISPLAY and weston answering: status $status, $line"
pass "with -platform xcb, no DISPLAY and weston answering it exits with status 1: $line"
stop "$weston"
weston=

start_private_x || fail "Xvfb did not start"
# Every "ok: " line atspi_tree.py prints is one check passed. Where even root may not raise
# its limit on open files (in a container), dbus-daemon says so once; it runs all the same.
dbus-run-session -- bash scripts/desktop-test.sh --on-session-bus | tee "$XDG_RUNTIME_DIR/atspi.out"
passed=$((passed + $(grep -c '^ok: ' "$XDG_RUNTIME_DIR/atspi.out")))

summary desktop-test
