#!/usr/bin/env bash
# Installs what the tests need, builds the debug build and runs the whole suite headless:
# the window on Qt's offscreen platform, printing through a CUPS server of the run's own.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
source scripts/privatecups.sh

install_missing "${BuildPackages[@]}" "${TestPackages[@]}"

cmake --preset debug >/dev/null
cmake --build --preset debug

start_cups_for_tests
ctest --preset debug
