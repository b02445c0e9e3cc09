#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# halvo.exe's windows under wine against the simulator, on the workstation host of the LAN that
# run-on-lan.sh brings up (NAS-Alpha, NAS-Locked, NAS-Mute), in an Xvfb display of its own. The
# prefix's wineserver is started here, inside the workstation's namespace, with the display set,
# before any program.
# Environment: HALVO_WINE_GUI_TESTS (wine_gui_lan_tests.exe), WINEPREFIX (this namespace's only).
# Argument: the gtest filter as run-on-lan.sh passes it (--gtest_filter=...).
set -uo pipefail
ROOT="$(cd "$(dirname "$(readlink -f "$0")")/../.." && pwd)"
# shellcheck source=scripts/wine-env.sh
. "$ROOT/scripts/wine-env.sh"
# shellcheck source=scripts/xvfb.sh
. "$ROOT/scripts/xvfb.sh"
exe="${HALVO_WINE_GUI_TESTS:?HALVO_WINE_GUI_TESTS names wine_gui_lan_tests.exe}"
work="$(mktemp -d /tmp/halvo-wine-gui.XXXXXX)"
trap 'wine_stop; xvfb_stop; rm -rf "$work"' EXIT

xvfb_start "$work" || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY="$XVFB_DISPLAY" XAUTHORITY="$XVFB_AUTH"
started=$(date +%s%N)
# Z: stays wine's view of /: the test reads the LAN's hosts file and the boxes' configurations
# through it, and wine's browser hook is a program of this file system.
wine_start --keep-root
wine_unmanaged
echo "wineserver and prefix up in the workstation's namespace in $((($(date +%s%N) - started) / 1000000)) ms"

# "Access via web" hands the page to the shell; wine's browser hook records the address.
printf '#!/bin/sh\nprintf "%%s" "$1" >"%s/opened"\n' "$work" >"$work/browser"
chmod +x "$work/browser"
"$ROOT/scripts/wine-run.sh" reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /d "$work/browser" /f \
    >/dev/null 2>&1

"$ROOT/scripts/wine-run.sh" "$exe" "$@" | tee "$work/out"
status=${PIPESTATUS[0]}

# The address the test's click handed on (its line ends in CR LF, as a Windows program writes
# it), as the browser received it (a URL gains its root
# path: http://host/).
want="$(sed -n 's/^web-page-opened-for //p' "$work/out" | tr -d '\r')"
if [ -n "$want" ]; then
    for _ in $(seq 50); do [ -s "$work/opened" ] && break; sleep 0.1; done
    opened="$(cat "$work/opened" 2>/dev/null)"
    if [ "${opened%/}" = "http://$want" ]; then
        echo "ok      the shell opened http://$want"
    else
        echo "FAILED  the shell opened '${opened}', not http://$want"
        status=1
    fi
fi
exit "$status"
