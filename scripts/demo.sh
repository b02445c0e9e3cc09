#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The program against a simulated LAN of three storage boxes, each with an SMB server for its
# shares.
#
#   sudo scripts/demo.sh [--headless] [--web-shot] [--codepages] [--scale PERCENT]
#                        [--build-dir DIR] [--shots DIR]
#
# Installs what is needed (Debian 12), builds the program and the simulator, brings up a namespace
# LAN (scripts/lan.sh up --smb) with the boxes of tools/devsim/configs/box{1,2,3}.ini, and starts
# halvo on its workstation host (10.77.0.1) under a session bus of its own, so that share mapping
# has GVfs. With a usable $DISPLAY the window opens there and the LAN goes down when it closes.
# Otherwise (or with --headless) the program runs under Xvfb: its window, with NAS-Alpha
# selected, is saved as docs/screenshots/main-window.png and the program is closed again.
# --web-shot also saves a box's web page as docs/screenshots/web-page.png (headless chromium on
# the workstation host). --shots puts the screenshots in another folder. HALVO_LAN names the
# LAN's run (default demo-<pid>).
# --scale runs the program at that scale (QT_SCALE_FACTOR): headless, its window is saved as
# main-window-linux-<PERCENT>.png on a screen large enough for it.
# --codepages puts the boxes of a Western (code page 1252) and a simplified-Chinese (936)
# workstation beside NAS-Alpha (tools/devsim/configs/cp1252.ini, cp936.ini); the program runs
# under $LANG (sudo env LANG=zh_CN.UTF-8 …), headless it selects the box of that locale's code
# page and saves main-window-<language>_<territory>.png.
#
# Root is needed for the network namespaces; the program itself runs as the user who called sudo.
# Nothing but the build and Xvfb runs in the machine's own namespace, and nothing the LAN does
# can leave it: the boxes, their SMB servers, the program and its browser all run in namespaces
# of this run, which have no way out.
set -Eeuo pipefail
cd "$(dirname "$0")/.."
ROOT="$(pwd)"

HEADLESS=0
WEB_SHOT=0
CODEPAGES=0
SCALE=100
BUILD="build"
SHOTS="docs/screenshots"
while [ "$#" -gt 0 ]; do
    case "$1" in
    --headless) HEADLESS=1 ;;
    --web-shot) WEB_SHOT=1 ;;
    --codepages) CODEPAGES=1 ;;
    --scale)
        SCALE="${2:?--scale needs a percentage}"
        [[ "$SCALE" =~ ^[1-9][0-9]{1,2}$ ]] || { echo "demo: --scale takes a percentage such as 200" >&2; exit 2; }
        shift
        ;;
    --build-dir)
        BUILD="${2:?--build-dir needs a folder}"
        shift
        ;;
    --shots)
        SHOTS="${2:?--shots needs a folder}"
        shift
        ;;
    *)
        sed -n '2,/^set -/{/^#/p}' "$0" | sed 's/^# \{0,1\}//' >&2
        exit 2
        ;;
    esac
    shift
done
BUILD="$(realpath -m "$BUILD")"
SHOTS="$(realpath -m "$SHOTS")"

say() { echo "demo: $*"; }
die() {
    echo "demo: $*" >&2
    exit 1
}
[ "$(id -u)" -eq 0 ] || die "needs root for the network namespaces: sudo scripts/demo.sh"

# The user the program runs as: the one who called sudo, when there is one.
RUN_USER=root
if [ -n "${SUDO_USER:-}" ] && [ "$SUDO_USER" != root ] && id -u "$SUDO_USER" >/dev/null 2>&1; then
    RUN_USER="$SUDO_USER"
fi
RUN_UID="$(id -u "$RUN_USER")"
RUN_GID="$(id -g "$RUN_USER")"
as_user() {
    if [ "$RUN_USER" = root ]; then
        "$@"
    else
        setpriv --reuid="$RUN_UID" --regid="$RUN_GID" --init-groups -- "$@"
    fi
}
# Building as the owner of the checkout keeps the build folder theirs.
as_owner() {
    local owner home
    owner="$(stat -c %u "$ROOT")"
    if [ "$owner" = 0 ]; then
        "$@"
    else
        home="$(getent passwd "$owner" | cut -d: -f6)"
        setpriv --reuid="$owner" --regid="$(stat -c %g "$ROOT")" --init-groups -- \
            env HOME="${home:-/nonexistent}" "$@"
    fi
}

say "installing what is missing"
if [ "$WEB_SHOT" = 1 ]; then
    scripts/install-deps.sh --web-shot
else
    scripts/install-deps.sh
fi
say "building in $BUILD"
as_owner cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
as_owner cmake --build "$BUILD" -j2 --target halvo halvo-devsim

export HALVO_LAN="${HALVO_LAN:-demo-$$}"
export HALVO_DEVSIM="$BUILD/tools/devsim/halvo-devsim"
SESSION=""
# shellcheck source=scripts/xvfb.sh
source scripts/xvfb.sh
cleanup() {
    local status=$?
    trap - EXIT INT TERM
    # Everything on the LAN, the program and its session bus included, ends here by PID.
    bash scripts/lan.sh down >/dev/null 2>&1 || true
    xvfb_stop
    # Its mounts lived in the program's own mount namespace, which ended with it.
    [ -n "$SESSION" ] && rm -rf "$SESSION"
    [ -n "${ORDERED:-}" ] && rm -rf "$ORDERED"
    say "LAN down"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

BOXES=(tools/devsim/configs/box1.ini tools/devsim/configs/box2.ini tools/devsim/configs/box3.ini)
# What the headless run types into the device list to select a box, and the shot's name.
SELECT="NAS-A"
SHOT="main-window.png"
if [ "$CODEPAGES" = 1 ]; then
    BOXES=(tools/devsim/configs/box1.ini tools/devsim/configs/cp1252.ini
        tools/devsim/configs/cp936.ini)
    case "${LANG:-C}" in
    zh_CN* | zh_SG*) SELECT="财务" ;;
    *) SELECT="Bü" ;;
    esac
    lang="${LANG:-C}"
    SHOT="main-window-${lang%%.*}.png"
fi
# At another scale than 100 %: the program's device pixel ratio, and a screen that holds its window.
SCALE_ENV=()
if [ "$SCALE" != 100 ]; then
    SCALE_ENV=(QT_SCALE_FACTOR="$(awk -v s="$SCALE" 'BEGIN { printf "%g", s / 100 }')")
    SHOT="${SHOT%.png}-linux-$SCALE.png"
    export XVFB_SCREEN=2560x1600x24
fi
if [ "$CODEPAGES" = 0 ] && [ "$HEADLESS" = 1 ]; then
    # The screenshot is compared pixel for pixel with the committed one, so the list's order must
    # not depend on which box the scheduler lets answer first: Alpha, then Gamma, then Beta.
    ORDERED="$(mktemp -d /tmp/halvo-demo-boxes.XXXXXX)"
    for pair in "box1.ini 0" "box2.ini 160" "box3.ini 80"; do
        read -r box delay <<<"$pair"
        { cat "tools/devsim/configs/$box"; echo "delay = discover:$delay"; } >"$ORDERED/$box"
    done
    BOXES=("$ORDERED/box1.ini" "$ORDERED/box2.ini" "$ORDERED/box3.ini")
fi
bash scripts/lan.sh up --smb 3 "${BOXES[@]}"
LAN_DIR="$(bash scripts/lan.sh dir)"

# A home, runtime folder and caches of the program's own: its GVfs daemons, its FUSE folder and
# any browser it opens start fresh inside the namespace instead of reaching the desktop's own
# (a browser already running outside would fetch the page from the machine's own network).
SESSION="$(mktemp -d /tmp/halvo-demo.XXXXXX)"
chmod 0711 "$SESSION"
mkdir -m 0700 "$SESSION/home" "$SESSION/runtime"
chown "$RUN_UID:$RUN_GID" "$SESSION/home" "$SESSION/runtime"

key() { # config key of a one-device box file
    sed -n "s/^[[:space:]]*$2[[:space:]]*=[[:space:]]*//p" "$1" | head -n 1
}
say "three boxes on the LAN (name, address, SMB account; administrator admin / admin):"
for i in 1 2 3; do
    cfg="${BOXES[$((i - 1))]}"
    printf '        %-10s 10.77.0.%-3s %s / %s%s\n' "$(key "$cfg" name)" "$((10 + i))" \
        "$(key "$cfg" smb_user)" "$(key "$cfg" smb_password)" \
        "$([ -e "$LAN_DIR/d$i.smbd" ] && echo ", shares served" || echo ", no shares")"
done

X_DISPLAY="${DISPLAY:-}"
X_AUTH="${XAUTHORITY:-}"
if [ -z "$X_AUTH" ] && [ "$RUN_USER" != root ]; then
    home="$(getent passwd "$RUN_USER" | cut -d: -f6)"
    [ -r "$home/.Xauthority" ] && X_AUTH="$home/.Xauthority"
fi

# Runs a command on the workstation host as the user, in the program's environment.
on_workstation() {
    bash scripts/lan.sh exec setpriv --reuid="$RUN_UID" --regid="$RUN_GID" --init-groups -- \
        env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$SESSION/home" USER="$RUN_USER" \
        LOGNAME="$RUN_USER" XDG_RUNTIME_DIR="$SESSION/runtime" LANG="${LANG:-C.UTF-8}" \
        DISPLAY="$X_DISPLAY" XAUTHORITY="$X_AUTH" GVFS_REMOTE_VOLUME_MONITOR_IGNORE=1 \
        MOZ_NO_REMOTE=1 "${SCALE_ENV[@]}" "$@"
}

# The desktop's display is usable only through its socket file: the namespace has its own
# loopback and abstract sockets, so a display reached over TCP (ssh -X) is out of reach.
if [ "$HEADLESS" = 0 ] && [ -n "$X_DISPLAY" ]; then
    if ! on_workstation xdotool getdisplaygeometry >/dev/null 2>&1; then
        say "display $X_DISPLAY cannot be reached from the LAN's workstation host (is it local, and"
        say "is XAUTHORITY passed through sudo?); running headless instead"
        HEADLESS=1
    fi
else
    HEADLESS=1
fi

if [ "$HEADLESS" = 0 ]; then
    say "starting halvo on $X_DISPLAY; close its window to end the demo"
    on_workstation dbus-run-session -- "$BUILD/app/halvo" &
    app=$!
    sleep 3
    say "mapped drive letters are links in $SESSION/runtime/halvo-drives/ as the program sees it:"
    pid=""
    for p in $(ip netns pids "halvo-${HALVO_LAN}_ws"); do
        [ "$(cat "/proc/$p/comm" 2>/dev/null)" = halvo ] && pid="$p"
    done
    if [ -n "$pid" ]; then
        say "  sudo nsenter -t $pid -m -n -S $RUN_UID -G $RUN_GID ls $SESSION/runtime/halvo-drives/Z/"
    fi
    wait "$app" || true
    exit 0
fi

# ---- Headless: Xvfb (unix socket only), a screenshot, then the program is closed. ----
xvfb_start "$SESSION" || die "Xvfb did not start: $(cat "$SESSION/xvfb.log")"
X_DISPLAY="$XVFB_DISPLAY"
X_AUTH="$XVFB_AUTH"
chown "$RUN_UID:$RUN_GID" "$X_AUTH"
say "Xvfb on $X_DISPLAY (pid $XVFB_PID)"

on_workstation dbus-run-session -- "$BUILD/app/halvo" >"$SESSION/halvo.log" 2>&1 &
xvfb_window 100 on_workstation xdotool search --onlyvisible --classname halvo ||
    die "the program's window did not appear: $(tail -n 5 "$SESSION/halvo.log")"
window="$XVFB_WINDOW"
# The window is up once the first discovery has run; give it a moment to paint.
sleep 1
eval "$(on_workstation xdotool getwindowgeometry --shell "$window")"
# The device list has the focus; typing a name's start selects it, as a click would. The pointer
# rests on the window, which then has the keyboard (there is no window manager).
on_workstation xdotool mousemove $((X + 300)) $((Y + 20))
on_workstation xdotool type --delay 60 "$SELECT"
sleep 2
[ -d "$SHOTS" ] || as_owner mkdir -p "$SHOTS"
# Saved as the owner of the folder they go to.
keep_shot() {
    install -m 0644 -o "$(stat -c %u "$SHOTS")" -g "$(stat -c %g "$SHOTS")" \
        "$SESSION/home/$1" "$SHOTS/$1"
    say "saved $SHOTS/$1${2:+ ($2)}"
}
on_workstation import -window "$window" "$SESSION/home/$SHOT"
keep_shot "$SHOT"

if [ "$WEB_SHOT" = 1 ]; then
    # The address "Access via web" gives for the second box: its own port, 8080.
    url="http://10.77.0.12:$(key "${BOXES[1]}" web_port)"
    on_workstation timeout 120 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars \
        --no-first-run --disable-extensions --disable-background-networking --disable-sync \
        --disable-component-update --user-data-dir="$SESSION/home/chromium" \
        --window-size=560,180 --screenshot="$SESSION/home/web-page.png" "$url" \
        >"$SESSION/chromium.log" 2>&1 || die "chromium failed: $(tail -n 5 "$SESSION/chromium.log")"
    keep_shot web-page.png "$url"
fi

# Esc closes the main window, as the user would; the LAN teardown ends it in any case.
on_workstation xdotool key Escape || true
for _ in $(seq 50); do
    on_workstation xdotool search --onlyvisible --classname halvo >/dev/null 2>&1 || break
    sleep 0.1
done
