#!/usr/bin/env bash
# Installs what is missing, builds the release build and starts the chart window.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
source scripts/debian-packages.sh

install_missing "${BuildPackages[@]}"
cmake --preset release -DBUILD_TESTING=OFF >/dev/null
cmake --build --preset release
exec build/release/app/bbtchart "$@"
