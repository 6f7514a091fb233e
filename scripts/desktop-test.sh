#!/usr/bin/env bash
# Checks the program on the desktops users meet, with servers of the run's own only:
# natively on Wayland, the window test wayland_check against a headless weston.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

WestonSocket=wayland-bbtchart

fail() { echo "FAILED: $*" >&2; exit 1; }

# Ends the processes whose ids are given, those that were started at all.
stop() {
    local pid
    for pid in "$@"; do
        [ -n "$pid" ] || continue
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
}

# Runs the command given every tenth of a second, up to 30 s, until it succeeds.
wait_until() {
    local tries
    for tries in $(seq 300); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

install_missing "${BuildPackages[@]}" libgtest-dev libgmock-dev weston
cmake --preset debug >/dev/null
cmake --build --preset debug -j "$(nproc)" --target bbtchart wayland_check

# Wayland wants a runtime directory only its user can enter; mktemp makes it so.
XDG_RUNTIME_DIR=$(mktemp -d /tmp/bbtchart-desktop.XXXXXX)
export XDG_RUNTIME_DIR
# A desktop's session bus takes no part.
unset DBUS_SESSION_BUS_ADDRESS
weston=
trap 'stop "$weston"; rm -rf "$XDG_RUNTIME_DIR"' EXIT

passed=0
pass() { echo "ok: $*"; passed=$((passed + 1)); }

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

echo "desktop-test: $passed passed, 0 failed"
