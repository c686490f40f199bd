#!/bin/sh
# Builds and tests the checkout on Debian 13 (trixie) in a chroot: the README's install, build
# and CTest steps, as on Debian 12. Run as root. The chroot is made once with debootstrap from
# the Debian mirror this machine's apt already uses, and kept for later runs.
#   MORLEK_CI_CHROOT  where the chroot lies (default /var/cache/morlek-ci/trixie)
set -eu
cd "$(dirname "$0")/.."
root=${MORLEK_CI_CHROOT:-/var/cache/morlek-ci/trixie}

if [ "$(id -u)" -ne 0 ]; then
    echo "debian13-leg: must run as root (debootstrap, chroot, mount)" >&2
    exit 1
fi

# The Debian mirror of this machine's apt sources: deb822 files first, then the one-line form.
mirror() {
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        awk '/^URIs:/ { for (i = 2; i <= NF; i++) if ($i !~ /security/) { print $i; exit } }' "$f"
    done | head -n 1
    if [ -f /etc/apt/sources.list ]; then
        awk '$1 == "deb" && $0 !~ /security/ { for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) { print $i; exit } }' \
            /etc/apt/sources.list
    fi
}

if [ ! -f "$root/.morlek-ready" ]; then
    url=$(mirror | head -n 1)
    if [ -z "$url" ]; then
        echo "debian13-leg: no Debian mirror found in the apt sources" >&2
        exit 1
    fi
    command -v debootstrap >/dev/null 2>&1 || {
        DEBIAN_FRONTEND=noninteractive apt-get update -q
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap
    }
    rm -rf "$root"
    mkdir -p "$(dirname "$root")"
    debootstrap --variant=minbase trixie "$root" "$url"
    printf 'deb %s trixie main\n' "$url" > "$root/etc/apt/sources.list"
    touch "$root/.morlek-ready"
fi

mounted=""
unmount() {
    for m in $mounted; do umount -l "$root$m" 2>/dev/null || true; done
}
trap unmount EXIT INT TERM
for m in /proc /sys /dev/pts; do
    mkdir -p "$root$m"
    # Left by a run that was killed before its trap ran.
    if mountpoint -q "$root$m"; then umount -l "$root$m"; fi
    case $m in
        /proc) mount -t proc proc "$root$m" ;;
        /sys) mount -t sysfs sysfs "$root$m" ;;
        /dev/pts) mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root$m" ;;
    esac
    mounted="$m $mounted"
done
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true

# A fresh copy of the checkout each run; the build folder inside is the leg's own.
rm -rf "$root/morlek"
mkdir -p "$root/morlek"
tar --exclude='./build*' --exclude='./.git' -cf - . | tar -xf - -C "$root/morlek"
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
    /bin/sh -c 'cd /morlek && sh scripts/install-deps.sh && cmake -S . -B build && cmake --build build -j2 && ctest --test-dir build --output-on-failure -j2 --repeat until-pass:5'
