#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# An SMB server inside a network namespace of ours, for the end-to-end tests.
#
#   samba-ns.sh start [--login NAME] [--smb1-only] NS ADDR DIR USER SHARE...
#       Serves each SHARE (a folder DIR/shares/SHARE) to USER, with the password read as one
#       line from standard input, on ADDR (the namespace's own address) only. Prints smbd's PID.
#       With --login, clients log in as NAME (any account name a device may carry), which
#       Samba maps to the Unix account USER. With --smb1-only it speaks SMB1 and nothing later,
#       as an old box does.
#   samba-ns.sh stop PID [DIR]
#       Stops that smbd (only one this script started: its PID is in DIR's pid file, or it runs
#       our configuration); with DIR, also removes the Unix user the start created. PID "none"
#       stops nothing (the server is gone) and only removes that user.
#
# Guards: NS must be a namespace under /run/netns named halvo-*; DIR must be an absolute path to
# a directory of the caller's own (created when missing); USER must start with "halvo", since
# Samba needs a Unix account of that name and we create it (and later remove it) when missing.
# The password never appears on a command line or in the environment.
set -Eeuo pipefail

die() {
    echo "samba-ns.sh: $*" >&2
    exit 1
}

usage() {
    echo "usage: samba-ns.sh start [--login NAME] [--smb1-only] NS ADDR DIR USER SHARE... | stop PID [DIR]" >&2
    exit 2
}

check_ns() {
    local ns="$1"
    [[ "$ns" =~ ^halvo-[A-Za-z0-9._-]+$ ]] || die "refusing namespace '$ns': not one of ours (halvo-*)"
    [ -e "/run/netns/$ns" ] || die "namespace $ns does not exist under /run/netns"
}

start() {
    local login="" smb1=0
    while [[ "${1:-}" == --* ]]; do
        case "$1" in
        --login)
            [ "$#" -ge 2 ] || usage
            login="$2"
            shift 2
            # Letters, digits and . _ - only: it goes into Samba's user map as it is, where
            # other characters mean groups, patterns or quoting.
            [[ "$login" =~ ^[A-Za-z0-9][A-Za-z0-9._-]{0,63}$ ]] || die "unusable login name '$login'"
            ;;
        --smb1-only)
            smb1=1
            shift
            ;;
        *) usage ;;
        esac
    done
    [ "$#" -ge 5 ] || usage
    local ns="$1" addr="$2" dir="$3" user="$4"
    shift 4
    check_ns "$ns"
    [ "$(id -u)" -eq 0 ] || die "needs root (ip netns exec, Samba's user database)"
    [[ "$addr" =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]] || die "not an IPv4 address: '$addr'"
    [[ "$dir" == /* ]] || die "DIR must be an absolute path"
    [[ "$user" =~ ^halvo[a-z0-9_-]{0,26}$ ]] || die "user must be halvo[a-z0-9_-]*, got '$user'"
    command -v smbd >/dev/null || die "smbd not found (package samba)"
    # The address must be the namespace's own: smbd then cannot listen anywhere else.
    ip -n "$ns" -o -4 addr show | grep -q " inet $addr/" || die "$addr is not an address of $ns"

    local password
    IFS= read -r password || [ -n "$password" ] || die "no password on standard input"

    mkdir -p "$dir"/{private,lock,state,cache,pid,ncalrpc,shares}
    chmod 0755 "$dir" "$dir/shares"
    # smbd serves the shares as USER, who must be able to pass through every folder above them.
    local up="$dir"
    while [ "$up" != / ]; do
        up="$(dirname "$up")"
        [ $(($(stat -c '0%a' "$up") & 1)) -eq 1 ] ||
            die "$up is not searchable by others: $user could not reach the shares"
    done
    if ! id -u "$user" >/dev/null 2>&1; then
        useradd -M -d /nonexistent -s /usr/sbin/nologin "$user"
        echo "$user" >"$dir/created-user"
    fi

    {
        cat <<EOF
[global]
    server role = standalone server
    interfaces = $addr/24
    bind interfaces only = yes
    disable netbios = yes
    smb ports = 445
    load printers = no
    printcap name = /dev/null
    disable spoolss = yes
    map to guest = never
    restrict anonymous = 2
    passdb backend = tdbsam:$dir/private/passdb.tdb
    private dir = $dir/private
    lock directory = $dir/lock
    state directory = $dir/state
    cache directory = $dir/cache
    pid directory = $dir/pid
    ncalrpc dir = $dir/ncalrpc
    log file = $dir/smbd.log
    log level = 1
    logging = file
EOF
        if [ "$smb1" = 1 ]; then
            # An old box: SMB1 and nothing later, which current clients no longer offer.
            printf '    server min protocol = NT1\n    server max protocol = NT1\n'
        fi
        if [ -n "$login" ]; then
            # Applied before the password is checked: NAME logs in with USER's password.
            printf '%s = %s\n' "$user" "$login" >"$dir/usermap"
            printf '    username map = %s\n' "$dir/usermap"
        fi
        local share
        for share in "$@"; do
            [[ -n "$share" && "$share" != *[/\\\[\]]* ]] || die "unusable share name '$share'"
            mkdir -p "$dir/shares/$share"
            chown "$user" "$dir/shares/$share"
            printf '\n[%s]\n    path = %s\n    read only = no\n    valid users = %s\n' \
                "$share" "$dir/shares/$share" "$user"
        done
    } >"$dir/smb.conf"

    printf '%s\n%s\n' "$password" "$password" |
        smbpasswd -c "$dir/smb.conf" -s -a "$user" >"$dir/smbpasswd.log" 2>&1 ||
        die "smbpasswd failed: $(tail -n 3 "$dir/smbpasswd.log")"
    password=""

    ip netns exec "$ns" setsid smbd --foreground --no-process-group -s "$dir/smb.conf" \
        </dev/null >"$dir/smbd.out" 2>&1 &
    local pid=$!
    echo "$pid" >"$dir/smbd.started"
    # Ready when it accepts a connection on 445 (about 0.1 s).
    local i
    for i in $(seq 1 100); do
        if ip netns exec "$ns" bash -c "exec 3<>/dev/tcp/$addr/445" 2>/dev/null; then
            echo "$pid"
            return 0
        fi
        kill -0 "$pid" 2>/dev/null || die "smbd exited: $(tail -n 5 "$dir/smbd.out" "$dir/smbd.log" 2>/dev/null)"
        sleep 0.1
    done
    kill "$pid" 2>/dev/null || true
    die "smbd did not listen on $addr:445 within 10 s"
}

stop() {
    [ "$#" -ge 1 ] && [ "$#" -le 2 ] || usage
    local pid="$1" dir="${2:-}"
    [[ "$pid" =~ ^[0-9]+$ || "$pid" = none ]] || die "not a PID: '$pid'"
    if [ "$pid" != none ] && kill -0 "$pid" 2>/dev/null; then
        # Only an smbd of ours: its command line names one of our configurations.
        tr '\0' ' ' <"/proc/$pid/cmdline" | grep -q '^smbd .*--foreground.*-s /' ||
            die "PID $pid is not an smbd started by this script"
        kill "$pid"
        local i
        for i in $(seq 1 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null || true
    fi
    if [ -n "$dir" ] && [ -f "$dir/created-user" ]; then
        local user
        user="$(cat "$dir/created-user")"
        if [[ "$user" =~ ^halvo ]] && id -u "$user" >/dev/null 2>&1; then
            userdel "$user" 2>/dev/null || true
        fi
        rm -f "$dir/created-user"
    fi
}

[ "$#" -ge 1 ] || usage
command="$1"
shift
case "$command" in
start) start "$@" ;;
stop) stop "$@" ;;
*) usage ;;
esac
