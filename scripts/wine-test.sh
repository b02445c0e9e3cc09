#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the Windows build's test suite (ctest) under wine, inside a fresh network namespace of
# its own with only loopback up: the socket tests reach 127.0.0.1 and nothing else exists. The
# windows of the dialog tests go to an Xvfb display of the run's own.
# Usage (root): scripts/wine-test.sh [build-dir] [ctest options...]   (default build-win)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$(cd "${1:-$ROOT/build-win}" && pwd)"
shift || true
[ "$(id -u)" -eq 0 ] || { echo "wine-test.sh: needs root (ip netns)" >&2; exit 77; }

# Named as scripts/lan.sh names its namespaces, so that 'lan.sh sweep' also takes it away.
RUN_ID="${HALVO_LAN:-wine$$}"
NS="halvo-${RUN_ID}_wine"
export WINEPREFIX="$BUILD/wine-prefix"

# shellcheck source=scripts/xvfb.sh
. "$ROOT/scripts/xvfb.sh"
shots="$(mktemp -d /tmp/halvo-wine-test.XXXXXX)"

cleanup() {
    xvfb_stop
    rm -rf "$shots"
    if [ -e "/run/netns/$NS" ]; then
        ip netns exec "$NS" bash -c ". '$ROOT/scripts/wine-env.sh'; wine_stop" || true
        for pid in $(ip netns pids "$NS" 2>/dev/null); do kill -KILL "$pid" 2>/dev/null || true; done
        ip netns del "$NS"
    fi
}
trap cleanup EXIT

# The first wine program after the wineserver's start must see the display, or later dialogs
# cannot be created.
xvfb_start "$shots" || { echo "wine-test.sh: Xvfb did not start" >&2; exit 1; }
export DISPLAY="$XVFB_DISPLAY" XAUTHORITY="$XVFB_AUTH"
ip netns add "$NS"
ip -n "$NS" link set lo up
start=$(date +%s%N)
ip netns exec "$NS" bash -c ". '$ROOT/scripts/wine-env.sh'; wine_start; wine_unmanaged"
echo "wine-test.sh: wineserver and prefix up in $NS in $((($(date +%s%N) - start) / 1000000)) ms"
ip netns exec "$NS" ctest --test-dir "$BUILD" --output-on-failure -j2 "$@"
