#!/bin/sh
# Makes the Debian package, unpacks it into a temporary root and starts the program from there
# on a video under Xvfb. Exits 77 (skipped) when the machine lacks the tools.
# Usage: package_test.sh <build folder> <version>
set -eu
build="$1"
version="$2"
for tool in cpack dpkg-deb xvfb-run ffmpeg timeout; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is missing"; exit 77; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# The package, made in a folder of its own.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log"; fail "cpack failed"; }
deb="$(ls "$work"/pkg/morlek_"$version"_*.deb)"
[ -f "$deb" ] || fail "no package"

depends="$(dpkg-deb -f "$deb" Depends)"
for dep in phonon4qt5-backend-gstreamer gstreamer1.0-libav gstreamer1.0-plugins-good \
           ffmpeg qttranslations5-l10n libqt5widgets5 libphonon4qt5-4 libprotobuf; do
    echo "$depends" | grep -q "$dep" || fail "Depends lacks $dep: $depends"
done
dpkg-deb -f "$deb" Recommends | grep -q mencoder || fail "mencoder is not recommended"

root="$work/root"
dpkg-deb -x "$deb" "$root"
for file in usr/bin/morlek \
            usr/share/applications/com.tovashel.Morlek.desktop \
            usr/share/metainfo/com.tovashel.Morlek.metainfo.xml \
            usr/share/icons/hicolor/scalable/apps/com.tovashel.Morlek.svg \
            usr/share/icons/hicolor/48x48/apps/com.tovashel.Morlek.png \
            usr/share/morlek/translations/mediaplayer_de.qm \
            usr/share/doc/morlek/Morlek_Manual.pdf; do
    [ -s "$root/$file" ] || fail "the package lacks $file"
done
if command -v desktop-file-validate >/dev/null 2>&1; then
    desktop-file-validate "$root/usr/share/applications/com.tovashel.Morlek.desktop" \
        || fail "desktop entry"
fi
if command -v appstreamcli >/dev/null 2>&1; then
    appstreamcli validate --no-net "$root/usr/share/metainfo/com.tovashel.Morlek.metainfo.xml" \
        || fail "metainfo"
fi
morlek="$root/usr/bin/morlek"
if ldd "$morlek" | grep -q "not found"; then
    ldd "$morlek"; fail "unresolved libraries"
fi

# Started from elsewhere, the installed program finds its catalogue in the installed data folder.
mkdir "$work/elsewhere" "$work/home"
cd "$work/elsewhere"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_CACHE_HOME="$work/home/.cache" LANGUAGE= LC_ALL=
[ "$(QT_QPA_PLATFORM=offscreen "$morlek" --version 2>/dev/null)" = "Morlek $version" ] \
    || fail "--version"
QT_QPA_PLATFORM=offscreen LANG=de_DE.UTF-8 "$morlek" --help 2>/dev/null \
    | grep -q "Das zu öffnende Video." || fail "the installed program does not speak German"

# On a video: still running after some seconds, ended by the timeout (124), not by a crash.
ffmpeg -nostdin -loglevel error -f lavfi -i testsrc2=size=320x240:rate=25:duration=4 \
    -c:v libx264 -pix_fmt yuv420p "$work/clip.mp4"
PHONON_BACKEND=phonon_gstreamer xvfb-run -a -s "-screen 0 1280x800x24" \
    sh -c 'timeout 8 "$0" "$1"; echo $? >"$2"' "$morlek" "$work/clip.mp4" "$work/rc" \
    >"$work/run.log" 2>&1 || true
rc="$(cat "$work/rc" 2>/dev/null || echo none)"
[ "$rc" = 124 ] || { cat "$work/run.log"; fail "the installed program ended with $rc"; }
echo "PASS"
