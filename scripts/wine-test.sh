#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the Windows build's test suite (ctest) under wine, inside a fresh network namespace of
# its own with only loopback up: the socket tests reach 127.0.0.1 and nothing else exists.
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

cleanup() {
    if [ -e "/run/netns/$NS" ]; then
        ip netns exec "$NS" bash -c ". '$ROOT/scripts/wine-env.sh'; wine_stop" || true
        for pid in $(ip netns pids "$NS" 2>/dev/null); do kill -KILL "$pid" 2>/dev/null || true; done
        ip netns del "$NS"
    fi
}
trap cleanup EXIT

ip netns add "$NS"
ip -n "$NS" link set lo up
start=$(date +%s%N)
ip netns exec "$NS" bash -c ". '$ROOT/scripts/wine-env.sh'; wine_start"
echo "wine-test.sh: wineserver and prefix up in $NS in $((($(date +%s%N) - start) / 1000000)) ms"
ip netns exec "$NS" ctest --test-dir "$BUILD" --output-on-failure -j2 "$@"
