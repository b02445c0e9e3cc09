#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The program's window while a box is silent, on a LAN of its own under Xvfb: the box is
# selected, its detail query waits its 20 s for an answer that never comes, and meanwhile another
# window covers the main window and goes away again. The main window must show its contents
# again once uncovered (a screenshot against one taken in the same wait before it was covered);
# the time-out message then comes as usual.
# Usage: live-window-on-lan.sh LAN_SH DEVSIM HALVO CONFIG...
# Exit 77 (skipped) without root, network namespaces, Xvfb, xdotool or ImageMagick, unless
# HALVO_E2E_REQUIRED=1.
set -uo pipefail
lan="$1" devsim="$2" halvo="$3"
shift 3

# shellcheck source=tests/e2e/e2e-lib.sh
source "$(dirname "$(readlink -f "$0")")/e2e-lib.sh"
fail() {
    echo "e2e: FAILED: $*" >&2
    exit 1
}
[ "$(id -u)" -eq 0 ] || skip "needs root"
for tool in ip Xvfb xauth xdotool import compare convert; do
    command -v "$tool" >/dev/null || skip "'$tool' not found (scripts/install-deps.sh installs it)"
done
export HALVO_LAN="${HALVO_LAN_PREFIX:-e2e}-$$"
export HALVO_DEVSIM="$devsim"
need_namespaces

work="$(mktemp -d /tmp/halvo-e2e-live.XXXXXX)"
chmod 0711 "$work"
# shellcheck source=scripts/xvfb.sh
source "$(dirname "$(readlink -f "$0")")/../../scripts/xvfb.sh"
down() {
    bash "$lan" down >/dev/null 2>&1 || true
    xvfb_stop
    [ -n "${HALVO_E2E_KEEP:-}" ] && cp "$work"/*.png "$HALVO_E2E_KEEP"/ 2>/dev/null
    rm -rf "$work"
}
trap down EXIT
trap 'exit 130' INT TERM

bash "$lan" up "$#" "$@" >/dev/null || fail "the LAN did not come up"

xvfb_start "$work" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
display="$XVFB_DISPLAY"
auth="$XVFB_AUTH"

mkdir -m 0700 "$work/home" "$work/runtime"
on_ws() {
    bash "$lan" exec env -i PATH=/usr/bin:/bin HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" \
        LANG=C.UTF-8 DISPLAY="$display" XAUTHORITY="$auth" QT_QPA_PLATFORM=xcb \
        ${ASAN_OPTIONS:+ASAN_OPTIONS="$ASAN_OPTIONS"} ${UBSAN_OPTIONS:+UBSAN_OPTIONS="$UBSAN_OPTIONS"} \
        "$@"
}
on_ws "$halvo" >"$work/halvo.log" 2>&1 &
xvfb_window 150 on_ws xdotool search --onlyvisible --classname halvo ||
    fail "the program's window did not appear: $(tail -n 5 "$work/halvo.log")"
window="$XVFB_WINDOW"
sleep 1
eval "$(on_ws xdotool getwindowgeometry --shell "$window")"
# The window's own rectangle of the screen, as the X server holds it.
shot() {
    on_ws import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$work/$1.png"
}
# Pixels of two shots that differ, as a share of the window's.
differing() {
    local ae
    ae="$(compare -metric AE "$work/$1.png" "$work/$2.png" null: 2>&1 | cut -d' ' -f1)"
    echo $((ae * 100 / (WIDTH * HEIGHT)))
}

# The device list has the focus and the pointer rests on the window, which then has the keyboard
# (there is no window manager). Typing the start of the silent box's name selects it, and its
# detail query starts waiting.
on_ws xdotool mousemove $((X + 40)) $((Y + 60))
on_ws xdotool type --delay 40 "NAS-Mu"
sleep 1
shot before
# A window of its own on top of the main window, then gone again, all within the wait.
convert -size "${WIDTH}x${HEIGHT}" xc:'#3050a0' "$work/cover.png"
on_ws display -geometry "+${X}+${Y}" -title halvo-e2e-cover "$work/cover.png" &
cover_job=$!
cover=""
for _ in $(seq 50); do
    cover="$(on_ws xdotool search --onlyvisible --name '^halvo-e2e-cover$' 2>/dev/null | head -n 1 || true)"
    [ -n "$cover" ] && break
    sleep 0.1
done
[ -n "$cover" ] || fail "the covering window did not appear"
sleep 1
shot covered
# Its client is cut off, so the window goes at once.
on_ws xdotool windowkill "$cover"
wait "$cover_job" 2>/dev/null
sleep 1.5
shot uncovered
covered="$(differing before covered)"
uncovered="$(differing before uncovered)"
echo "e2e: pixels differing from the shot before: covered ${covered}%, uncovered ${uncovered}%"
[ "$covered" -ge 50 ] || fail "the cover did not show over the window (${covered}% differ)"
[ "$uncovered" -le 1 ] || fail "the uncovered window did not repaint (${uncovered}% differ)"

# The time-out message comes after the 20 s wait as it always has.
message=""
for _ in $(seq 150); do
    message="$(on_ws xdotool search --onlyvisible --name '^halvo$' 2>/dev/null | grep -vx "$window" | head -n 1 || true)"
    [ -n "$message" ] && break
    sleep 0.2
done
[ -n "$message" ] || fail "no time-out message appeared"
shot message
on_ws xdotool key Return
sleep 3
# The list was rebuilt by a new discovery; Esc closes the window and ends the program.
on_ws xdotool key Escape
for _ in $(seq 50); do
    on_ws xdotool search --onlyvisible --classname halvo >/dev/null 2>&1 || break
    sleep 0.1
done
if on_ws xdotool search --onlyvisible --classname halvo >/dev/null 2>&1; then
    fail "the window did not close on Esc"
fi
echo "e2e: the window repainted while the silent box's query waited"
exit 0
