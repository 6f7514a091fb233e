#!/usr/bin/env bash
# The program as a screen reader meets it: started on an X server of its own, it joins the
# AT-SPI bus of the D-Bus session that DBUS_SESSION_BUS_ADDRESS names, where
# scripts/atspi_tree.py reads it, prints what it reads and checks it.
set -euo pipefail
program=$1
scripts=$(dirname "$0")/../scripts
source "$scripts/lib.sh"
source "$scripts/privatex.sh"

app=
trap 'stop "$app"; stop_private_x' EXIT
start_private_x
export QT_QPA_PLATFORM=xcb
# Qt otherwise joins the bus only once a screen reader says it is running.
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$program" &
app=$!
# Debian's interpreter: the python3 first on PATH may be one without Debian's pyatspi.
/usr/bin/python3 "$scripts/atspi_tree.py" "$app"
