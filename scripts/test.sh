#!/usr/bin/env bash
# Installs what the tests need, builds the debug build and runs the whole suite headless:
# the window on Qt's offscreen platform, printing through a CUPS server of the run's own.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
source scripts/privatecups.sh

TestPackages=(libgtest-dev libgmock-dev cups-daemon cups-client printer-driver-cups-pdf poppler-utils)
install_missing "${BuildPackages[@]}" "${TestPackages[@]}"

cmake --preset debug >/dev/null
cmake --build --preset debug

trap stop_private_cups EXIT
if start_private_cups; then
    # With a printer to hand, the printing test must not skip.
    export BBTCHART_REQUIRE_PRINTER=1
    export BBTCHART_PRINT_DIR="$HOME/PDF"
else
    echo "CUPS could not be started here: the printing test on the default printer will skip." >&2
fi
ctest --preset debug
