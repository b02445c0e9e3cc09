#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks that every window of the program shows each of its texts whole (every static text,
# button, check box, group-box title, list-view heading and value field), at 100, 150 and 200 %,
# on the Qt backend and on the Win32 backend under wine (tests/textfit/halvo-text-fit).
#
#   scripts/text-fit.sh [--linux BUILD] [--windows BUILD-WIN] [--scales "100 150 200"]
#
# Qt, headless (offscreen), each scale as a device pixel ratio (QT_SCALE_FACTOR; Qt 6 turns a
# font resolution, QT_FONT_DPI or a desktop's Xft.dpi, into the same ratio). Win32, under wine on an Xvfb
# display of the run's own, with the prefix's LogPixels at 96, 144 and 192 (a prefix of the
# check's own in BUILD-WIN, its wineserver restarted for each dpi). Every program runs in a
# network namespace of this run with loopback alone (the boxes are a fake LAN in memory; nothing
# is sent anywhere). Prints each window's controls checked and cut, each cut with the dialog,
# the control and both widths, then a table; fails on any cut. Root (ip netns).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
LINUX=""
WINDOWS=""
SCALES="100 150 200"
while [ "$#" -gt 0 ]; do
    case "$1" in
    --linux) LINUX="$(cd "${2:?--linux needs a build folder}" && pwd)"; shift ;;
    --windows) WINDOWS="$(cd "${2:?--windows needs a build folder}" && pwd)"; shift ;;
    --scales) SCALES="${2:?--scales needs a list}"; shift ;;
    *)
        sed -n '2,/^set -/{/^#/p}' "$0" | sed 's/^# \{0,1\}//' >&2
        exit 2
        ;;
    esac
    shift
done
[ -n "$LINUX$WINDOWS" ] || { echo "text-fit.sh: give --linux and/or --windows" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "text-fit.sh: needs root (ip netns)" >&2; exit 77; }

# Named as scripts/lan.sh names its namespaces, so that 'lan.sh sweep' also takes it away.
RUN_ID="${HALVO_LAN:-fit$$}"
NS="halvo-${RUN_ID}_fit"
work="$(mktemp -d /tmp/halvo-text-fit.XXXXXX)"
cleanup() {
    if [ -n "$WINDOWS" ] && [ -e "/run/netns/$NS" ]; then
        ip netns exec "$NS" bash -c ". '$ROOT/scripts/wine-env.sh'; wine_stop" || true
    fi
    if [ -n "${XVFB_PID:-}" ]; then xvfb_stop; fi
    if [ -e "/run/netns/$NS" ]; then
        for pid in $(ip netns pids "$NS" 2>/dev/null); do kill -KILL "$pid" 2>/dev/null || true; done
        ip netns del "$NS"
    fi
    rm -rf "$work"
}
trap cleanup EXIT
ip netns add "$NS"
ip -n "$NS" link set lo up

failed=0
# One run: its output kept for the table, shown as it comes.
run() {
    local label="$1"
    shift
    if ! "$@" | tee "$work/$label.out"; then
        failed=1
    fi
}

if [ -n "$LINUX" ]; then
    program="$LINUX/tests/textfit/halvo-text-fit"
    [ -x "$program" ] || { echo "text-fit.sh: no $program (build target halvo-text-fit)" >&2; exit 2; }
    for s in $SCALES; do
        factor="$(awk -v s="$s" 'BEGIN { printf "%g", s / 100 }')"
        run "qt-$s" ip netns exec "$NS" env QT_QPA_PLATFORM=offscreen QT_FONT_DPI=96 \
            XDG_RUNTIME_DIR="$work" QT_SCALE_FACTOR="$factor" "$program" --scale "qt-$s"
    done
fi

if [ -n "$WINDOWS" ]; then
    program="$WINDOWS/tests/textfit/halvo-text-fit.exe"
    [ -f "$program" ] || { echo "text-fit.sh: no $program (build target halvo-text-fit)" >&2; exit 2; }
    # shellcheck source=scripts/xvfb.sh
    . "$ROOT/scripts/xvfb.sh"
    XVFB_SCREEN=2560x1600x24 xvfb_start "$work" || { echo "text-fit.sh: Xvfb did not start" >&2; exit 1; }
    export DISPLAY="$XVFB_DISPLAY" XAUTHORITY="$XVFB_AUTH"
    export WINEPREFIX="$WINDOWS/text-fit-prefix"
    for s in $SCALES; do
        dpi=$((96 * s / 100))
        # The dpi is read when the prefix's processes start: set it, then start them again.
        ip netns exec "$NS" bash -c ". '$ROOT/scripts/wine-env.sh'; wine_start; wine_unmanaged
            \"\$HALVO_WINE_LOADER\" reg add 'HKCU\\Control Panel\\Desktop' /v LogPixels \
                /t REG_DWORD /d $dpi /f >/dev/null 2>&1; wine_stop; wine_start"
        run "win-$s" ip netns exec "$NS" bash "$ROOT/scripts/wine-run.sh" "$program" \
            --scale "win-$s"
        ip netns exec "$NS" bash -c ". '$ROOT/scripts/wine-env.sh'; wine_stop"
    done
fi

echo
echo "== Texts cut, by window and scale (controls checked / cut) =="
labels=()
for f in "$work"/*.out; do labels+=("$(basename "$f" .out)"); done
printf '%-30s' "window"
for l in "${labels[@]}"; do printf ' %9s' "$l"; done
echo
# The windows in the order the first run met them.
awk '/ controls / && !/all windows/ { sub(/^[^ ]+ +/, ""); sub(/ +controls.*/, ""); print }' \
    "$work/${labels[0]}.out" | while IFS= read -r window; do
    printf '%-30s' "$window"
    for l in "${labels[@]}"; do
        awk -v w="$window" '
            / controls / { line = $0; sub(/^[^ ]+ +/, "", line); name = line
                sub(/ +controls.*/, "", name)
                if (name == w) { n = split(line, f, / +/); cell = f[n - 4] "/" f[n]; found = 1 } }
            END { printf " %9s", found ? cell : "-" }' "$work/$l.out"
    done
    echo
done
if [ "$failed" -ne 0 ]; then
    echo "text-fit.sh: texts are cut (or a run failed): see CUT above" >&2
    exit 1
fi
echo "text-fit.sh: every text whole"
