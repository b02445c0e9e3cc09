#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one Windows program of ours under wine (ctest's emulator for the Windows build), after
# the guard of wine-env.sh: only inside a namespace of ours, on a wineserver in that namespace.
set -euo pipefail
# shellcheck source=scripts/wine-env.sh
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
wine_guard
exec "$HALVO_WINE_LOADER" "$@"
