#!/usr/bin/env bash
# Runs the whole suite, all but the long load tests and the window on Wayland, built with
# clang's AddressSanitizer and UndefinedBehaviorSanitizer (any report fails it); the tests
# where the print job's thread meets the window's built with ThreadSanitizer (label
# "threads"); then the core tests of the debug build under valgrind.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
source scripts/debian-packages.sh

install_missing "${BuildPackages[@]}" "${TestPackages[@]}" clang libclang-rt-14-dev libtsan2 valgrind

as_root true # as in test.sh: configuring looks for sudo that asks no password
cmake --preset asan >/dev/null
cmake --build --preset asan
cmake --preset tsan >/dev/null
cmake --build --preset tsan --target print_tests printing_tests page_tests
cmake --preset debug >/dev/null
cmake --build --preset debug --target core_tests

# On Wayland Qt loads Mesa's EGL driver, which leaks and is unloaded before LeakSanitizer
# looks, so that its leaks cannot be told from the program's (label "wayland").
ctest --preset asan -LE 'load|wayland' -j"$(nproc)"
ctest --preset tsan -j"$(nproc)"
valgrind --error-exitcode=1 --quiet build/debug/tests/core_tests --gtest_brief=1
