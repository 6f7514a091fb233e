#!/usr/bin/env bash
# The program as a screen reader meets it: started on an X server of its own, it joins the
# AT-SPI bus of the D-Bus session that DBUS_SESSION_BUS_ADDRESS names, where
# scripts/atspi_tree.py reads it, prints what it reads and checks it.
set -euo pipefail
source "$(dirname "$0")/programonx.sh"
# Qt otherwise joins the bus only once a screen reader says it is running.
run_program QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
# Debian's interpreter: the python3 first on PATH may be one without Debian's pyatspi.
/usr/bin/python3 "$scripts/atspi_tree.py" "$app"
