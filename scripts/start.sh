#!/usr/bin/env bash
# Installs what is missing, builds the release build and starts the chart window.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

install_missing "${BuildPackages[@]}"
cmake --preset release -DBUILD_TESTING=OFF >/dev/null
cmake --build --preset release
exec build/release/app/bbtchart "$@"
