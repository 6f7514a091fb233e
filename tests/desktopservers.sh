#!/usr/bin/env bash
# The servers of a desktop that the desktop tests meet, as CTest's fixtures start and stop
# them, each kind in a runtime folder (XDG_RUNTIME_DIR) of its own that only its user may
# enter, FOLDER: "weston", a headless Wayland compositor on the socket wayland-bbtchart;
# "accessibility_bus", a D-Bus session bus on the socket bus, with the AT-SPI bus that screen
# readers read and its registry. The build names the folder, so that the tests know the
# sockets before the servers start; a start first stops what an earlier run left there.
set -euo pipefail
action=$1 servers=$2 folder=$3
source "$(dirname "$0")/../scripts/lib.sh"

# Whether process PID is still one of the servers started in this folder, the only processes
# that have it for their runtime folder (after a reboot its number may belong to another).
serving_here() {
    grep -qzxF "XDG_RUNTIME_DIR=$folder" "/proc/$1/environ" 2>/dev/null
}
not_serving_here() { ! serving_here "$1"; }

stop_servers() {
    local pid
    if [ -f "$folder/pids" ]; then
        for pid in $(cat "$folder/pids"); do
            serving_here "$pid" || continue
            kill "$pid" 2>/dev/null || true
            # Not this script's child: its end is seen, not waited for.
            wait_until not_serving_here "$pid"
        done
    fi
    rm -rf "$folder"
}

# Starts the command given in the background, its output in the folder's log and its process
# id in the folder's list, so that the fixture's test need not wait for it to end.
serve() {
    "$@" </dev/null >>"$folder/log" 2>&1 &
    echo $! >>"$folder/pids"
}

# Says why the servers did not start, and what they logged.
give_up() {
    echo "$1" >&2
    cat "$folder/log" >&2
    exit 1
}

start_weston() {
    serve weston --backend=headless-backend.so --socket=wayland-bbtchart --no-config --idle-time=0
    # The socket appears once weston takes clients, who are served as its start-up ends.
    wait_until test -S "$folder/wayland-bbtchart" || give_up "weston did not start"
    echo "weston on $folder/wayland-bbtchart"
}

start_accessibility_bus() {
    local bus
    serve dbus-daemon --session --address="unix:path=$folder/bus" --nofork --nopidfile
    export DBUS_SESSION_BUS_ADDRESS=unix:path=$folder/bus
    wait_until test -S "$folder/bus" || give_up "the D-Bus session bus did not start"
    # The launcher puts the AT-SPI bus's socket in the runtime folder.
    serve /usr/libexec/at-spi-bus-launcher --launch-immediately
    gdbus wait --session --timeout 30 org.a11y.Bus >/dev/null || give_up "the AT-SPI bus launcher did not start"
    bus=$(dbus-send --session --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress)
    bus=${bus##* } # the reply comes indented
    serve /usr/libexec/at-spi2-registryd
    gdbus wait --address "$bus" --timeout 30 org.a11y.atspi.Registry >/dev/null \
        || give_up "the AT-SPI registry did not start"
    # Where even root may not raise its limit on open files (in a container), dbus-daemon
    # logs so; it runs all the same.
    echo "D-Bus session bus on $folder/bus, its AT-SPI bus on $bus"
}

case $action in
start)
    stop_servers
    # Wayland and D-Bus want a runtime folder only its user can enter.
    mkdir -m 700 "$folder"
    export XDG_RUNTIME_DIR=$folder
    # Neither the desktop the tests were started from nor its screen reader's bus is used:
    # the AT-SPI bus launcher would name its bus on the X server's screen.
    unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS
    case $servers in
    weston) start_weston ;;
    accessibility_bus) start_accessibility_bus ;;
    *) echo "no such servers: $servers" >&2; exit 2 ;;
    esac
    ;;
stop) stop_servers ;;
*) echo "usage: $0 start|stop weston|accessibility_bus FOLDER" >&2; exit 2 ;;
esac
