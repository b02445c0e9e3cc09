#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes every picture of the main window in docs/screenshots again, from the simulator, in one
# command:
#
#   sudo scripts/screenshots.sh [--build-dir DIR] [--windows-build DIR] [--shots DIR]
#
#   main-window.png              Linux (Qt), 100 %: scripts/demo.sh --headless (CI compares it)
#   main-window-linux-200.png    Linux (Qt), 200 %: the same with --scale 200
#   main-window-windows-100.png  Windows (halvo.exe under wine), 96 dpi
#   main-window-windows-200.png  Windows (halvo.exe under wine), 192 dpi
#
# Each on a namespace LAN of the three boxes (tools/devsim/configs/box1-3.ini), NAS-Alpha
# selected. The Windows pictures need the Windows build's halvo.exe (default build-win, target
# halvo); wine runs on the LAN's workstation host with a prefix of its own
# (DIR/screenshot-prefix) whose wineserver is started there (scripts/wine-shot.sh).
set -Eeuo pipefail
cd "$(dirname "$0")/.."
ROOT="$(pwd)"
BUILD="build"
WIN="build-win"
SHOTS="docs/screenshots"
while [ "$#" -gt 0 ]; do
    case "$1" in
    --build-dir) BUILD="${2:?--build-dir needs a folder}"; shift ;;
    --windows-build) WIN="${2:?--windows-build needs a folder}"; shift ;;
    --shots) SHOTS="${2:?--shots needs a folder}"; shift ;;
    *)
        sed -n '2,/^set -/{/^#/p}' "$0" | sed 's/^# \{0,1\}//' >&2
        exit 2
        ;;
    esac
    shift
done
[ "$(id -u)" -eq 0 ] || { echo "screenshots: needs root: sudo scripts/screenshots.sh" >&2; exit 1; }
BUILD="$(realpath -m "$BUILD")"
WIN="$(realpath -m "$WIN")"
SHOTS="$(realpath -m "$SHOTS")"
[ -f "$WIN/app/halvo.exe" ] ||
    { echo "screenshots: no $WIN/app/halvo.exe: cmake --build --preset windows --target halvo" >&2; exit 1; }

run_id="${HALVO_LAN:-shots$$}"
# Linux, 100 and 200 %.
HALVO_LAN="$run_id-qt" bash scripts/demo.sh --headless --build-dir "$BUILD" --shots "$SHOTS"
HALVO_LAN="$run_id-qt2" bash scripts/demo.sh --headless --scale 200 --build-dir "$BUILD" \
    --shots "$SHOTS"

# Windows, 96 and 192 dpi, on one LAN whose boxes answer in a fixed order (Alpha first), as the
# demo's do.
export HALVO_LAN="$run_id-win" HALVO_DEVSIM="$BUILD/tools/devsim/halvo-devsim"
boxes="$(mktemp -d /tmp/halvo-shot-boxes.XXXXXX)"
trap 'bash scripts/lan.sh down >/dev/null 2>&1 || true; rm -rf "$boxes"' EXIT
for pair in "box1.ini 0" "box2.ini 160" "box3.ini 80"; do
    read -r box delay <<<"$pair"
    { cat "tools/devsim/configs/$box"; echo "delay = discover:$delay"; } >"$boxes/$box"
done
bash scripts/lan.sh up 3 "$boxes/box1.ini" "$boxes/box2.ini" "$boxes/box3.ini"
owner="$(stat -c %u:%g "$SHOTS")"
for pair in "100 96" "200 192"; do
    read -r percent dpi <<<"$pair"
    shot="$boxes/main-window-windows-$percent.png"
    bash scripts/lan.sh exec env WINEPREFIX="$WIN/screenshot-prefix" \
        bash "$ROOT/scripts/wine-shot.sh" "$WIN/app/halvo.exe" "$dpi" "$shot"
    install -m 0644 -o "${owner%:*}" -g "${owner#*:}" "$shot" "$SHOTS/"
    echo "screenshots: saved $SHOTS/main-window-windows-$percent.png"
done
