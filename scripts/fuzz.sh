#!/usr/bin/env bash
# Fuzzes the record reader for the given number of seconds (default 60) with libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer; fails on the first crash or broken
# promise. New inputs go to build/fuzz/corpus; the seeds in fuzz/corpus stay as they are.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
source scripts/debian-packages.sh
seconds=${1:-60}

install_missing clang libclang-rt-14-dev cmake ninja-build
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
mkdir -p build/fuzz/corpus
build/fuzz/fuzz/recordreader_fuzz -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 \
    build/fuzz/corpus fuzz/corpus
