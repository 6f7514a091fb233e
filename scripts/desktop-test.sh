#!/usr/bin/env bash
# Checks the program on the desktops users meet, with servers of the run's own only: the
# tests labelled "desktop", which ctest runs with the rest of the suite too. Natively on
# Wayland, the window test wayland_check against a headless weston, and the program asked
# for X beside it; then as a screen reader meets it, the program on a private X server read
# through the AT-SPI bus of a D-Bus session of its own (scripts/atspi_tree.py).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
source scripts/debian-packages.sh

install_missing "${BuildPackages[@]}" "${TestPackages[@]}"
cmake --preset debug >/dev/null
cmake --build --preset debug --target bbtchart wayland_check
# -V: what atspi_tree.py reads of the window, tree and table, is shown as it passes.
ctest --preset debug -L desktop -V
