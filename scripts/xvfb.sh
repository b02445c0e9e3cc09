# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the scripts that run the program under Xvfb (the demo, the package check, the
# live-window test).
#
#   xvfb_start FOLDER   starts Xvfb on a free display, with a cookie of its own in FOLDER/xauth
#                       and its log in FOLDER/xvfb.log; it listens on its socket file only, which
#                       is what our namespaces reach (no TCP, no abstract socket). Sets
#                       XVFB_DISPLAY, XVFB_AUTH and XVFB_PID; non-zero when it did not come up.
#                       XVFB_SCREEN sets the screen (default 1024x768x24).
#   xvfb_stop           ends it; safe to repeat.
#   xvfb_window TRIES CMD...
#                       runs CMD (an xdotool search, with whatever runs it in its namespace)
#                       every 0.2 s up to TRIES times until it names a window; sets XVFB_WINDOW
#                       to the first, non-zero when none came.
XVFB_PID=""

xvfb_start() {
    local folder="$1" n
    XVFB_AUTH="$folder/xauth"
    for n in $(seq 99 299); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        XVFB_DISPLAY=":$n"
        rm -f "$XVFB_AUTH"
        (umask 077 && touch "$XVFB_AUTH")
        xauth -q -f "$XVFB_AUTH" add "$XVFB_DISPLAY" MIT-MAGIC-COOKIE-1 \
            "$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')"
        Xvfb "$XVFB_DISPLAY" -nolisten tcp -nolisten local -auth "$XVFB_AUTH" \
            -screen 0 "${XVFB_SCREEN:-1024x768x24}" -dpi 96 >"$folder/xvfb.log" 2>&1 &
        XVFB_PID=$!
        # Another Xvfb started at the same moment may take the display first: ours then exits
        # (its lock file names the other), and the next display is tried.
        for _ in $(seq 50); do
            kill -0 "$XVFB_PID" 2>/dev/null || break
            if [ -S "/tmp/.X11-unix/X$n" ] &&
                [ "$(tr -d ' \n' <"/tmp/.X$n-lock" 2>/dev/null)" = "$XVFB_PID" ]; then
                return 0
            fi
            sleep 0.1
        done
        xvfb_stop
    done
    return 1
}

xvfb_stop() {
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=""
    fi
}

xvfb_window() {
    local tries="$1"
    shift
    XVFB_WINDOW=""
    for _ in $(seq "$tries"); do
        XVFB_WINDOW="$("$@" 2>/dev/null | head -n 1 || true)"
        [ -n "$XVFB_WINDOW" ] && return 0
        sleep 0.2
    done
    return 1
}
