#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# halvo.exe's main window under wine at a given dpi, saved as a picture: run on the workstation
# host of a namespace LAN (scripts/lan.sh exec), by scripts/screenshots.sh.
#
#   wine-shot.sh HALVO_EXE DPI OUT.png      (WINEPREFIX: a prefix for this namespace only)
#
# On an Xvfb display of its own: the prefix's wineserver started in this namespace, its LogPixels
# set to DPI and the prefix started again (the dpi is read when its processes start), then the
# program; once its first discovery has filled the list, Home selects the first box, and the
# window is saved when its details have come.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
exe="${1:?wine-shot.sh HALVO_EXE DPI OUT.png}"
dpi="${2:?wine-shot.sh HALVO_EXE DPI OUT.png}"
out="${3:?wine-shot.sh HALVO_EXE DPI OUT.png}"
# shellcheck source=scripts/wine-env.sh
. "$ROOT/scripts/wine-env.sh"
# shellcheck source=scripts/xvfb.sh
. "$ROOT/scripts/xvfb.sh"
work="$(mktemp -d /tmp/halvo-wine-shot.XXXXXX)"
trap 'wine_stop; xvfb_stop; rm -rf "$work"' EXIT

XVFB_SCREEN=2560x1600x24 xvfb_start "$work" || { echo "wine-shot.sh: Xvfb did not start" >&2; exit 1; }
export DISPLAY="$XVFB_DISPLAY" XAUTHORITY="$XVFB_AUTH"
# shellcheck disable=SC2119 # wine_start's one option (--keep-root) is not wanted here
wine_start
wine_unmanaged
"$HALVO_WINE_LOADER" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
    >/dev/null 2>&1
wine_stop
# shellcheck disable=SC2119
wine_start

bash "$ROOT/scripts/wine-run.sh" "$exe" >"$work/halvo.log" 2>&1 &
xvfb_window 150 xdotool search --onlyvisible --name '^Halvo$' ||
    { echo "wine-shot.sh: the window did not appear: $(tail -n 5 "$work/halvo.log")" >&2; exit 1; }
window="$XVFB_WINDOW"
# The window shows once the first discovery has run; a moment to paint, then the first box.
sleep 2
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + 40)) $((Y + 60))
xdotool key Home
sleep 3
import -window "$window" "$out"
echo "wine-shot.sh: saved $out (${WIDTH}x${HEIGHT} at $dpi dpi)"
