#!/bin/sh
# Installs every Debian package that building, running and testing the program need.
# Safe to run again: apt-get only installs what is missing.
set -eu

packages="cmake g++ make pkg-config
qtbase5-dev qttools5-dev qttools5-dev-tools
libphonon4qt5-dev phonon4qt5-backend-gstreamer libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
gstreamer1.0-libav gstreamer1.0-x gstreamer1.0-plugins-base gstreamer1.0-plugins-good
gstreamer1.0-plugins-bad
protobuf-compiler libprotobuf-dev libboost-dev
ffmpeg mencoder fonts-dejavu-core
xvfb xauth python3
qttranslations5-l10n desktop-file-utils appstream dpkg-dev file
clang libclang-rt-dev"

if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi

missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

if [ -z "$missing" ]; then
    echo "install-deps: all packages present"
    exit 0
fi

echo "install-deps: installing$missing"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q
# shellcheck disable=SC2086
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
