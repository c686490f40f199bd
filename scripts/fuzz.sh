#!/bin/sh
# Builds the stored-record fuzz target with clang and libFuzzer and runs it.
#   sh scripts/fuzz.sh [seconds] [seed]  (60 s and a fixed seed by default, as CI runs it, so
#                                        that a run can be repeated; seed 0 picks a new one)
# A crash leaves its input in build-fuzz/findings; replay it with
#   build-fuzz/fuzz/record_replay build-fuzz/findings/<file>
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
seed=${2:-20261208}
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g -O1"
cmake -S . -B build-fuzz -DMORLEK_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build build-fuzz -j2 --target record_fuzzer record_replay
mkdir -p build-fuzz/corpus build-fuzz/findings
# Qt and GStreamer keep caches for the process's life: leaks are not what is looked for here.
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    build-fuzz/fuzz/record_fuzzer -seed="$seed" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
    -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix=build-fuzz/findings/ \
    build-fuzz/corpus fuzz/corpus
