#!/usr/bin/env bash
# Installs what the tests need, builds the debug build and runs the whole suite headless,
# one test per core at a time: ctest starts what the tests need, an X server of each test's
# own (Xvfb) where the screen's pixels are checked, Qt's offscreen platform elsewhere, the
# CUPS servers of the run's own to print through, and a headless weston and a D-Bus session
# with its AT-SPI bus, of the run's own too, for the desktop tests.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
source scripts/debian-packages.sh

install_missing "${BuildPackages[@]}" "${TestPackages[@]}"

# The code keeps the project's style (.clang-format); a change that breaks it fails here.
find app bench chart fuzz print record tests window -name '*.cpp' -o -name '*.h' | sort \
    | xargs clang-format --dry-run --Werror

# Configuring looks for root, or sudo that asks no password, to run the print servers as;
# sudo remembers a password given here for the rest of the run.
as_root true
cmake --preset debug >/dev/null
cmake --build --preset debug
ctest --preset debug -j"$(nproc)"
