#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End to end: drive letters over real GVfs mounts of a Samba server, in a namespace pair of this
# test's own (halvo-drv-<pid>-ws and -dev, 10.78.0.0/24). Nothing runs in the machine's own
# namespace but `ip` itself.
#   drives-e2e.sh CLI SAMBA_SCRIPT
# Exit 0 pass, 1 fail, 77 skipped (not root, no namespaces, no /dev/fuse, packages missing).
set -Euo pipefail

if [ "${1:-}" = "--client" ]; then
    shift
    # ---- Inside the workstation namespace, under a session bus of our own. ----
    CLI="$1" SERVER="$2" SMB_DIR="$3" USER_NAME="$4"
    IFS= read -r PASSWORD
    exec </dev/null
    DRIVES="$XDG_RUNTIME_DIR/halvo-drives"
    failures=0
    check() {  # description, then a command that must succeed
        local what="$1"
        shift
        if "$@"; then
            echo "ok   - $what"
        else
            echo "FAIL - $what"
            failures=$((failures + 1))
        fi
    }
    map() {  # letter, remote, password [, extra options]
        local letter="$1" remote="$2" password="$3"
        shift 3
        printf '%s\n' "$password" | "$CLI" --timeout-ms 20000 "$@" map "$letter" "$remote" \
            "$USER_NAME" 2>>"$XDG_RUNTIME_DIR/cli.err"
    }
    cli() { "$CLI" "$@" 2>>"$XDG_RUNTIME_DIR/cli.err"; }
    # Unmounts as another program would; a mount still busy with a write just made may refuse
    # at first (reported, then tried again).
    outside_unmount() {
        local i err
        for i in $(seq 1 20); do
            err="$(gio mount -u "$1" 2>&1 >/dev/null)" && return 0
            echo "     outside unmount of $1, try $i: $err"
            sleep 0.25
        done
        return 1
    }
    smb_mounts() { gio mount -l 2>/dev/null | grep -c -- '-> smb://' || true; }
    listing() { cli list; }
    millis() { date +%s%3N; }

    DATA="\\\\$SERVER\\data"
    FILES="\\\\$SERVER\\my files"

    check "no letter is mapped at the start" test -z "$(listing)"
    # That call started GVfs; its FUSE folder is what the letters' links point into.
    for _ in $(seq 1 50); do
        grep -q " $XDG_RUNTIME_DIR/gvfs fuse" /proc/self/mounts && break
        sleep 0.1
    done
    if ! grep -q " $XDG_RUNTIME_DIR/gvfs fuse" /proc/self/mounts; then
        echo "SKIP: GVfs's FUSE folder did not come up (FUSE mounts not allowed here?)"
        exit 77
    fi

    start=$(millis)
    out=$(map Z: "$DATA" "wrong-$PASSWORD")
    echo "     wrong password: $out ($(($(millis) - start)) ms)"
    check "a wrong password fails" test "$out" = "map Z: $DATA -> 1326"
    check "a wrong password leaves nothing mounted" test "$(smb_mounts)" = 0
    check "a wrong password leaves the letter free" test -z "$(listing)"
    check "a wrong password leaves no link" test ! -L "$DRIVES/Z"

    start=$(millis)
    out=$(map Z: "$DATA" "$PASSWORD")
    echo "     map: $out ($(($(millis) - start)) ms)"
    check "map Z: to the share" test "$out" = "map Z: $DATA -> 0"
    check "Z: is listed as remote" test "$(listing)" = "Z: type=4 mask=1 $DATA"
    check "the table holds Z:'s row" \
        grep -qxF "Z	$DATA	smb://$SERVER/data	own" "$DRIVES/drives"
    check "the table is private" test "$(stat -c %a "$DRIVES/drives")" = 600
    check "Z: has a link to the mount's folder" test -L "$DRIVES/Z"
    echo "     Z: -> $(readlink "$DRIVES/Z")"
    printf 'written through Z:\n' >"$DRIVES/Z/hello.txt"
    check "a file written through Z: reads back" \
        test "$(cat "$DRIVES/Z/hello.txt")" = "written through Z:"
    check "the file is on the server" \
        test "$(cat "$SMB_DIR/shares/data/hello.txt")" = "written through Z:"
    check "the password is in no file of ours" \
        bash -c '! grep -rqF -- "$1" "$2"' _ "$PASSWORD" "$DRIVES"

    out=$(map Y: "$DATA" "$PASSWORD")
    check "the same share maps to Y: as well" test "$out" = "map Y: $DATA -> 0"
    check "one mount serves both letters" test "$(smb_mounts)" = 1
    check "Z: and Y: are listed" \
        test "$(listing)" = "$(printf 'Z: type=4 mask=1 %s\nY: type=4 mask=1 %s' "$DATA" "$DATA")"
    out=$(map Y: "\\\\$SERVER\\other" "$PASSWORD")
    check "a taken letter is refused" test "$out" = "map Y: \\\\$SERVER\\other -> 85"

    start=$(millis)
    out=$(cli unmap Z:)
    echo "     unmap (shared): $out ($(($(millis) - start)) ms)"
    check "unmap Z:" test "$out" = "unmap Z: -> 0"
    check "Z: is free again, Y: stays" test "$(listing)" = "Y: type=4 mask=1 $DATA"
    check "Z:'s link is gone" test ! -L "$DRIVES/Z"
    check "the share stays mounted for Y:" test "$(smb_mounts)" = 1
    check "Y: still reads the share" test "$(cat "$DRIVES/Y/hello.txt")" = "written through Z:"
    printf 'through Y:\n' >"$DRIVES/Y/second.txt"
    check "Y: still writes to the share" \
        test "$(cat "$SMB_DIR/shares/data/second.txt")" = "through Y:"

    out=$(map X: "$FILES" "$PASSWORD")
    check "a share name with a space maps" test "$out" = "map X: $FILES -> 0"
    printf 'spaced\n' >"$DRIVES/X/s.txt"
    check "and its files are reachable" test "$(cat "$SMB_DIR/shares/my files/s.txt")" = spaced
    check "its mount URI is escaped" \
        grep -qxF "X	$FILES	smb://$SERVER/my%20files	own" "$DRIVES/drives"

    check "another program unmounts X:'s share" outside_unmount "smb://$SERVER/my%20files/"
    check "a letter whose mount went elsewhere is dropped" \
        test "$(listing)" = "Y: type=4 mask=1 $DATA"
    check "and its row leaves the table" bash -c '! grep -q "^X" "$1"' _ "$DRIVES/drives"

    out=$(map W: "\\\\$SERVER\\a/b" "$PASSWORD")
    check "a share name holding '/' is refused" test "$out" = "map W: \\\\$SERVER\\a/b -> 67"
    out=$(map W: "\\\\$SERVER\\nosuch" "$PASSWORD")
    check "a missing share fails as no such share" test "$out" = "map W: \\\\$SERVER\\nosuch -> 67"
    # A host that is there but serves no SMB refuses the connection: unreachable, at once.
    out=$(map W: "\\\\10.78.0.1\\data" "$PASSWORD" --timeout-ms 3000)
    check "a host without SMB fails as unreachable" test "$out" = "map W: \\\\10.78.0.1\\data -> 53"
    # An old box that speaks SMB1 only, which the client no longer offers.
    out=$(map W: "\\\\10.78.0.3\\data" "$PASSWORD")
    check "a server of SMB1 only fails as such" test "$out" = "map W: \\\\10.78.0.3\\data -> 50"

    start=$(millis)
    out=$(map W: "\\\\10.78.0.9\\data" "$PASSWORD" --timeout-ms 3000)
    elapsed=$(($(millis) - start))
    echo "     unreachable server: $out ($elapsed ms, allowed 3000 ms)"
    check "an unreachable server fails" test "$out" = "map W: \\\\10.78.0.9\\data -> 53"
    check "and gives up within the time allowed (+ 3 s grace)" test "$elapsed" -lt 6000

    start=$(millis)
    out=$(cli unmap Y:)
    echo "     unmap (last): $out ($(($(millis) - start)) ms)"
    check "unmap Y:" test "$out" = "unmap Y: -> 0"
    check "the last letter's unmap takes the mount away" test "$(smb_mounts)" = 0
    check "no letter is left" test -z "$(listing)"
    out=$(cli unmap Y:)
    check "unmapping a free letter fails" test "$out" = "unmap Y: -> 2250"

    # One long-lived layer, as in the program: its view of the mounts must follow changes made
    # by others while it runs.
    coproc SESSION { "$CLI" --timeout-ms 20000 session 2>>"$XDG_RUNTIME_DIR/cli.err"; }
    say() { printf '%s\n' "$@" >&"${SESSION[1]}"; }
    hear() {
        local line=""
        IFS= read -r -t 30 line <&"${SESSION[0]}" || true
        printf '%s' "$line"
    }
    hear_list() {
        local line all=""
        while line="$(hear)" && [ -n "$line" ] && [ "$line" != end ]; do
            all+="$line;"
        done
        printf '%s' "$all"
    }
    say "$(printf 'map\tT:\t%s\t%s' "$DATA" "$USER_NAME")" "$PASSWORD"
    check "a running layer maps T:" test "$(hear)" = "map T: $DATA -> 0"
    say list
    check "and lists it" test "$(hear_list)" = "T: type=4 mask=1 $DATA;"
    check "another program unmounts T:'s share" outside_unmount "smb://$SERVER/data/"
    start=$(millis)
    seen=""
    for _ in $(seq 1 50); do
        say list
        seen="$(hear_list)"
        [ -z "$seen" ] && break
        sleep 0.1
    done
    echo "     running layer saw the outside unmount after $(($(millis) - start)) ms"
    check "a running layer drops a letter unmounted by another program" test -z "$seen"
    say "$(printf 'map\tT:\t%s\t%s' "$DATA" "$USER_NAME")" "$PASSWORD"
    check "and maps it again" test "$(hear)" = "map T: $DATA -> 0"
    check "with a fresh mount" test "$(smb_mounts)" = 1
    say "$(printf 'unmap\tT:')"
    check "and unmaps it" test "$(hear)" = "unmap T: -> 0"
    check "leaving nothing mounted" test "$(smb_mounts)" = 0
    exec {SESSION[1]}>&-
    wait "$SESSION_PID" 2>/dev/null || true

    # Left mapped on purpose: the next session must not report it.
    out=$(map V: "$DATA" "$PASSWORD")
    check "map V: before the session ends" test "$out" = "map V: $DATA -> 0"
    exit $((failures > 0))
fi

if [ "${1:-}" = "--after-session" ]; then
    shift
    CLI="$1" SERVER="$2"
    out=$("$CLI" list 2>/dev/null)
    if [ -z "$out" ] && ! grep -q '^V' "$XDG_RUNTIME_DIR/halvo-drives/drives"; then
        echo "ok   - a letter of a session that has ended is not reported"
        exit 0
    fi
    echo "FAIL - a letter of a session that has ended is still reported: $out"
    exit 1
fi

# ---- Outside: namespaces, server, cleanup. ----
CLI="${1:?usage: drives-e2e.sh CLI SAMBA_SCRIPT}"
SAMBA="${2:?usage: drives-e2e.sh CLI SAMBA_SCRIPT}"
SELF="$(readlink -f "$0")"

skip() {
    echo "SKIP: $*"
    exit 77
}
[ "$(id -u)" -eq 0 ] || skip "needs root (network namespaces, a Samba user)"
[ -c /dev/fuse ] || skip "no /dev/fuse: GVfs cannot give mounts a local folder here"
for tool in ip smbd smbpasswd dbus-run-session gio useradd; do
    command -v "$tool" >/dev/null || skip "$tool not found (scripts/install-deps.sh installs it)"
done
[ -x /usr/libexec/gvfsd ] && [ -x /usr/libexec/gvfsd-smb ] && [ -x /usr/libexec/gvfsd-fuse ] ||
    skip "GVfs with its SMB and FUSE parts is not installed"

ID="$$"
WS="halvo-drv-$ID-ws"
DEV="halvo-drv-$ID-dev"
WORK="$(mktemp -d /tmp/halvo-drv-e2e.XXXXXX)"
chmod 0711 "$WORK"  # the Samba user passes through to its shares; nothing here is listable
SMB_DIR="$WORK/smb"
RUN_DIR="$WORK/run"
SMB_PID="" SMB1_PID=""
USER_NAME="halvo-e2e-$ID"

cleanup() {
    # Whatever still runs in our workstation namespace is ours (the session's daemons).
    if [ -e "/run/netns/$WS" ]; then
        for pid in $(ip netns pids "$WS" 2>/dev/null); do
            kill "$pid" 2>/dev/null || true
        done
    fi
    [ -n "$SMB1_PID" ] && "$SAMBA" stop "$SMB1_PID" "$SMB_DIR/smb1" || true
    [ -n "$SMB_PID" ] && "$SAMBA" stop "$SMB_PID" "$SMB_DIR" || true
    ip netns del "$WS" 2>/dev/null || true
    ip netns del "$DEV" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

ip netns add "$WS" 2>/dev/null || skip "cannot create network namespaces here"
ip netns add "$DEV"
ip -n "$WS" link set lo up
ip -n "$DEV" link set lo up
# Both ends are made inside our namespaces; nothing touches the machine's own.
ip -n "$WS" link add eth0 type veth peer name eth0 netns "$DEV"
ip -n "$WS" addr add 10.78.0.1/24 dev eth0
ip -n "$DEV" addr add 10.78.0.2/24 dev eth0
ip -n "$WS" link set eth0 up
ip -n "$DEV" link set eth0 up

PASSWORD="$(head -c 6 /dev/urandom | base64 | tr '+/' 'xy')"
SMB_PID="$(printf '%s\n' "$PASSWORD" |
    "$SAMBA" start "$DEV" 10.78.0.2 "$SMB_DIR" "$USER_NAME" data "my files")" || {
    echo "FAIL - Samba did not start"
    exit 1
}
echo "     smbd $SMB_PID serves 10.78.0.2 in $DEV"
ip -n "$DEV" addr add 10.78.0.3/24 dev eth0
SMB1_PID="$(printf '%s\n' "$PASSWORD" |
    "$SAMBA" start --smb1-only "$DEV" 10.78.0.3 "$SMB_DIR/smb1" "$USER_NAME" data)" || {
    echo "FAIL - the SMB1 server did not start"
    exit 1
}

mkdir -m 0700 "$RUN_DIR"
# A clean environment: the session's daemons take their folders from it, so their FUSE folder
# and our table live under RUN_DIR, not in this machine's own home or runtime folder.
session_env=(env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME="$WORK" XDG_RUNTIME_DIR="$RUN_DIR"
    XDG_CACHE_HOME="$WORK/cache" GVFS_REMOTE_VOLUME_MONITOR_IGNORE=1 LANG=C.UTF-8)
[ -n "${UBSAN_OPTIONS:-}" ] && session_env+=("UBSAN_OPTIONS=$UBSAN_OPTIONS")
# GLib is built without frame pointers: only the slow unwinder sees the frames the
# suppressions name.
session_env+=("ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0")
session_env+=("LSAN_OPTIONS=${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$(dirname "$SELF")/lsan.supp")
status=0
ip netns exec "$WS" "${session_env[@]}" dbus-run-session -- \
    "$SELF" --client "$CLI" 10.78.0.2 "$SMB_DIR" "$USER_NAME" <<<"$PASSWORD" 2>"$WORK/session.err" ||
    status=$?
[ "$status" -eq 77 ] && exit 77
[ "$status" -eq 0 ] || status=1
# A sanitizer's report (a leak at exit, say) fails the test even when the results were right.
if grep -q 'Sanitizer' "$RUN_DIR/cli.err" 2>/dev/null; then
    echo "FAIL - the driver's sanitizers reported:"
    grep -A 30 "Sanitizer" "$RUN_DIR/cli.err" | head -n 120 | sed 's/^/     | /'
    status=1
fi
if [ -s "$RUN_DIR/cli.err" ]; then
    echo "     (driver's standard error, last lines:)"
    tail -n 5 "$RUN_DIR/cli.err" | sed 's/^/     | /'
fi
# The first session's bus is gone, and its mounts with it.
ip netns exec "$WS" "${session_env[@]}" dbus-run-session -- \
    "$SELF" --after-session "$CLI" 10.78.0.2 2>>"$WORK/session.err" || status=1
if [ "$status" -ne 0 ]; then
    echo "     (session's standard error, last lines:)"
    tail -n 15 "$WORK/session.err" | sed 's/^/     | /'
fi
exit "$status"
