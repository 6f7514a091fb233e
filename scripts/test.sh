#!/usr/bin/env bash
# Installs what the tests need, builds the debug build and runs the whole suite headless:
# the window on an X server of the run's own (Xvfb) where the screen's pixels are checked,
# on Qt's offscreen platform elsewhere, printing through CUPS servers of the run's own.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
source scripts/debian-packages.sh
source scripts/privatecups.sh
source scripts/privatex.sh

install_missing "${BuildPackages[@]}" "${TestPackages[@]}"

# The code keeps the project's style (.clang-format); a change that breaks it fails here.
find app bench chart fuzz print record tests window -name '*.cpp' -o -name '*.h' | sort \
    | xargs clang-format --dry-run --Werror

cmake --preset debug >/dev/null
cmake --build --preset debug

trap 'stop_private_x; stop_private_cups' EXIT
start_private_x
start_cups_for_tests
ctest --preset debug
