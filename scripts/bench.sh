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
# With --windows WIN_BUILD, that Windows build's figures under wine, each right after the Linux
# one on the same LAN: the Win32 main window's selection, discovery and working set
# (halvo-bench-select-win32 and halvo.exe, on an Xvfb display of the run's own), halvoctl.exe's
# two command-line figures, the sizes of the programs, the installer and the archive; at the end
# a table of the Linux and Windows figures side by side.
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
# shellcheck source=scripts/xvfb.sh
. "$ROOT/scripts/xvfb.sh"
cleanup() {
    xvfb_stop
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
# What the table at the end reads is kept in $work/figures as well.
figures() { tee -a "$work/figures"; }
bash "$ROOT/scripts/lan.sh" up 3 "$configs/box45.ini" "$work/box45-wire.ini" "$configs/burst1000.ini"
bash "$ROOT/scripts/lan.sh" exec "$BUILD/bench/halvo-bench-lan" "$@" | figures
select_args=()
for a in "$@"; do
    if [ "$a" = --quick ]; then
        select_args+=(--quick)
    fi
done
if [ -x "$BUILD/bench/halvo-bench-select" ]; then
    echo
    bash "$ROOT/scripts/lan.sh" exec "$BUILD/bench/halvo-bench-select" ${select_args[@]+"${select_args[@]}"} |
        figures
else
    echo "bench.sh: no halvo-bench-select in $BUILD (built without the front end); skipped"
fi
# The devices the simulators of the LAN up now serve: each host's config once, or its
# `replicate` count.
lan_devices() {
    local n=0 cfg count
    while read -r _ _ _ cfg; do
        count="$(sed -n 's/^replicate *= *\([0-9][0-9]*\).*/\1/p' "$cfg" | head -n 1)"
        n=$((n + ${count:-1}))
    done <"$(bash "$ROOT/scripts/lan.sh" dir)/hosts"
    echo "$n"
}
# The Win32 main window under wine on the workstation host of the LAN up now, its prefix's
# wineserver started there first (after the display is set: its first program must see it)
# and ended after; then halvo.exe itself, for its working set.
window_bench_windows() {
    local exe="$windows/bench/halvo-bench-select-win32.exe"
    [ -n "$windows" ] || return 0
    if [ ! -f "$exe" ]; then
        echo "bench.sh: no halvo-bench-select-win32.exe in $windows; the window's figures skipped"
        return 0
    fi
    if ! xvfb_start "$work"; then
        echo "bench.sh: Xvfb did not start; the window's figures skipped"
        return 0
    fi
    export DISPLAY="$XVFB_DISPLAY" XAUTHORITY="$XVFB_AUTH"
    local program="Z:${windows//\//\\}\\app\\halvo.exe"
    echo
    # shellcheck disable=SC2016  # expanded by the inner shell
    bash "$ROOT/scripts/lan.sh" exec env WINEPREFIX="$windows/wine-prefix" bash -c '
        . "$1/scripts/wine-env.sh"
        trap wine_stop EXIT
        wine_start --keep-root
        wine_unmanaged
        shift
        "$@"' wine "$ROOT" "$ROOT/scripts/wine-run.sh" "$exe" --box NAS-Many-Wire \
        --devices "$(lan_devices)" --program "$program" ${select_args[@]+"${select_args[@]}"} |
        figures
}
window_bench_windows
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
        show NAS-Many-Wire | figures
    cli_bench_windows show NAS-Many-Wire | figures
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
else
    echo "bench.sh: no halvoctl in $BUILD; its figures skipped"
fi
[ -n "$windows" ] || exit 0
# The sizes of the programs, and of the installer and the archive a user downloads.
echo
if ! bash "$ROOT/scripts/windows-package.sh" "$windows" "$work/package" >"$work/package.log" 2>&1; then
    echo "bench.sh: windows-package.sh failed: $(tail -n 3 "$work/package.log")"
fi
for file in "$windows/app/halvo.exe" "$windows/cli/halvoctl.exe" "$work"/package/*.msi \
    "$work"/package/*.zip "$BUILD/app/halvo" "$BUILD/cli/halvoctl"; do
    [ -f "$file" ] || continue
    awk -v name="size of $(basename "$file")" -v size="$(stat -c %s "$file")" \
        'BEGIN { printf "%-58s %8.1f MB (%d bytes)\n", name, size / 1048576, size }'
done | figures
echo
python3 "$ROOT/scripts/bench-table.py" "$work/figures"
