#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Reads a built Windows program's resources back (icoutils, binutils, ImageMagick; no wine) and
# checks them against their sources: the version resource carries the project's version, the
# manifest is well formed and asks for what the program needs, and a GUI program has the
# Windows subsystem, icon 128 made of the program's own images and bitmap 136 byte for byte.
# Usage: check-resources.sh PROGRAM.exe VERSION GUI|CONSOLE SOURCE-ROOT
set -euo pipefail
EXE="$1" VERSION="$2" KIND="$3" ROOT="$4"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
resource() { wrestool --extract --raw "--type=$1" "--name=$2" "$EXE"; }

# The version resource: its fixed part (after the signature FEEF04BD) holds the file and product
# versions as four 16-bit numbers, its string table the version as text.
resource 16 1 >"$WORK/version.res" || true
[ -s "$WORK/version.res" ] || fail "no version resource"
IFS=. read -r major minor patch <<<"$VERSION"
hex="$(od -An -v -tx1 "$WORK/version.res" | tr -d ' \n')"
fixed="${hex#*bd04effe}"
if [ "$fixed" = "$hex" ]; then
    fail "the version resource has no fixed part"
else
    word() { echo $((16#${fixed:$(($1 * 4 + 2)):2}${fixed:$(($1 * 4)):2})); }
    # Words: structure version (2), file version MS (2: minor, major), LS (2: build, patch), then
    # the product version likewise.
    got="$(word 3).$(word 2).$(word 5).$(word 4) $(word 7).$(word 6).$(word 9).$(word 8)"
    [ "$got" = "$major.$minor.$patch.0 $major.$minor.$patch.0" ] ||
        fail "fixed file and product versions are $got, not $major.$minor.$patch.0"
fi
mapfile -t strings < <(strings --encoding=l "$WORK/version.res")
value() {
    local i
    for ((i = 0; i + 1 < ${#strings[@]}; i++)); do
        [ "${strings[i]}" = "$1" ] && { echo "${strings[i + 1]}"; return; }
    done
}
for pair in "FileVersion=$VERSION" "ProductVersion=$VERSION" "ProductName=Halvo" \
    "CompanyName=The Halvo developers" "OriginalFilename=$(basename "$EXE")"; do
    got="$(value "${pair%%=*}")"
    [ "$got" = "${pair#*=}" ] || fail "${pair%%=*} is '$got', not '${pair#*=}'"
done
value LegalCopyright | grep -q "GPL-3.0-or-later" || fail "LegalCopyright names no licence"

# The manifest (RT_MANIFEST 1): a malformed one keeps Windows from starting the program at all.
resource 24 1 >"$WORK/manifest.xml" || true
if [ ! -s "$WORK/manifest.xml" ]; then
    fail "no manifest"
elif ! python3 -c 'import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])' \
    "$WORK/manifest.xml"; then
    fail "the manifest is not well-formed XML"
else
    for want in 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' \
        'requestedExecutionLevel level="asInvoker"' '>true/pm</dpiAware>' \
        '>PerMonitorV2, PerMonitor</dpiAwareness>' \
        'supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"'; do
        tr -s ' \n' ' ' <"$WORK/manifest.xml" | grep -qF "$want" || fail "the manifest lacks $want"
    done
fi

subsystem="$(x86_64-w64-mingw32-objdump -p "$EXE" | sed -n 's/^Subsystem.*(\(.*\))/\1/p')"
case "$KIND" in
GUI) want="Windows GUI" ;;
CONSOLE) want="Windows CUI" ;;
*) echo "check-resources.sh: GUI or CONSOLE, not $KIND" >&2; exit 2 ;;
esac
[ "$subsystem" = "$want" ] || fail "subsystem is '$subsystem', not '$want'"

if [ "$KIND" = GUI ]; then
    # Icon 128, each size against the image it was made from.
    wrestool --extract --type=14 --name=128 "$EXE" >"$WORK/icon.ico" || true
    if [ ! -s "$WORK/icon.ico" ]; then
        fail "no icon 128"
    else
        (cd "$WORK" && icotool --extract icon.ico)
        for size in 16 20 24 32 40 48 64 256; do
            source="$ROOT/resources/images/icon128_$size.png"
            image="$(find "$WORK" -name "icon_*_${size}x${size}x*.png" | head -n 1)"
            if [ -z "$image" ]; then
                fail "icon 128 has no ${size}x$size image"
                continue
            fi
            differ="$(compare -metric AE "$image" "$source" null: 2>&1)" || true
            [ "$differ" = 0 ] || fail "icon 128 at $size px differs from $source ($differ pixels)"
        done
    fi
    # Bitmap 136: wrestool gives it back with its file header, as the .bmp it was made from.
    wrestool --extract --type=2 --name=136 "$EXE" >"$WORK/bitmap136.bmp" || true
    cmp -s "$WORK/bitmap136.bmp" "$ROOT/resources/images/bitmap136.bmp" ||
        fail "bitmap 136 is not resources/images/bitmap136.bmp"
fi

if [ "$failures" -gt 0 ]; then
    echo "$(basename "$EXE"): $failures resource check(s) failed" >&2
    exit 1
fi
echo "$(basename "$EXE"): version $VERSION, manifest, $KIND resources as built from their sources"
