#!/usr/bin/env bash
# Photographs the window as a user sees it after pressing "グラフ表示" with check days
# ticked, on a private X server (docs/screenshot.png), then presses "印刷" with a private
# CUPS PDF printer as the default and renders the top of the page (docs/printed-page.png).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
source scripts/debian-packages.sh
source scripts/privatecups.sh
source scripts/privatex.sh

install_missing "${BuildPackages[@]}" xvfb xauth xdotool imagemagick \
    cups-daemon cups-client printer-driver-cups-pdf poppler-utils
cmake --preset release -DBUILD_TESTING=OFF >/dev/null
cmake --build --preset release >/dev/null

app=
trap 'stop "$app"; stop_private_x; stop_private_cups' EXIT
start_private_x
start_private_cups
build/release/app/bbtchart &
app=$!

# A digest of what the window shows.
picture() { import -window "$window" rgb:- | md5sum; }
# Waits until the window's picture differs from the digest $1 and holds still from one
# look to the next: the program has done what it was asked and painted it.
settled_picture_since() {
    local before=$1 previous= current tries
    for tries in $(seq 100); do
        current=$(picture)
        [ "$current" != "$before" ] && [ "$current" = "$previous" ] && { echo "$current"; return 0; }
        previous=$current
    done
    echo "the window did not settle" >&2
    return 1
}

# The start-up message and the window are both titled 基礎体温表; the message comes first,
# and the window is mapped once it has gone.
first_visible() { timeout 30 xdotool search --sync --onlyvisible --name '基礎体温表' | head -n 1; }
prompt_gone() { ! xdotool search --onlyvisible --name '基礎体温表' | grep -qx "$prompt"; }

prompt=$(first_visible)
xdotool windowfocus --sync "$prompt"          # keys go to the window with the focus
xdotool key Return                            # closes the start-up message
wait_until prompt_gone
window=$(first_visible)
eval "$(xdotool getwindowgeometry --shell "$window")"
shown=$(settled_picture_since "")
xdotool mousemove $((X + 380)) $((Y + 412)) click 1   # チェック日も表示する
xdotool mousemove $((X + 392)) $((Y + 20)) click 1    # グラフ表示
xdotool mousemove $((X + 200)) $((Y + 420))
settled_picture_since "$shown" >/dev/null
mkdir -p docs
import -window "$window" docs/screenshot.png
echo "docs/screenshot.png"

sent=$(date +%s)
xdotool mousemove $((X + 480)) $((Y + 20)) click 1    # 印刷
printed_page() {
    [ -z "$(lpstat -o PDF)" ] || return 1
    page=$(find "$HOME/PDF" -name '*.pdf' -newermt "@$sent" -print -quit 2>/dev/null)
    [ -n "$page" ] && pdfinfo "$page" >/dev/null 2>&1
}
wait_until printed_page
pdftoppm -r 100 -png -singlefile "$page" docs/printed-page
convert docs/printed-page.png -crop 827x560+0+0 +repage docs/printed-page.png
echo "docs/printed-page.png from $page"
