#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The wine guard (scripts/wine-env.sh), which lets a program of ours run only where the prefix's
# wineserver and the program share one network namespace of ours. The server is a stand-in: a
# process named as the wineserver, holding the prefix's server lock open as the real one does,
# with its working folder elsewhere (the real one steps out of its server folder for a moment to
# save the registry or open a file, and a guard that looked there refused a test now and then).
# No wine and no traffic: only namespaces with nothing in them but a sleeping process.
# Exit 77 (skipped) without root or network namespaces, unless HALVO_E2E_REQUIRED=1.
set -uo pipefail
ROOT="$(cd "$(dirname "$(readlink -f "$0")")/../.." && pwd)"
# shellcheck source=tests/e2e/e2e-lib.sh
source "$ROOT/tests/e2e/e2e-lib.sh"
[ "$(id -u)" -eq 0 ] || skip "needs root"
command -v ip >/dev/null || skip "'ip' (iproute2) not found"
export HALVO_LAN="${HALVO_LAN_PREFIX:-e2e}-guard$$"
need_namespaces

work="$(mktemp -d /tmp/halvo-wine-guard.XXXXXX)"
here="halvo-${HALVO_LAN}_here" there="halvo-${HALVO_LAN}_there"
server=""
cleanup() {
    [ -z "$server" ] || kill "$server" 2>/dev/null
    ip netns del "$here" 2>/dev/null
    ip netns del "$there" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
ip netns add "$here" && ip netns add "$there" || exit 1

export WINEPREFIX="$work/prefix"
mkdir -p "$WINEPREFIX"
read -r dev ino < <(stat -L -c '%d %i' "$WINEPREFIX")
serverdir="$work/tmp/$(printf 'server-%x-%x' "$dev" "$ino")"
mkdir -p "$serverdir"
: >"$serverdir/lock"
cp "$(command -v sleep)" "$work/wineserver64"
# The stand-in: started in $here, its working folder the root, the lock open on descriptor 3.
ip netns exec "$here" bash -c 'cd / && exec 3<"$1" && exec "$2" 300' _ "$serverdir/lock" \
    "$work/wineserver64" &
server=$!
for _ in $(seq 50); do
    [ -e "/proc/$server/fd/3" ] && [ "$(readlink "/proc/$server/exe")" = "$work/wineserver64" ] && break
    sleep 0.1
done

guard() { # NAMESPACE|- EXPECTED_STATUS EXPECTED_MESSAGE
    local run=(bash -c '. "$1/scripts/wine-env.sh"; wine_guard' _ "$ROOT") status
    if [ "$1" = - ]; then
        unshare -n "${run[@]}" 2>"$work/err"
    else
        ip netns exec "$1" "${run[@]}" 2>"$work/err"
    fi
    status=$?
    if [ "$status" != "$2" ] || { [ -n "$3" ] && ! grep -qF -- "$3" "$work/err"; }; then
        echo "  exit $status, said: $(cat "$work/err")"
        return 1
    fi
}

check "the server's own namespace passes, its working folder elsewhere" guard "$here" 0 ""
check "another namespace of ours is refused" \
    guard "$there" 125 "runs in another network namespace: refusing"
check "a namespace not of ours is refused" \
    guard - 125 "refusing to run outside a network namespace of ours"
kill "$server" && wait "$server" 2>/dev/null
server=""
check "no server for the prefix is refused" guard "$here" 125 "no wineserver runs for"

echo "$checks checks, $failures failed"
[ "$failures" -eq 0 ]
