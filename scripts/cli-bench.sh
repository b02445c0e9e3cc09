#!/usr/bin/env bash
# halvoctl's figures, on the workstation host of a namespace LAN (scripts/bench.sh runs it there):
#   cli-bench.sh HALVOCTL show DEVICE [RUNS]    whole `show` processes
#   cli-bench.sh HALVOCTL apply PREFIX [RUNS]   `apply` of system and network settings to every
#                                               box whose name starts with PREFIX
#   cli-bench.sh HALVOCTL start - [RUNS]        whole `timezones` processes, which send nothing:
#                                               the start and end of a process alone
# Each figure is the whole process's wall time less the 2.0 s collection window of its one
# discovery: so it also holds the process start and discovery's own overhead. Prints; never fails
# on time. HALVO_CLI_BENCH_NAME names the program in the figures' lines (default halvoctl).
set -euo pipefail
ctl="$1" mode="$2" target="$3" runs="${4:-9}"
name="${HALVO_CLI_BENCH_NAME:-halvoctl}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

now_us() { echo $(($(date +%s%N) / 1000)); }
# median of the numbers on standard input
median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
# beyond LIMIT_MS LABEL BASE_US: the last figure less BASE_US.
beyond() {
    awk -v label="$2" -v d="$last_median" -v base="$3" -v limit="$1" 'BEGIN {
        printf "%-58s median %8.1f ms  target <= %d ms: %s\n", label, (d - base) / 1000, limit,
            ((d - base) / 1000 <= limit) ? "met" : "NOT met" }'
}
# measure LIMIT_MS LABEL ARGS...: runs halvoctl RUNS times and prints the median beyond the
# window (WINDOW_US, 2 s unless set).
measure() {
    local limit="$1" label="$2" window="${WINDOW_US:-2000000}"
    shift 2
    local i t0 t1
    : >"$work/times"
    for ((i = 0; i < runs; i++)); do
        t0="$(now_us)"
        "$ctl" "$@" >"$work/out" 2>"$work/err" || {
            echo "cli-bench: $name $* failed: $(head -c 300 "$work/err")" >&2
            exit 1
        }
        t1="$(now_us)"
        echo "$(((t1 - t0) - window))" >>"$work/times"
    done
    local med min
    med="$(median <"$work/times")"
    min="$(sort -n "$work/times" | head -n 1)"
    last_median="$med"
    awk -v label="$label" -v med="$med" -v min="$min" -v limit="$limit" -v runs="$runs" 'BEGIN {
        printf "%-58s median %8.1f ms  min %8.1f ms  (%d runs)  target <= %d ms: %s\n",
            label, med / 1000, min / 1000, runs, limit, (med / 1000 <= limit) ? "met" : "NOT met" }'
}

case "$mode" in
start)
    WINDOW_US=0 measure 1000 "$name timezones (process start and end, nothing sent)" timezones
    ;;
show)
    # Discovery alone as well: the process's own start (long under wine) and its one discovery,
    # which `show` also spends before its exchanges.
    measure 2000 "$name discover, beyond the 2.0 s window" discover
    discovered="$last_median"
    measure 30 "$name show $target, beyond the 2.0 s window" show "$target"
    beyond 30 "$name show $target, beyond its discovery" "$discovered"
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
    measure 2000 "$name discover, beyond the 2.0 s window" discover
    discovered="$last_median"
    measure 1000 "$name apply to $count boxes (system + network), beyond the window" \
        apply "$work/plan.json"
    beyond 1000 "$name apply to $count boxes, beyond its discovery" "$discovered"
    ;;
*)
    echo "usage: cli-bench.sh HALVOCTL (show DEVICE | apply PREFIX | start -) [RUNS]" >&2
    exit 2
    ;;
esac
