#!/bin/sh
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
#   sh scripts/sanitize.sh
set -eu
cd "$(dirname "$0")/.."
flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
# Leak detection is off: Qt, Phonon, GStreamer and fontconfig keep caches and plugin state for
# the life of the process, which it reports as leaks by the hundred (the build runs a program
# of its own too: the manual's). Memory errors and undefined behaviour still stop the program
# that meets them.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cmake --build build-asan -j2
# A test that plays video runs slower here; one that fails by time alone gets two more runs,
# while a sanitizer's report fails it every time.
ctest --test-dir build-asan --output-on-failure -j2 --repeat until-pass:3
