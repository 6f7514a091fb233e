#!/usr/bin/env bash
# Installs what the tests need, builds the debug build and runs the whole suite headless.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

TestPackages=(libgtest-dev libgmock-dev)
install_missing "${BuildPackages[@]}" "${TestPackages[@]}"

cmake --preset debug >/dev/null
cmake --build --preset debug
ctest --preset debug
