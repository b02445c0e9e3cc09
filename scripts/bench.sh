#!/usr/bin/env bash
# Runs the LAN benchmarks: brings up a namespace LAN with the box of 45 shares answering at once,
# the same box answering after 200 us (a real box's processing and wire time), and a host of 1000
# devices; runs halvo-bench-lan and then (when the front end was built) halvo-bench-select on its
# workstation host, then halvoctl's show on the same box and its apply to 100 boxes on a second
# LAN (scripts/cli-bench.sh); tears the LANs down on every way out.
# With --multi, the LAN of several segments instead: the 1000 devices spread over the
# workstation's three segments (334, 333, 333), the box of 45 shares on the first, its copy
# answering after 200 us on the second (found by broadcast) and another behind the router (added
# by address); the front-end and command-line benchmarks are not run then.
# Usage: sudo scripts/bench.sh [BUILD_DIR] [--quick] [--discoveries N] [--multi]
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
work="$(mktemp -d)"
cleanup() {
    bash "$ROOT/scripts/lan.sh" down >/dev/null 2>&1 || true
    HALVO_LAN="$HALVO_LAN-100" bash "$ROOT/scripts/lan.sh" down >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
configs="$ROOT/tools/devsim/configs"
sed -e 's/^name = NAS-Many$/name = NAS-Many-Wire/' -e 's/^mac = .*/mac = 00:1a:2b:3c:4d:46/' \
    -e 's/^\[device\]$/[device]\nlatency_us = 200/' "$configs/box45.ini" >"$work/box45-wire.ini"
multi=0 args=()
for a in "$@"; do
    if [ "$a" = --multi ]; then multi=1; else args+=("$a"); fi
done
set -- ${args[@]+"${args[@]}"}
if [ "$multi" = 1 ]; then
    burst() { # name, first MAC, count
        sed -e "s/^name = Burst$/name = $1/" -e "s/^mac = .*/mac = $2/" \
            -e "s/^replicate = .*/replicate = $3/" "$configs/burst1000.ini" >"$work/$1.ini"
    }
    burst BurstA 02:00:00:00:00:00 334
    burst BurstB 02:00:00:01:00:00 333
    burst BurstC 02:00:00:02:00:00 333
    sed -e 's/^name = NAS-Many-Wire$/name = NAS-Many-Routed/' -e 's/^mac = .*/mac = 00:1a:2b:3c:4d:47/' \
        "$work/box45-wire.ini" >"$work/box45-routed.ini"
    bash "$ROOT/scripts/lan.sh" up --multi 2 2 1 1 "$work/BurstA.ini" "$configs/box45.ini" \
        "$work/BurstB.ini" "$work/box45-wire.ini" "$work/box45-routed.ini" "$work/BurstC.ini"
    bash "$ROOT/scripts/lan.sh" exec "$BUILD/bench/halvo-bench-lan" "$@"
    exit 0
fi
bash "$ROOT/scripts/lan.sh" up 3 "$configs/box45.ini" "$work/box45-wire.ini" "$configs/burst1000.ini"
bash "$ROOT/scripts/lan.sh" exec "$BUILD/bench/halvo-bench-lan" "$@"
if [ -x "$BUILD/bench/halvo-bench-select" ]; then
    select_args=()
    for a in "$@"; do
        if [ "$a" = --quick ]; then
            select_args+=(--quick)
        fi
    done
    echo
    bash "$ROOT/scripts/lan.sh" exec "$BUILD/bench/halvo-bench-select" "${select_args[@]}"
else
    echo "bench.sh: no halvo-bench-select in $BUILD (built without the front end); skipped"
fi
if [ -x "$BUILD/cli/halvoctl" ]; then
    # halvoctl beside the window's selection: the same 45-share box answering after 200 us ...
    echo
    bash "$ROOT/scripts/lan.sh" exec bash "$ROOT/scripts/cli-bench.sh" "$BUILD/cli/halvoctl" \
        show NAS-Many-Wire
    bash "$ROOT/scripts/lan.sh" down >/dev/null
    # ... and apply to 100 boxes answering after 200 us, on a LAN of their own.
    sed -e 's/^name = .*/name = NAS-Hundred/' -e 's/^mac = .*/mac = 00:1a:2b:3c:60:00/' \
        -e 's/^\[device\]$/[device]\nlatency_us = 200\nreplicate = 100/' \
        "$configs/box1.ini" >"$work/hundred.ini"
    HALVO_LAN="$HALVO_LAN-100" bash "$ROOT/scripts/lan.sh" up 1 "$work/hundred.ini"
    HALVO_LAN="$HALVO_LAN-100" bash "$ROOT/scripts/lan.sh" exec bash "$ROOT/scripts/cli-bench.sh" \
        "$BUILD/cli/halvoctl" apply NAS-Hundred 5
else
    echo "bench.sh: no halvoctl in $BUILD; its figures skipped"
fi
