#!/bin/sh
# Frame-exactness and responsiveness benchmark of the player: builds it, makes the video
# matrix (cached in the build tree), measures every file under a virtual X server and writes
# bench/results.md.
#
#   bench/run_frame_bench.sh [build folder] [--quick] [--modes baseline,player] [--only TEXT]
#
# The build folder defaults to ./build; it is configured when it does not exist yet.
# A full run takes about half an hour on two cores; --quick measures three files briefly.
# One file's first picture alone: bench_frame_player --run-one INDEX --video FILE --json OUT
# --load-only, with the environment set as below.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
build="$here/../build"
case "${1:-}" in
    -*|"") ;;
    *) build="$1"; shift ;;
esac

[ -f "$build/CMakeCache.txt" ] || cmake -S "$here/.." -B "$build"
cmake --build "$build" -j2 --target bench_frame_exact
# The program's player is measured when it builds; a stale build is never measured.
if cmake --build "$build" --target help | grep bench_frame_player >/dev/null; then
    cmake --build "$build" -j2 --target bench_frame_player ||
        { echo "run_frame_bench: the player does not build; measuring the baseline only" >&2
          rm -f "$build/bench/bench_frame_player"; }
fi

# The program stores timing records under HOME: keep them away from the real one.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT INT TERM

# GStreamer keeps the list of its plugins under the cache folder and loads every plugin to make
# it again (half a second and more) where it finds none, as in a new scratch home: the first
# file measured would pay for that. The list is kept in the build tree, made here before any
# file is measured, as every start of the program after the first finds it.
registry="$build/bench/gstreamer-registry.bin"
GST_REGISTRY="$registry" gst-inspect-1.0 >/dev/null 2>&1 || true

env HOME="$scratch" GST_REGISTRY="$registry" \
    XDG_CONFIG_HOME="$scratch/.config" XDG_DATA_HOME="$scratch/.local/share" \
    XDG_CACHE_HOME="$scratch/.cache" XDG_RUNTIME_DIR="$scratch" \
    PHONON_BACKEND=phonon_gstreamer QT_LOGGING_RULES="qt.qpa.*=false" \
    xvfb-run -a -s "-screen 0 1600x1200x24" \
    "$build/bench/bench_frame_exact" --cache "$build/bench/frame-videos" \
    --work "$build/bench/frame-results" --out "$here/results.md" "$@"
