#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the end-to-end test binary on the workstation host of a LAN of its own.
# Usage: run-on-lan.sh [--smb] [--session] [--multi "A B C"] [--user] [--locale L] LAN_SH DEVSIM
#                      TEST_BINARY GTEST_FILTER CONFIG...
#   --smb       the device hosts also serve their boxes' shares over SMB (lan.sh up --smb)
#   --session   the binary runs under a session bus of its own (dbus-run-session), as a desktop
#               program does, so that GVfs can mount shares; its home and runtime folder are
#               private folders that go with the LAN
#   --multi     the LAN of several segments (lan.sh up --multi A B C)
#   --user      the binary runs as an ordinary user (nobody), with HALVO_E2E_USER=1 set
#   --locale    the binary runs under this locale (LC_ALL), which must be generated
# Exit 77 (skipped) without root or network namespaces (or, with --session, without FUSE or
# GVfs), unless HALVO_E2E_REQUIRED=1, which turns that into a failure. The LAN, and everything
# still running on it, is torn down on every way out that a shell can see.
set -uo pipefail
smb="" session=0 multi="" user=0 locale="C.UTF-8"
while [ "$#" -gt 0 ]; do
    case "$1" in
    --smb) smb="--smb" ;;
    --session) session=1 ;;
    --multi)
        multi="$2"
        shift
        ;;
    --user) user=1 ;;
    --locale)
        locale="$2"
        shift
        ;;
    *) break ;;
    esac
    shift
done
lan="$1" devsim="$2" binary="$3" filter="$4"
shift 4

# shellcheck source=tests/e2e/e2e-lib.sh
source "$(dirname "$(readlink -f "$0")")/e2e-lib.sh"

[ "$(id -u)" -eq 0 ] || skip "needs root"
command -v ip >/dev/null || skip "'ip' (iproute2) not found"
if [ -n "$smb" ]; then
    command -v smbd >/dev/null || skip "smbd not found (scripts/install-deps.sh installs it)"
fi
if [ "$session" = 1 ]; then
    [ -c /dev/fuse ] || skip "no /dev/fuse: GVfs cannot give mounts a local folder here"
    command -v dbus-run-session >/dev/null || skip "dbus-run-session not found"
    if ! [ -x /usr/libexec/gvfsd-smb ] || ! [ -x /usr/libexec/gvfsd-fuse ]; then
        skip "GVfs with its SMB and FUSE parts is not installed"
    fi
fi
if [ "$locale" != C.UTF-8 ]; then
    locale -a 2>/dev/null | grep -qix "${locale/UTF-8/utf8}" ||
        skip "locale $locale is not generated (scripts/install-deps.sh generates it)"
fi
export HALVO_LAN="${HALVO_LAN_PREFIX:-e2e}-$$"
export HALVO_DEVSIM="$devsim"
need_namespaces

run_dir="$(bash "$lan" dir)"
work=""
# shellcheck disable=SC2317  # run by the trap
down() {
    # Ends the simulators, the SMB servers and whatever the test left running on the LAN (its
    # session bus and GVfs daemons); their mounts lived in that namespace's own mount table.
    bash "$lan" down >/dev/null 2>&1 || true
    [ -n "$work" ] && rm -rf "$work"
}
trap down EXIT
trap 'exit 130' INT TERM

if [ -n "$multi" ]; then
    # shellcheck disable=SC2086  # three numbers
    bash "$lan" up ${smb:+"$smb"} --multi $multi "$@" || exit 1
else
    bash "$lan" up ${smb:+"$smb"} "$#" "$@" || exit 1
fi
if [ "$session" = 1 ]; then
    work="$(mktemp -d /tmp/halvo-e2e-session.XXXXXX)"
    mkdir -m 0700 "$work/home" "$work/runtime"
    # A clean environment: the session's daemons take their folders from it.
    session_env=(env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME="$work/home"
        XDG_RUNTIME_DIR="$work/runtime" GVFS_REMOTE_VOLUME_MONITOR_IGNORE=1 LANG="$locale"
        HALVO_LAN_HOSTS="$run_dir/hosts")
    [ "$locale" = C.UTF-8 ] || session_env+=("LC_ALL=$locale")
    [ -n "${UBSAN_OPTIONS:-}" ] && session_env+=("UBSAN_OPTIONS=$UBSAN_OPTIONS")
    [ -n "${ASAN_OPTIONS:-}" ] && session_env+=("ASAN_OPTIONS=$ASAN_OPTIONS:fast_unwind_on_malloc=0")
    # GLib's own allocations that live until exit are not the program's leaks.
    supp="$(dirname "$(readlink -f "$0")")/../drives/lsan.supp"
    session_env+=("LSAN_OPTIONS=${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$supp")
    bash "$lan" exec "${session_env[@]}" dbus-run-session -- "$binary" --gtest_filter="$filter"
elif [ "$user" = 1 ]; then
    # No capability and no group of root's; a home of its own for the toolkit's folders.
    work="$(mktemp -d /tmp/halvo-e2e-user.XXXXXX)"
    chown 65534:65534 "$work"
    bash "$lan" exec setpriv --reuid=65534 --regid=65534 --clear-groups --inh-caps=-all \
        env HOME="$work" XDG_RUNTIME_DIR="$work" HALVO_E2E_USER=1 HALVO_LAN_HOSTS="$run_dir/hosts" \
        "$binary" --gtest_filter="$filter"
elif [ "$locale" != C.UTF-8 ]; then
    bash "$lan" exec env LC_ALL="$locale" LANG="$locale" "$binary" --gtest_filter="$filter"
else
    bash "$lan" exec "$binary" --gtest_filter="$filter"
fi
status=$?
if [ "$status" -ne 0 ]; then
    for log in "$run_dir"/d*.log "$run_dir"/smb-d*/smbd.log; do
        [ -e "$log" ] && { echo "--- $log"; tail -n 20 "$log"; }
    done
fi
exit "$status"
