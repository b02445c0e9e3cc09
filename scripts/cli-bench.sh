#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# halvoctl's figures, on the workstation host of a namespace LAN (scripts/bench.sh runs it there):
#   cli-bench.sh HALVOCTL show DEVICE [RUNS]    whole `show` processes
#   cli-bench.sh HALVOCTL apply PREFIX [RUNS]   `apply` of system and network settings to every
#                                               box whose name starts with PREFIX
#   cli-bench.sh HALVOCTL start - [RUNS]        whole `timezones` processes, which send nothing:
#                                               the start and end of a process alone
# Each figure is the whole process's wall time less the 2.0 s collection window of its one
# discovery: so it also holds the process start and discovery's own overhead; show and apply are
# also given beyond a `discover` run right before each of them. Prints; never fails
# on time. HALVO_CLI_BENCH_NAME names the program in the figures' lines (default halvoctl).
set -euo pipefail
ctl="$1" mode="$2" target="$3" runs="${4:-9}"
name="${HALVO_CLI_BENCH_NAME:-halvoctl}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

now_us() { echo $(($(date +%s%N) / 1000)); }
# median of the numbers on standard input
median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
# timed FILE ARGS...: runs halvoctl once and appends its wall time in us to FILE.
timed() {
    local file="$1" t0 t1
    shift
    t0="$(now_us)"
    "$ctl" "$@" >"$work/out" 2>"$work/err" || {
        echo "cli-bench: $name $* failed: $(head -c 300 "$work/err")" >&2
        exit 1
    }
    t1="$(now_us)"
    echo "$((t1 - t0))" >>"$file"
}
# report LIMIT_MS LABEL FILE [WINDOW_US]: the median and least of FILE's times less the window.
report() {
    local med min
    med="$(median <"$3")"
    min="$(sort -n "$3" | head -n 1)"
    awk -v label="$2" -v med="$med" -v min="$min" -v limit="$1" -v runs="$runs" \
        -v window="${4:-2000000}" 'BEGIN {
        med -= window; min -= window
        printf "%-58s median %8.1f ms  min %8.1f ms  (%d runs)  target <= %d ms: %s\n",
            label, med / 1000, min / 1000, runs, limit, (med / 1000 <= limit) ? "met" : "NOT met" }'
}
# measure LIMIT_MS LABEL ARGS...: RUNS runs, reported beyond the 2.0 s window.
measure() {
    local limit="$1" label="$2" window="${WINDOW_US:-2000000}"
    shift 2
    : >"$work/times"
    for ((i = 0; i < runs; i++)); do timed "$work/times" "$@"; done
    report "$limit" "$label" "$work/times" "$window"
}
# measure_beyond_discovery LIMIT_MS LABEL ARGS...: RUNS pairs of a `discover` and the command,
# one right after the other, so that both meet the same load and the same start of a process
# (long under wine): each figure beyond the window, then the median of the pairs' differences,
# what the command spends beyond its discovery.
measure_beyond_discovery() {
    local limit="$1" label="$2"
    shift 2
    : >"$work/discover"
    : >"$work/command"
    for ((i = 0; i < runs; i++)); do
        timed "$work/discover" discover
        timed "$work/command" "$@"
    done
    report 2000 "$name discover, beyond the 2.0 s window" "$work/discover"
    report "$limit" "$label, beyond the 2.0 s window" "$work/command"
    paste "$work/command" "$work/discover" | awk '{print $1 - $2}' >"$work/differences"
    report "$limit" "$label, beyond its discovery" "$work/differences" 0
}

case "$mode" in
start)
    WINDOW_US=0 measure 1000 "$name timezones (process start and end, nothing sent)" timezones
    ;;
show)
    measure_beyond_discovery 30 "$name show $target" show "$target"
    ;;
apply)
    "$ctl" discover --json >"$work/found.json"
    python3 - "$work/found.json" "$target" >"$work/plan.json" <<'PY'
import json, sys
found = json.load(open(sys.argv[1]))["devices"]
boxes = [{"macAddress": d["macAddress"],
          "system": {"description": "Bench box", "timezoneIndex": 26},
          "network": {"ipMode": "static", "ipAddress": d["ipAddress"],
                      "subnetMask": "255.255.255.0", "gateway": "10.77.0.1"}}
         for d in found if d["name"].startswith(sys.argv[2])]
json.dump({"boxes": boxes}, sys.stdout)
PY
    count="$(python3 -c 'import json, sys; print(len(json.load(open(sys.argv[1]))["boxes"]))' "$work/plan.json")"
    measure_beyond_discovery 1000 "$name apply to $count boxes (system + network)" \
        apply "$work/plan.json"
    ;;
*)
    echo "usage: cli-bench.sh HALVOCTL (show DEVICE | apply PREFIX | start -) [RUNS]" >&2
    exit 2
    ;;
esac
