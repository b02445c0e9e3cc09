#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows programs under wine on namespace LANs, against the simulator of the Linux build:
# halvoctl.exe on a LAN of several segments (tests/e2e/WineCliLanTest.sh), then halvo.exe's
# windows on a LAN of one (tests/e2e/WineGuiLanTest.sh), each on its workstation host through
# run-on-lan.sh.
# Usage (root): scripts/wine-e2e.sh [linux-build] [windows-build]   (default build, build-win)
# HALVO_WINE_E2E_ONLY=cli or gui runs one of the two.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
LINUX="$(cd "${1:-$ROOT/build}" && pwd)"
WIN="$(cd "${2:-$ROOT/build-win}" && pwd)"
export HALVO_WINE_CTL="$WIN/cli/halvoctl.exe"
# The build's prefix, its wineserver started in the LAN's workstation namespace for this run
# (wine-env.sh refuses it while a wineserver of it runs anywhere else).
export WINEPREFIX="$WIN/wine-prefix"
export HALVO_WINE_GUI_TESTS="$WIN/tests/e2e/win32/wine_gui_lan_tests.exe"
configs="$ROOT/tools/devsim/configs"
status=0
if [ "${HALVO_WINE_E2E_ONLY:-cli gui}" != gui ]; then
    bash "$ROOT/tests/e2e/run-on-lan.sh" --multi "1 1 1 1" "$ROOT/scripts/lan.sh" \
        "$LINUX/tools/devsim/halvo-devsim" "$ROOT/tests/e2e/WineCliLanTest.sh" wine \
        "$configs/box1.ini" "$configs/password.ini" "$configs/box3.ini" "$configs/box2.ini" ||
        status=1
fi
if [ "${HALVO_WINE_E2E_ONLY:-cli gui}" != cli ]; then
    bash "$ROOT/tests/e2e/run-on-lan.sh" "$ROOT/scripts/lan.sh" \
        "$LINUX/tools/devsim/halvo-devsim" "$ROOT/tests/e2e/WineGuiLanTest.sh" "*" \
        "$configs/box1.ini" "$configs/password.ini" "$ROOT/tests/e2e/configs/silent.ini" || status=1
fi
exit "$status"
