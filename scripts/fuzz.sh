#!/usr/bin/env bash
# Fuzzes the record reader and the readers of the print server's answers side by side, each
# for the given number of seconds (default 60), with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer; fails on the first crash or broken promise of either. New inputs
# go to build/fuzz/corpus and build/fuzz/ipp-corpus; the seeds in fuzz/corpus and
# fuzz/ipp-corpus stay as they are.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
source scripts/debian-packages.sh
seconds=${1:-60}

install_missing clang libclang-rt-14-dev cmake ninja-build libcups2-dev
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
mkdir -p build/fuzz/corpus build/fuzz/ipp-corpus

# Runs fuzz target NAME on its corpora with the options after them, its output in its log.
fuzz() {
    local name=$1 corpus=$2 seeds=$3
    shift 3
    "build/fuzz/fuzz/$name" -max_total_time="$seconds" -print_final_stats=1 "$@" "$corpus" "$seeds" \
        >"build/fuzz/$name.log" 2>&1
}
status=0
fuzz recordreader_fuzz build/fuzz/corpus fuzz/corpus -max_len=8192 &
records=$!
fuzz ippanswer_fuzz build/fuzz/ipp-corpus fuzz/ipp-corpus -max_len=65536 &
answers=$!
wait $records || status=1
wait $answers || status=1
for name in recordreader_fuzz ippanswer_fuzz; do
    echo "== $name"
    grep -E '^(#[0-9]+[[:space:]]+DONE|stat::|==[0-9]+==|SUMMARY|artifact_prefix|Test unit written)' "build/fuzz/$name.log" \
        || tail -n 20 "build/fuzz/$name.log"
done
exit $status
