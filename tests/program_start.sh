#!/usr/bin/env bash
# Starts the program on an X server of its own, as a user starts it from the menu: first
# the start-up message and nothing else, then, after Return, the window at 665 x 433 pixels.
set -euo pipefail
source "$(dirname "$0")/programonx.sh"
run_program 2>/dev/null

visible() { xdotool search --onlyvisible --name '基礎体温表' 2>/dev/null || true; }
size_of() { xdotool getwindowgeometry --shell "$1" | sed -n 's/^\(WIDTH\|HEIGHT\)=//p' | paste -sd x; }

first=$(timeout 20 xdotool search --sync --onlyvisible --name '基礎体温表' | head -n 1)
sleep 0.3 # time for a window shown too early to map as well
[ "$(visible | wc -l)" -eq 1 ] || { echo "FAILED: more than the start-up message is shown at first"; exit 1; }
[ "$(size_of "$first")" != 665x433 ] || { echo "FAILED: the window came before its start-up message"; exit 1; }
echo "ok: the start-up message comes first, alone ($(size_of "$first"))"

xdotool key Return # the message box has the keyboard focus
for _ in $(seq 100); do
    window=$(visible | head -n 1)
    [ -n "$window" ] && [ "$window" != "$first" ] && [ "$(size_of "$window")" = 665x433 ] && break
    sleep 0.1
done
[ "$(size_of "$window")" = 665x433 ] || { echo "FAILED: no 665 x 433 window after the message was answered"; exit 1; }
kill -0 "$app" || { echo "FAILED: the program ended"; exit 1; }
echo "ok: after Return the window opens at 665 x 433"
