#!/bin/sh
# Frame-exactness and responsiveness benchmark of the player: builds it, makes the video
# matrix (cached in the build tree), measures every file under a virtual X server and writes
# bench/results.md.
#
#   bench/run_frame_bench.sh [build folder] [--quick] [--modes baseline,player] [--only TEXT]
#
# The build folder defaults to ./build; it is configured when it does not exist yet.
# A full run takes about half an hour on two cores; --quick measures three files briefly.
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

env HOME="$scratch" XDG_CONFIG_HOME="$scratch/.config" XDG_DATA_HOME="$scratch/.local/share" \
    XDG_CACHE_HOME="$scratch/.cache" XDG_RUNTIME_DIR="$scratch" \
    PHONON_BACKEND=phonon_gstreamer QT_LOGGING_RULES="qt.qpa.*=false" \
    xvfb-run -a -s "-screen 0 1600x1200x24" \
    "$build/bench/bench_frame_exact" --cache "$build/bench/frame-videos" \
    --work "$build/bench/frame-results" --out "$here/results.md" "$@"
