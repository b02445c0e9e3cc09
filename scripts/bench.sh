#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the LAN benchmarks: brings up a namespace LAN with the box of 45 shares answering at once,
# the same box answering after 200 us (a real box's processing and wire time), and a host of 1000
# devices; runs halvo-bench-lan and then (when the front end was built) halvo-bench-select on its
# workstation host, then halvoctl's show on the same box and its apply to 100 boxes on a second
# LAN (scripts/cli-bench.sh); tears the LANs down on every way out.
# With --multi, the LAN of several segments instead: the 1000 devices spread over the
# workstation's three segments (334, 333, 333), the box of 45 shares on the first, its copy
# answering after 200 us on the second (found by broadcast) and another behind the router (added
# by address); the front-end and command-line benchmarks are not run then.
# With --windows WIN_BUILD, halvoctl.exe of that Windows build also runs both command-line
# figures under wine, each right after halvoctl's on the same LAN, with its size.
# Usage: sudo scripts/bench.sh [BUILD_DIR] [--quick] [--discoveries N] [--multi]
#                              [--windows WIN_BUILD]
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
multi=0 args=() windows=""
while [ "$#" -gt 0 ]; do
    case "$1" in
    --multi) multi=1 ;;
    --windows)
        windows="$(realpath "$2")"
        shift
        ;;
    *) args+=("$1") ;;
    esac
    shift
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
# cli_bench_windows ARGS...: cli-bench.sh with halvoctl.exe under wine, on the workstation host
# of the LAN up now, its prefix's wineserver started there first and ended after.
cli_bench_windows() {
    [ -n "$windows" ] || return 0
    printf '#!/bin/sh\nexec "%s/scripts/wine-run.sh" "%s/cli/halvoctl.exe" "$@"\n' "$ROOT" \
        "$windows" >"$work/halvoctl-wine"
    chmod +x "$work/halvoctl-wine"
    # shellcheck disable=SC2016  # expanded by the inner shell
    bash "$ROOT/scripts/lan.sh" exec env WINEPREFIX="$windows/wine-prefix" \
        HALVO_CLI_BENCH_NAME="halvoctl.exe (wine)" bash -c '
        . "$1/scripts/wine-env.sh"
        trap wine_stop EXIT
        wine_start --keep-root
        shift
        bash "$@"' wine "$ROOT" "$ROOT/scripts/cli-bench.sh" "$work/halvoctl-wine" "$@"
}
# The start of a process under wine alone, to read the figures above against.
cli_bench_start() {
    bash "$ROOT/scripts/lan.sh" exec bash "$ROOT/scripts/cli-bench.sh" "$BUILD/cli/halvoctl" start -
    cli_bench_windows start -
}
if [ -x "$BUILD/cli/halvoctl" ]; then
    # halvoctl beside the window's selection: the same 45-share box answering after 200 us ...
    echo
    bash "$ROOT/scripts/lan.sh" exec bash "$ROOT/scripts/cli-bench.sh" "$BUILD/cli/halvoctl" \
        show NAS-Many-Wire
    cli_bench_windows show NAS-Many-Wire
    [ -z "$windows" ] || cli_bench_start
    bash "$ROOT/scripts/lan.sh" down >/dev/null
    # ... and apply to 100 boxes answering after 200 us, on a LAN of their own.
    sed -e 's/^name = .*/name = NAS-Hundred/' -e 's/^mac = .*/mac = 00:1a:2b:3c:60:00/' \
        -e 's/^\[device\]$/[device]\nlatency_us = 200\nreplicate = 100/' \
        "$configs/box1.ini" >"$work/hundred.ini"
    HALVO_LAN="$HALVO_LAN-100" bash "$ROOT/scripts/lan.sh" up 1 "$work/hundred.ini"
    HALVO_LAN="$HALVO_LAN-100" bash "$ROOT/scripts/lan.sh" exec bash "$ROOT/scripts/cli-bench.sh" \
        "$BUILD/cli/halvoctl" apply NAS-Hundred 5
    HALVO_LAN="$HALVO_LAN-100" cli_bench_windows apply NAS-Hundred 5
    if [ -n "$windows" ]; then
        for program in "$windows/cli/halvoctl.exe" "$BUILD/cli/halvoctl"; do
            awk -v name="size of $(basename "$program")" -v size="$(stat -c %s "$program")" \
                'BEGIN { printf "%-58s %8.1f MB (%d bytes)\n", name, size / 1048576, size }'
        done
    fi
else
    echo "bench.sh: no halvoctl in $BUILD; its figures skipped"
fi
