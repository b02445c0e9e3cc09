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
status=0
"$HALVO_WINE_LOADER" "$@" >"$out" 2>"$err" || status=$?
cat "$out"
cat "$err" >&2
exit "$status"
