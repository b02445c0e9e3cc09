#!/usr/bin/env bash
# Runs the LAN benchmark: brings up a namespace LAN with the box of 45 shares and a host of 1000
# devices, runs halvo-bench-lan on its workstation host, and tears the LAN down on every way out.
# Usage: sudo scripts/bench.sh [BUILD_DIR] [--quick] [--discoveries N]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="build"
if [ "$#" -gt 0 ] && [[ "$1" != --* ]]; then
    BUILD="$1"
    shift
fi
BUILD="$(realpath "$BUILD")"
[ "$(id -u)" -eq 0 ] || { echo "bench.sh: needs root (network namespaces)" >&2; exit 1; }
[ -x "$BUILD/bench/halvo-bench-lan" ] || { echo "bench.sh: build $BUILD first" >&2; exit 1; }

export HALVO_LAN="${HALVO_LAN:-bench-$$}"
export HALVO_DEVSIM="$BUILD/tools/devsim/halvo-devsim"
trap 'bash "$ROOT/scripts/lan.sh" down >/dev/null 2>&1 || true' EXIT
trap 'exit 130' INT TERM
bash "$ROOT/scripts/lan.sh" up 2 "$ROOT/tools/devsim/configs/box45.ini" \
    "$ROOT/tools/devsim/configs/burst1000.ini"
bash "$ROOT/scripts/lan.sh" exec "$BUILD/bench/halvo-bench-lan" "$@"
