#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# halvoctl.exe under wine on the namespace LAN of several segments, against the simulator of the
# Linux build: tests/e2e/WineCliLanTest.sh on the workstation host, through run-on-lan.sh.
# Usage (root): scripts/wine-e2e.sh [linux-build] [windows-build]   (default build, build-win)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
LINUX="$(cd "${1:-$ROOT/build}" && pwd)"
WIN="$(cd "${2:-$ROOT/build-win}" && pwd)"
export HALVO_WINE_CTL="$WIN/cli/halvoctl.exe"
# The build's prefix, its wineserver started in the LAN's workstation namespace for this run
# (wine-env.sh refuses it while a wineserver of it runs anywhere else).
export WINEPREFIX="$WIN/wine-prefix"
configs="$ROOT/tools/devsim/configs"
exec bash "$ROOT/tests/e2e/run-on-lan.sh" --multi "1 1 1" "$ROOT/scripts/lan.sh" \
    "$LINUX/tools/devsim/halvo-devsim" "$ROOT/tests/e2e/WineCliLanTest.sh" wine \
    "$configs/box1.ini" "$configs/password.ini" "$configs/box3.ini"
