# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash
# Sourced by the scripts that run our Windows programs under wine: the settings and the guard.
#
# Wine's sockets live in the network namespace of the prefix's wineserver, not of the program
# started. So a prefix is used only with its wineserver started inside a namespace of ours
# (ip netns, named halvo-<run>_<host> as scripts/lan.sh names them), and wine_guard refuses a
# program whenever that is not so.

# Debian 12 puts no wine64 on PATH; the loader is here.
HALVO_WINE_LOADER="${HALVO_WINE_LOADER:-/usr/lib/wine/wine64}"
HALVO_WINESERVER="${HALVO_WINESERVER:-/usr/lib/wine/wineserver64}"
[ -x "$HALVO_WINESERVER" ] || HALVO_WINESERVER="$(command -v wineserver || echo /usr/lib/wine/wineserver)"
export WINEARCH=win64
# Without the crash debugger a crashing program exits non-zero every time (with it, often 0);
# no desktop entries, no .NET or HTML engine to install into the prefix.
export WINEDLLOVERRIDES="winedbg.exe=d;winemenubuilder.exe=d;mscoree=;mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"

wine_die() {
    echo "wine: $*" >&2
    exit 125
}

# Prints the name of the namespace of ours whose inode is $1 ("net:[123]"), or fails.
wine_our_namespace() {
    local f
    for f in /run/netns/halvo-*_*; do
        [ -e "$f" ] || continue
        if [ "net:[$(stat -L -c %i "$f")]" = "$1" ]; then
            basename "$f"
            return 0
        fi
    done
    return 1
}

# The prefix's wineserver, found by the lock file of the prefix's server folder, which it holds
# open all its life. Not by its working folder: that is the server folder only most of the time,
# as the server steps into other folders to open files relative to them or to save the registry.
wine_server_pid() {
    local dev ino dir pid
    read -r dev ino < <(stat -L -c '%d %i' "$WINEPREFIX")
    dir="$(printf 'server-%x-%x' "$dev" "$ino")"
    for pid in $(pgrep -x wineserver64; pgrep -x wineserver); do
        if [ -n "$(find "/proc/$pid/fd" -maxdepth 1 -lname "*/$dir/lock" -print -quit 2>/dev/null)" ]; then
            echo "$pid"
            return 0
        fi
    done
    return 1
}

# Refuses (exit 125) unless this process and the prefix's running wineserver are both in one
# namespace of ours.
wine_guard() {
    if [ -z "${WINEPREFIX:-}" ] || [ ! -d "$WINEPREFIX" ]; then
        wine_die "WINEPREFIX is not a prefix"
    fi
    local here pid there
    here="$(readlink /proc/self/ns/net)"
    wine_our_namespace "$here" >/dev/null ||
        wine_die "refusing to run outside a network namespace of ours (scripts/lan.sh, wine-test.sh)"
    pid="$(wine_server_pid)" ||
        wine_die "no wineserver runs for $WINEPREFIX: start it inside the namespace first"
    there="$(readlink "/proc/$pid/ns/net")"
    [ "$there" = "$here" ] ||
        wine_die "the wineserver of $WINEPREFIX runs in another network namespace: refusing"
}

# Starts the prefix's wineserver in this process's namespace (one of ours) and boots the prefix,
# so that the programs after it start in a fraction of a second. Creates the prefix on first use.
# With --keep-root, Z: stays wine's view of / (for programs given Unix paths).
wine_start() {
    local here
    here="$(readlink /proc/self/ns/net)"
    wine_our_namespace "$here" >/dev/null ||
        wine_die "refusing to start a wineserver outside a network namespace of ours"
    mkdir -p "$WINEPREFIX"
    if wine_server_pid >/dev/null; then
        wine_die "a wineserver already runs for $WINEPREFIX (another namespace?): refusing"
    fi
    "$HALVO_WINESERVER" -p
    # It detaches before it has settled in the prefix's server folder: give it a moment.
    for _ in $(seq 50); do
        wine_server_pid >/dev/null && break
        sleep 0.1
    done
    wine_guard
    "$HALVO_WINE_LOADER" wineboot -i >/dev/null 2>&1 || "$HALVO_WINE_LOADER" wineboot >/dev/null 2>&1
    wine_fonts
    # Z: would be wine's view of the whole file system: a test prefix keeps it free.
    if [ "${1:-}" = --keep-root ]; then
        [ -e "$WINEPREFIX/dosdevices/z:" ] || ln -s / "$WINEPREFIX/dosdevices/z:"
    else
        rm -f "$WINEPREFIX/dosdevices/z:"
    fi
}

# The faces of the dialog templates, which no prefix has, drawn with the Debian fonts nearest
# them in width: without this wine takes a wider Latin face and the design's widths cut the
# texts. 宋体's Latin letters are half an em each at every size, and so are WenQuanYi Zen Hei
# Mono's; AR PL UMing (the Qt backend's face, which Qt draws unhinted at its scales) comes out
# 3 % wider under wine's hinting at 150 %. MS Sans Serif is DejaVu Sans Condensed, as on Qt.
# Smoothed (grey) as a Windows desktop draws text, not wine's default of black and white. The
# .reg file is UTF-16, so that the face names come through whatever the locale.
wine_fonts() {
    local reg="$WINEPREFIX/drive_c/halvo-fonts.reg"
    printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
        '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
        '"宋体"="WenQuanYi Zen Hei Mono"' '"SimSun"="WenQuanYi Zen Hei Mono"' \
        '"MS Sans Serif"="DejaVu Sans Condensed"' '' \
        '[HKEY_CURRENT_USER\Control Panel\Desktop]' \
        '"FontSmoothing"="2"' '"FontSmoothingType"=dword:00000001' |
        iconv -f UTF-8 -t UTF-16 >"$reg"
    "$HALVO_WINE_LOADER" regedit /S 'C:\halvo-fonts.reg' >/dev/null 2>&1
    rm -f "$reg"
}

# Without a window manager, wine's managed windows take about 2 s to close each: windows of
# ours are drawn by wine itself.
wine_unmanaged() {
    wine_guard
    "$HALVO_WINE_LOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
}

# Ends the prefix's wineserver and every wine process on it.
wine_stop() {
    "$HALVO_WINESERVER" -k 2>/dev/null || true
    "$HALVO_WINESERVER" -w 2>/dev/null || true
}
