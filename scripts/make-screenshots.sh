#!/bin/sh
# Takes the screenshots of the manual and the README from the real program under Xvfb and
# stores them in doc/images. Run from anywhere after configuring the build folder:
#     sh scripts/make-screenshots.sh [build folder]
set -eu
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$top/build}" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cmake --build "$build" -j1 --target morlek_screenshots

mkdir -p "$work/home" "$work/shots" "$work/videos"
# A performance stand-in: a moving test picture with the frame number and time burned in.
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
ffmpeg -nostdin -loglevel error -f lavfi -i testsrc2=size=960x540:rate=25:duration=12 \
    -f lavfi -i sine=frequency=440:duration=12 \
    -vf "drawtext=fontfile=$font:fontsize=64:fontcolor=white:box=1:boxcolor=black@0.6:boxborderw=12:x=(w-text_w)/2:y=h/2-100:text='frame %{frame_num}',drawtext=fontfile=$font:fontsize=44:fontcolor=yellow:box=1:boxcolor=black@0.6:boxborderw=10:x=(w-text_w)/2:y=h/2+30:text='%{pts\\:hms}'" \
    -c:v libx264 -pix_fmt yuv420p -g 25 -c:a aac -shortest "$work/videos/floor-routine.mp4"

# A second video, so that the open dialog shows a folder of them.
cp "$work/videos/floor-routine.mp4" "$work/videos/beam-final.mp4"

HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
PHONON_BACKEND=phonon_gstreamer LANG=C.UTF-8 LANGUAGE= \
    xvfb-run -a -s "-screen 0 1280x800x24" \
    "$build/doc/morlek_screenshots" "$work/videos/floor-routine.mp4" "$work/shots"
cp "$work/shots/"*.png "$top/doc/images/"
echo "make-screenshots: doc/images updated"
