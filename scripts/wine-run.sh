#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one Windows program of ours under wine (ctest's emulator for the Windows build), after
# the guard of wine-env.sh: only inside a namespace of ours, on a wineserver in that namespace.
#
# The program's output goes through files: a windowed program starts wine's desktop process,
# which inherits the output and keeps it open for some seconds after the program has ended, so
# a reader of a pipe (ctest, a test script) would wait for it.
set -euo pipefail
# shellcheck source=scripts/wine-env.sh
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
wine_guard
out="$(mktemp /tmp/halvo-wine-out.XXXXXX)"
err="$(mktemp /tmp/halvo-wine-err.XXXXXX)"
trap 'rm -f "$out" "$err"' EXIT
# A signal to this script ends the program too, as it would if the script were the program. The
# program keeps this script's input (a command in the background would get /dev/null).
"$HALVO_WINE_LOADER" "$@" <&0 >"$out" 2>"$err" &
program=$!
trap 'kill -TERM "$program" 2>/dev/null' TERM INT HUP
status=0
wait "$program" || status=$?
# A signal ends the first wait early: the program's own end is waited for.
if kill -0 "$program" 2>/dev/null; then
    wait "$program" || status=$?
fi
cat "$out"
cat "$err" >&2
exit "$status"
