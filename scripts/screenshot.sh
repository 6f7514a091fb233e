#!/usr/bin/env bash
# Photographs the window as a user sees it after pressing "グラフ表示" with check days
# ticked, on a private X server (docs/screenshot.png), then presses "印刷" with a private
# CUPS PDF printer as the default and renders the top of the page (docs/printed-page.png).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
source scripts/privatecups.sh

install_missing "${BuildPackages[@]}" xvfb xauth xdotool imagemagick \
    cups-daemon cups-client printer-driver-cups-pdf poppler-utils
cmake --preset release -DBUILD_TESTING=OFF >/dev/null
cmake --build --preset release >/dev/null

export DISPLAY=:47
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp &
xvfb=$!
app=
trap 'kill $app "$xvfb" 2>/dev/null || true; stop_private_cups' EXIT
start_private_cups
sleep 1
build/release/app/bbtchart &
app=$!

xdotool search --sync --onlyvisible --name '基礎体温表' >/dev/null
sleep 0.5
xdotool key Return                            # the start-up message
sleep 0.5
window=$(xdotool search --onlyvisible --name '基礎体温表' | tail -n 1)
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + 380)) $((Y + 412)) click 1   # チェック日も表示する
xdotool mousemove $((X + 392)) $((Y + 20)) click 1    # グラフ表示
xdotool mousemove $((X + 200)) $((Y + 420))
sleep 0.5
mkdir -p docs
import -window "$window" docs/screenshot.png
echo "docs/screenshot.png"

sent=$(date +%s)
xdotool mousemove $((X + 480)) $((Y + 20)) click 1    # 印刷
for tries in $(seq 60); do
    sleep 0.5
    [ -z "$(lpstat -o PDF)" ] || continue
    page=$(find "$HOME/PDF" -name '*.pdf' -newermt "@$sent" -print -quit 2>/dev/null)
    [ -n "$page" ] && pdfinfo "$page" >/dev/null 2>&1 && break
done
pdftoppm -r 100 -png -singlefile "$page" docs/printed-page
convert docs/printed-page.png -crop 827x560+0+0 +repage docs/printed-page.png
echo "docs/printed-page.png from $page"
