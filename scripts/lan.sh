#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A private LAN of network namespaces for the device simulator and the end-to-end tests.
#
#   lan.sh up [--smb] N [config...]
#                             a workstation host and N device hosts on one bridge; device host i
#                             runs halvo-devsim with config i (cycled when fewer are given;
#                             default: the three ordinary boxes). With --smb, each device host
#                             whose config gives an SMB account (smb_user, smb_password) and
#                             shares also runs Samba serving those shares to that account
#                             (scripts/samba-ns.sh; "index address folder" lines in smb-hosts)
#   lan.sh up --multi A B C [D] [config...]
#                             a workstation on two segments, A device hosts on the first
#                             (10.77.0.0/24, the workstation's eth0) and B on the second
#                             (10.78.0.0/24, eth1), C device hosts on a third subnet
#                             (10.79.0.0/24) behind a router host on the first segment
#                             (10.77.0.254 / 10.79.0.254), and a point-to-point tunnel vpn0 holding
#                             the workstation's default route (nothing reads it: what goes there
#                             goes nowhere). D > 0 adds a third segment of the workstation
#                             (10.80.0.0/24, eth2) with D device hosts. Hosts are numbered
#                             across the segments in that order;
#                             their simulators log every request (--verbose) to d<i>.log
#   lan.sh exec CMD...        runs CMD on the workstation host (HALVO_LAN_HOSTS names the hosts
#                             file: "index address instance config" per device host)
#   lan.sh status             lists this run's namespaces and simulators
#   lan.sh dir                prints this run's folder (PID files, hosts file, logs), for
#                             scripts that read them
#   lan.sh down               stops this run's simulators and Samba servers (by PID file),
#                             then whatever else still runs inside its namespaces (by PID), and
#                             removes the namespaces; safe to repeat
#   lan.sh sweep PREFIX       runs 'down' for the run PREFIX and every run PREFIX-*
#
# Environment: HALVO_LAN is the run id (1-24 of [a-z0-9-]; default derived from this checkout's
# path); runs with different ids never touch each other. HALVO_DEVSIM is the simulator binary
# (default: build/tools/devsim/halvo-devsim). PID files, the hosts file and the simulators' logs
# live in /run/halvo-lan/<id> until 'down': a folder under /run that only root can create, so no
# local user can put one there first and have root write into it. HALVO_LAN_VERBOSE=1 has every
# simulator log its requests to d<i>.log, as --multi does, for tests that check what reached a box.
#
# Addresses: 10.77.0.0/24 on a bridge of its own; workstation 10.77.0.1, device host i at
# 10.77.0.(10 + i). With --multi, each segment has a bridge of its own in the LAN namespace and
# device hosts count from .11 on each. Nothing is created or started in the machine's own namespace: the bridge
# lives in a namespace of this run, veth pairs are made inside it, and every command is started
# through `ip netns exec` into a namespace of this run.
set -Eeuo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
RUN_ID="${HALVO_LAN:-$(printf '%s' "$ROOT" | md5sum | cut -c1-8)}"
if ! [[ "$RUN_ID" =~ ^[a-z0-9][a-z0-9-]{0,23}$ ]]; then
    echo "lan.sh: HALVO_LAN must be 1-24 of [a-z0-9-], starting with a letter or digit, got '$RUN_ID'" >&2
    exit 2
fi
# '_' cannot occur in a run id, so no run's names are a prefix of another run's.
PREFIX="halvo-${RUN_ID}_"
RUNS_DIR="/run/halvo-lan"
RUN_DIR="$RUNS_DIR/$RUN_ID"
NET="10.77.0"
MAX_HOSTS=240
LAN_NS="${PREFIX}lan"
WS_NS="${PREFIX}ws"

die() {
    echo "lan.sh: $*" >&2
    exit 1
}

need_root() {
    [ "$(id -u)" -eq 0 ] || die "needs root (ip netns)"
    command -v ip >/dev/null || die "'ip' (iproute2) not found"
}

ns_exists() { [ -e "/run/netns/$1" ]; }

# A folder of ours: a real directory (no link), owned by root and writable by no one else.
check_ours() {
    [ -d "$1" ] && [ ! -L "$1" ] || die "$1 is not a directory"
    [ "$(stat -c %u "$1")" = 0 ] || die "$1 is not owned by root: refusing to use it"
    [ $((0$(stat -c %a "$1") & 022)) -eq 0 ] || die "$1 is writable by others: refusing to use it"
}

# Creates the run's folder, refusing one that someone else made.
make_run_dir() {
    if [ ! -e "$RUNS_DIR" ]; then
        mkdir -m 0711 "$RUNS_DIR" 2>/dev/null || [ -d "$RUNS_DIR" ] || die "cannot create $RUNS_DIR"
    fi
    check_ours "$RUNS_DIR"
    [ -e "$RUN_DIR" ] || mkdir -m 0711 "$RUN_DIR"
    check_ours "$RUN_DIR"
    # Searchable, not listable: Samba's accounts reach their shares below it.
    chmod 0711 "$RUN_DIR"
}

our_namespaces() {
    local name
    ip netns list 2>/dev/null | while read -r name _; do
        [[ "$name" == "$PREFIX"* ]] && echo "$name"
    done
    return 0
}

# Only this run's namespaces, bound under /run/netns, are places to run anything in.
check_ns() {
    [[ -n "$1" && "$1" == "$PREFIX"* ]] || die "refusing to run outside this run's namespaces"
    ns_exists "$1" || die "namespace $1 does not exist"
}

in_ns() {
    check_ns "$1"
    ip netns exec "$@"
}

add_host() { # namespace, port name on the bridge, address
    add_host_on br0 "$1" "$2" "$3" eth0
}

# namespace, bridge, port name on the bridge, address, interface name in the host[, gateway]
add_host_on() {
    local bridge="$1" ns="$2" port="$3" addr="$4" dev="$5" gateway="${6:-}"
    if ! ns_exists "$ns"; then
        ip netns add "$ns"
        ip -n "$ns" link set lo up
        in_ns "$ns" sh -c 'echo 1 >/proc/sys/net/ipv6/conf/all/disable_ipv6' 2>/dev/null || true
    fi
    # Both ends are born inside our namespaces; nothing touches the machine's own.
    ip -n "$LAN_NS" link add "$port" type veth peer name "$dev" netns "$ns"
    ip -n "$LAN_NS" link set "$port" master "$bridge" up
    ip -n "$ns" addr add "$addr/24" dev "$dev"
    ip -n "$ns" link set "$dev" up
    if [ -n "$gateway" ]; then
        ip -n "$ns" route add default via "$gateway" dev "$dev"
    elif [ "$dev" = eth0 ]; then
        # 255.255.255.255 is sent by route; an on-link default keeps it on this bridge.
        ip -n "$ns" route add default dev "$dev"
    fi
}

find_devsim() {
    local bin="${HALVO_DEVSIM:-$ROOT/build/tools/devsim/halvo-devsim}"
    [ -x "$bin" ] || die "simulator not found at $bin (build it, or set HALVO_DEVSIM)"
    realpath "$bin"
}

cmd_up() {
    need_root
    local smb=0 multi=""
    if [ "${1:-}" = "--smb" ]; then
        smb=1
        shift
    fi
    local n
    if [ "${1:-}" = "--multi" ]; then
        local a="${2:-}" b="${3:-}" c="${4:-}" d=0
        shift 4 || die "usage: lan.sh up --multi A B C [D] [config...]"
        if [[ "${1:-}" =~ ^[0-9]+$ ]]; then
            d="$1"
            shift
        fi
        for n in "$a" "$b" "$c" "$d"; do
            [[ "$n" =~ ^[0-9]+$ ]] && [ "$n" -le 60 ] ||
                die "usage: lan.sh up --multi A B C [D] [config...] with 0 <= A, B, C, D <= 60"
        done
        multi="$a $b $c $d"
        n=$((a + b + c + d))
        [ "$n" -ge 1 ] || die "lan.sh up --multi: no device host at all"
    else
        n="${1:-}"
        shift || true
    fi
    [[ "$n" =~ ^[0-9]+$ ]] && [ "$n" -ge 1 ] && [ "$n" -le "$MAX_HOSTS" ] ||
        die "usage: lan.sh up [--smb] N [config...] with 1 <= N <= $MAX_HOSTS"
    [ -z "$(our_namespaces)" ] || die "run '$RUN_ID' is already up; 'lan.sh down' first"
    local devsim configs=() c
    devsim="$(find_devsim)"
    if [ "$#" -eq 0 ]; then
        set -- "$ROOT"/tools/devsim/configs/box{1,2,3}.ini
    fi
    for c in "$@"; do
        [ -r "$c" ] || die "cannot read config $c"
        configs+=("$(realpath "$c")")
    done
    make_run_dir
    rm -f "$RUN_DIR"/*.pid "$RUN_DIR"/*.smbd "$RUN_DIR"/*.ready "$RUN_DIR"/*.addr "$RUN_DIR"/hosts \
        "$RUN_DIR"/smb-hosts
    # Built by a child so that any failure there, however deep, ends in one clean teardown.
    if ! HALVO_LAN="$RUN_ID" HALVO_LAN_MULTI="$multi" bash "${BASH_SOURCE[0]}" __build "$n" \
        "$smb" "$devsim" "${configs[@]}"; then
        cmd_down >/dev/null 2>&1 || true
        die "up failed; run '$RUN_ID' torn down"
    fi
    if [ -n "$multi" ]; then
        echo "lan.sh: run '$RUN_ID' up: workstation 10.77.0.1 and 10.78.0.1 (${WS_NS}), device hosts on 10.77.0, 10.78.0 and behind the router on 10.79.0 ($multi)"
    else
        echo "lan.sh: run '$RUN_ID' up: workstation $NET.1 (${WS_NS}), $n device host(s) from $NET.11"
    fi
}

# The hosts of --multi: three bridges, the workstation on the first two, a router between the
# first and the third, and a tunnel that holds the workstation's default route.
build_multi() {
    local a="$1" b="$2" c="$3" d="$4" br
    for br in br0 br1 br2 br3; do
        ip -n "$LAN_NS" link add "$br" type bridge
        ip -n "$LAN_NS" link set "$br" up
    done
    add_host_on br0 "$WS_NS" pws0 10.77.0.1 eth0
    add_host_on br1 "$WS_NS" pws1 10.78.0.1 eth1
    if [ "$d" -gt 0 ]; then
        add_host_on br3 "$WS_NS" pws2 10.80.0.1 eth2
    fi
    ip -n "$WS_NS" tuntap add dev vpn0 mode tun
    ip -n "$WS_NS" addr add 10.99.0.2 peer 10.99.0.1 dev vpn0
    ip -n "$WS_NS" link set vpn0 up
    ip -n "$WS_NS" route replace default dev vpn0
    ip -n "$WS_NS" route add 10.79.0.0/24 via 10.77.0.254 dev eth0
    add_host_on br0 "${PREFIX}router" prt0 10.77.0.254 eth0
    add_host_on br2 "${PREFIX}router" prt1 10.79.0.254 eth1
    in_ns "${PREFIX}router" sh -c 'echo 1 >/proc/sys/net/ipv4/ip_forward'
    # Device hosts, numbered on across the segments: bridge, network, count[, gateway].
    local i=0
    segment_hosts() {
        local br="$1" net="$2" count="$3" gateway="${4:-}" k
        for ((k = 1; k <= count; k++)); do
            i=$((i + 1))
            add_host_on "$br" "${PREFIX}d$i" "pd$i" "$net.$((10 + k))" eth0 ${gateway:+"$gateway"}
            echo "$net.$((10 + k))" >"$RUN_DIR/d$i.addr"
        done
    }
    segment_hosts br0 10.77.0 "$a"
    segment_hosts br1 10.78.0 "$b"
    segment_hosts br2 10.79.0 "$c" 10.79.0.254
    segment_hosts br3 10.80.0 "$d"
}

cmd_build() {
    local n="$1" smb="$2" devsim="$3"
    shift 3
    local configs=("$@")
    local multi="${HALVO_LAN_MULTI:-}" verbose=()
    if [ "${HALVO_LAN_VERBOSE:-0}" = 1 ]; then verbose=(--verbose); fi
    ip netns add "$LAN_NS"
    ip -n "$LAN_NS" link set lo up
    local i
    if [ -n "$multi" ]; then
        # shellcheck disable=SC2086  # three numbers
        build_multi $multi
        verbose=(--verbose)
    else
        ip -n "$LAN_NS" link add br0 type bridge
        ip -n "$LAN_NS" link set br0 up
        add_host "$WS_NS" pws "$NET.1"
        for ((i = 1; i <= n; i++)); do
            add_host "${PREFIX}d$i" "pd$i" "$NET.$((10 + i))"
            echo "$NET.$((10 + i))" >"$RUN_DIR/d$i.addr"
        done
    fi

    local count="${#configs[@]}"
    for ((i = 1; i <= n; i++)); do
        local cfg="${configs[$(((i - 1) % count))]}" instance=$(((i - 1) / count))
        local addr
        addr="$(cat "$RUN_DIR/d$i.addr")"
        check_ns "${PREFIX}d$i"
        # Started directly (not through a function) so that $! is the simulator itself:
        # ip netns exec replaces itself with the command.
        ip netns exec "${PREFIX}d$i" "$devsim" --config "$cfg" --address "$addr" \
            --instance "$instance" --ready-file "$RUN_DIR/d$i.ready" "${verbose[@]}" \
            </dev/null >"$RUN_DIR/d$i.log" 2>&1 &
        echo "$!" >"$RUN_DIR/d$i.pid"
        echo "$i $addr $instance $cfg" >>"$RUN_DIR/hosts"
    done
    for ((i = 1; i <= n; i++)); do
        local waited=0
        until [ -e "$RUN_DIR/d$i.ready" ]; do
            if ! kill -0 "$(cat "$RUN_DIR/d$i.pid")" 2>/dev/null || [ "$waited" -ge 100 ]; then
                cat "$RUN_DIR/d$i.log" >&2 || true
                die "simulator on device host $i did not start"
            fi
            sleep 0.1
            waited=$((waited + 1))
        done
    done
    if [ "$smb" = 1 ]; then
        for ((i = 1; i <= n; i++)); do
            start_samba "$i" "$devsim" "${configs[$(((i - 1) % count))]}"
        done
    fi
}

# Samba on device host i for the first device of its config that has an SMB account and shares.
# The account's name may be anything a config allows; Samba maps it to a Unix account of this run
# and host, which samba-ns.sh creates and removes again.
start_samba() {
    local i="$1" devsim="$2" cfg="$3" line="" user password shares=()
    command -v smbd >/dev/null || die "--smb needs Samba (smbd); scripts/install-deps.sh installs it"
    while IFS= read -r line; do
        IFS=$'\t' read -r -a fields <<<"$line"
        [ "${#fields[@]}" -ge 3 ] && break
        line=""
    done < <("$devsim" --smb-accounts --config "$cfg")
    [ -n "$line" ] || return 0
    user="${fields[0]}" password="${fields[1]}" shares=("${fields[@]:2}")
    local addr dir="$RUN_DIR/smb-d$i" unix pid
    addr="$(cat "$RUN_DIR/d$i.addr")"
    unix="halvo-$(printf '%s/d%s' "$RUN_ID" "$i" | md5sum | cut -c1-10)"
    check_ns "${PREFIX}d$i"
    pid="$(printf '%s\n' "$password" | bash "$ROOT/scripts/samba-ns.sh" start --login "$user" \
        "${PREFIX}d$i" "$addr" "$dir" "$unix" "${shares[@]}")" ||
        die "Samba on device host $i did not start"
    echo "$pid" >"$RUN_DIR/d$i.smbd"
    echo "$i $addr $dir" >>"$RUN_DIR/smb-hosts"
}

cmd_exec() {
    need_root
    [ "$#" -ge 1 ] || die "usage: lan.sh exec CMD..."
    ns_exists "$WS_NS" || die "run '$RUN_ID' is not up"
    HALVO_LAN_HOSTS="$RUN_DIR/hosts" in_ns "$WS_NS" "$@"
}

# A PID is ours only while it still runs a simulator of this run; a recycled PID is left alone.
is_our_simulator() {
    local pid="$1"
    [[ "$pid" =~ ^[0-9]+$ ]] && [ -r "/proc/$pid/cmdline" ] &&
        tr '\0' ' ' <"/proc/$pid/cmdline" | grep -qF -- "--ready-file $RUN_DIR/"
}

# An smbd is ours only while it runs a configuration under this run's folder.
is_our_smbd() {
    local pid="$1"
    [[ "$pid" =~ ^[0-9]+$ ]] && [ -r "/proc/$pid/cmdline" ] &&
        tr '\0' ' ' <"/proc/$pid/cmdline" | grep -qF -- "-s $RUN_DIR/smb-d"
}

# Ends every process inside one of this run's namespaces: nothing else can be in there.
stop_namespace_processes() {
    local ns="$1" pids pid
    for _ in 1 2; do
        pids="$(ip netns pids "$ns" 2>/dev/null || true)"
        [ -n "$pids" ] || return 0
        for pid in $pids; do
            kill -TERM "$pid" 2>/dev/null || true
        done
        for _ in $(seq 30); do
            [ -n "$(ip netns pids "$ns" 2>/dev/null || true)" ] || return 0
            sleep 0.1
        done
    done
    for pid in $(ip netns pids "$ns" 2>/dev/null || true); do
        kill -KILL "$pid" 2>/dev/null || true
    done
}

cmd_down() {
    need_root
    local f pid dir
    if [ -e "$RUN_DIR" ]; then
        check_ours "$RUN_DIR"
    fi
    for f in "$RUN_DIR"/*.pid; do
        [ -e "$f" ] || continue
        pid="$(cat "$f")"
        if is_our_simulator "$pid"; then
            kill -TERM "$pid" 2>/dev/null || true
            for _ in $(seq 30); do
                is_our_simulator "$pid" || break
                sleep 0.1
            done
            if is_our_simulator "$pid"; then
                kill -KILL "$pid" 2>/dev/null || true
            fi
        fi
        rm -f "$f"
    done
    for f in "$RUN_DIR"/*.smbd; do
        [ -e "$f" ] || continue
        pid="$(cat "$f")"
        dir="$RUN_DIR/smb-$(basename "$f" .smbd)"
        if is_our_smbd "$pid"; then
            bash "$ROOT/scripts/samba-ns.sh" stop "$pid" "$dir" || true
        else
            # Gone already: only the Unix account it was given is left to remove.
            bash "$ROOT/scripts/samba-ns.sh" stop none "$dir" || true
        fi
        rm -f "$f"
    done
    local ns
    for ns in $(our_namespaces); do
        stop_namespace_processes "$ns"
    done
    for ns in $(our_namespaces); do
        ip netns del "$ns"
    done
    rm -rf "$RUN_DIR"
    echo "lan.sh: run '$RUN_ID' down"
}

cmd_sweep() {
    local prefix="${1:-}"
    [[ "$prefix" =~ ^[a-z0-9][a-z0-9-]*$ ]] || die "usage: lan.sh sweep PREFIX"
    need_root
    local ids=() name dir id
    while read -r name _; do
        [[ "$name" =~ ^halvo-($prefix(-[a-z0-9-]*)?)_ ]] && ids+=("${BASH_REMATCH[1]}")
    done < <(ip netns list 2>/dev/null)
    for dir in "$RUNS_DIR/$prefix" "$RUNS_DIR/$prefix"-*; do
        [ -d "$dir" ] && ids+=("${dir#"$RUNS_DIR"/}")
    done
    [ "${#ids[@]}" -gt 0 ] || return 0
    for id in $(printf '%s\n' "${ids[@]}" | sort -u); do
        HALVO_LAN="$id" bash "${BASH_SOURCE[0]}" down || true
    done
}

cmd_status() {
    local ns f
    for ns in $(our_namespaces); do echo "namespace $ns"; done
    for f in "$RUN_DIR"/*.pid; do
        [ -e "$f" ] || continue
        if is_our_simulator "$(cat "$f")"; then
            echo "simulator $(basename "$f" .pid) pid $(cat "$f") running"
        else
            echo "simulator $(basename "$f" .pid) pid $(cat "$f") gone"
        fi
    done
    for f in "$RUN_DIR"/*.smbd; do
        [ -e "$f" ] || continue
        if is_our_smbd "$(cat "$f")"; then
            echo "samba $(basename "$f" .smbd) pid $(cat "$f") running"
        else
            echo "samba $(basename "$f" .smbd) pid $(cat "$f") gone"
        fi
    done
}

case "${1:-}" in
up)
    shift
    cmd_up "$@"
    ;;
__build)
    shift
    need_root
    cmd_build "$@"
    ;;
exec)
    shift
    cmd_exec "$@"
    ;;
down)
    shift
    cmd_down
    ;;
sweep)
    shift
    cmd_sweep "$@"
    ;;
status)
    shift
    cmd_status
    ;;
dir)
    echo "$RUN_DIR"
    ;;
*)
    sed -n '2,/^set -/{/^#/p}' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
    ;;
esac
