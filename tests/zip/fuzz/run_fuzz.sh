#!/usr/bin/env bash
# Builds the reader's fuzz target with clang into BUILD_DIR and fuzzes it for SECONDS, starting
# from the hostile fixtures. Fails when libFuzzer finds a crash, a leak or a sanitizer report.
set -euo pipefail
build=$(realpath -m "${1:?usage: run_fuzz.sh BUILD_DIR SECONDS}")
seconds=${2:-15}
here=$(cd "$(dirname "$0")" && pwd)
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build" >/dev/null
corpus="$build/corpus"
mkdir -p "$corpus"
cp "$here"/../fixtures/*.zip "$corpus"/
cd "$build"
./zip_reader_fuzz -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 "$corpus" 2>&1 | tail -15
