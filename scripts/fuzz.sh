#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every fuzz target of a -DHALVO_FUZZ=ON build for a bounded time, starting from its seeds.
# Usage: scripts/fuzz.sh BUILD_DIR   (FUZZ_SECONDS per target, default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD="${1:?build dir}"
SECONDS_EACH="${FUZZ_SECONDS:-60}"
shopt -s nullglob
targets=("$BUILD"/fuzz/fuzz_*)
if [ "${#targets[@]}" -eq 0 ]; then
    echo "no fuzz targets in $BUILD/fuzz"
    exit 0
fi
for t in "${targets[@]}"; do
    [ -x "$t" ] || continue
    name=$(basename "$t")
    seeds="fuzz/corpus/${name#fuzz_}"  # fuzz_<name> starts from fuzz/corpus/<name>/
    work=$(mktemp -d)
    if [ -d "$seeds" ]; then
        cp -r "$seeds/." "$work/"
    else
        echo "-- $name: no seeds in $seeds"
    fi
    echo "-- $name for ${SECONDS_EACH}s"
    status=0
    "$t" -max_total_time="$SECONDS_EACH" -print_final_stats=1 "$work" >"$work.log" 2>&1 || status=$?
    grep -E '^(stat::number_of_executed_units|stat::new_units_added|Done)|ERROR|SUMMARY' "$work.log" || true
    [ "$status" -eq 0 ] || tail -n 60 "$work.log"
    rm -rf "$work" "$work.log"
    if [ "$status" -ne 0 ]; then
        echo "fuzz target $name failed ($status)"
        exit 1
    fi
done
