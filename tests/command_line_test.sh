#!/bin/sh
# The build tree's program, started from a folder of its own: --version, --help in English and,
# under a German locale, in German from both catalogues; an unknown option is refused.
# Usage: command_line_test.sh <morlek executable> <version>
set -eu
morlek="$1"
version="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
export QT_QPA_PLATFORM=offscreen LANGUAGE= LC_ALL=

fail() { echo "FAIL: $*"; exit 1; }

out="$(LANG=C.UTF-8 "$morlek" --version 2>/dev/null)"
[ "$out" = "Morlek $version" ] || fail "--version printed '$out'"

out="$(LANG=C.UTF-8 "$morlek" --help 2>/dev/null)"
echo "$out" | grep -q "The video to open." || fail "English --help: $out"
echo "$out" | grep -q -- "--version" || fail "--help lists no --version: $out"

out="$(LANG=de_DE.UTF-8 "$morlek" --help 2>/dev/null)"
echo "$out" | grep -q "Das zu öffnende Video." || fail "no German from our catalogue: $out"
echo "$out" | grep -q "Zeigt diese Hilfe an\|Zeigt Hilfe" || fail "no German from Qt's catalogue: $out"

if LANG=C.UTF-8 "$morlek" --no-such-option >/dev/null 2>&1; then
    fail "an unknown option was accepted"
fi
echo "PASS"
