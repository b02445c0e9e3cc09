#!/usr/bin/env bash
# Runs the end-to-end test binary on the workstation host of a LAN of its own.
# Usage: run-on-lan.sh LAN_SH DEVSIM TEST_BINARY GTEST_FILTER CONFIG...
# Exit 77 (skipped) without root or network namespaces, unless HALVO_E2E_REQUIRED=1, which turns
# that into a failure. The LAN is torn down on every way out that a shell can see.
set -uo pipefail
lan="$1" devsim="$2" binary="$3" filter="$4"
shift 4

skip() {
    echo "e2e: $*" >&2
    if [ "${HALVO_E2E_REQUIRED:-0}" = 1 ]; then
        echo "e2e: required by HALVO_E2E_REQUIRED=1: failing" >&2
        exit 1
    fi
    echo "e2e: skipped" >&2
    exit 77
}

[ "$(id -u)" -eq 0 ] || skip "needs root"
command -v ip >/dev/null || skip "'ip' (iproute2) not found"
export HALVO_LAN="${HALVO_LAN_PREFIX:-e2e}-$$"
export HALVO_DEVSIM="$devsim"
probe="halvo-${HALVO_LAN}_probe"
ip netns add "$probe" 2>/dev/null || skip "cannot create network namespaces here"
ip netns del "$probe"

down() { bash "$lan" down >/dev/null 2>&1 || true; }
trap down EXIT
trap 'exit 130' INT TERM

bash "$lan" up "$#" "$@" || exit 1
bash "$lan" exec "$binary" --gtest_filter="$filter"
status=$?
if [ "$status" -ne 0 ]; then
    for log in /tmp/halvo-lan-"$HALVO_LAN"/d*.log; do
        [ -e "$log" ] && { echo "--- $log"; tail -n 20 "$log"; }
    done
fi
exit "$status"
