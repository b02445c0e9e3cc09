#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the Debian package as an administrator gets it.
#
#   sudo scripts/check-package.sh DEB [BUILD-DIR]
#
# 1. lintian reports no error and no warning (overrides carry their reasons in the package); the
#    desktop entry and the AppStream metainfo validate (desktop-file-validate, appstreamcli
#    validate --no-net); the package's version, the metainfo's newest release and the manual
#    pages' version are one string.
# 2. A fresh Debian 12 root (mmdebstrap, from Debian's mirror) gets the package with
#    `apt-get install --no-install-recommends ./DEB`: only its Depends come along, so a library
#    the package does not name is missing there. Its Recommends must be installable.
# 3. The installed /usr/bin/halvo, in that root, runs on the workstation host of a namespace LAN
#    with three simulated boxes (BUILD-DIR's halvo-devsim; default build), under Xvfb. Its window
#    must list them: End selects the last row of the device list, and the selection's band must
#    sit on row 3. First, with the workstation's firewall dropping every datagram, it must list
#    none, which shows the check can fail.
#    The installed halvoctl reports the same version (`halvoctl --version`).
# 4. `apt-get purge halvo` leaves none of the package's files behind.
#
# Needs root (namespaces, chroot). HALVO_LAN names the LAN's run (default pkg-<pid>).
set -Eeuo pipefail
cd "$(dirname "$0")/.."

DEB="$(realpath "${1:?usage: check-package.sh DEB [BUILD-DIR]}")"
BUILD="$(realpath "${2:-build}")"
say() { echo "check-package: $*"; }
die() {
    echo "check-package: $*" >&2
    exit 1
}
[ -x "$BUILD/tools/devsim/halvo-devsim" ] || die "no simulator in $BUILD (build halvo-devsim)"

export HALVO_LAN="${HALVO_LAN:-pkg-$$}"
export HALVO_DEVSIM="$BUILD/tools/devsim/halvo-devsim"
WORK="$(mktemp -d /tmp/halvo-pkg-check.XXXXXX)"
ROOT="$WORK/root"
# shellcheck source=scripts/xvfb.sh
source scripts/xvfb.sh
cleanup() {
    local status=$?
    trap - EXIT INT TERM
    # The program and the simulators end with the LAN, by PID.
    bash scripts/lan.sh down >/dev/null 2>&1 || true
    xvfb_stop
    # Nothing stays mounted in the root: each run mounted in a mount namespace of its own.
    rm -rf --one-file-system "$WORK"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# ---- 1. What the package ships validates. ----
lint=0
# (--show-overrides would count the overridden tags as failures: the overrides are listed apart.)
lintian --fail-on error,warning "$DEB" >"$WORK/lintian.log" 2>&1 || lint=$?
grep -v '^running with root' "$WORK/lintian.log" || true
[ "$lint" = 0 ] || die "lintian reports errors or warnings"
say "lintian: no error, no warning; overridden, each with its reason in the package:"
dpkg-deb --fsys-tarfile "$DEB" | tar -xO ./usr/share/lintian/overrides/halvo | grep -v '^#' | sed 's/^/  /'
dpkg-deb -x "$DEB" "$WORK/files"
desktop-file-validate "$WORK"/files/usr/share/applications/*.desktop
appstreamcli validate --no-net "$WORK"/files/usr/share/metainfo/*.metainfo.xml
say "desktop entry and metainfo valid"
VERSION="$(dpkg-deb --field "$DEB" Version)"
released="$(python3 -c '
import sys, xml.etree.ElementTree as t
print(t.parse(sys.argv[1]).find("releases/release").get("version"))' \
    "$WORK"/files/usr/share/metainfo/*.metainfo.xml)"
[ "$released" = "$VERSION" ] || die "the metainfo's newest release is $released, the package $VERSION"
for page in halvo halvoctl; do
    zcat "$WORK/files/usr/share/man/man1/$page.1.gz" | grep '^\.TH ' |
        grep -qF "\"Halvo $VERSION\"" ||
        die "the manual page $page.1 does not say Halvo $VERSION"
done
for f in copyright changelog.gz; do
    [ -s "$WORK/files/usr/share/doc/halvo/$f" ] || die "the package brings no /usr/share/doc/halvo/$f"
done
say "version $VERSION in the package, the metainfo and both manual pages"
[ "$(id -u)" -eq 0 ] || die "the rest needs root (network namespaces, chroot)"

# ---- 2. A fresh Debian 12 with the package and its Depends only. ----
recommends="$(dpkg-deb --field "$DEB" Recommends | tr -d ,)"
start=$SECONDS
mmdebstrap --quiet --variant=apt bookworm "$ROOT" \
    --customize-hook="copy-in $DEB /tmp" \
    --customize-hook="chroot \"\$1\" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
        --no-install-recommends /tmp/$(basename "$DEB")" \
    --customize-hook="chroot \"\$1\" apt-get install -y -q --simulate $recommends >/dev/null" \
    >"$WORK/mmdebstrap.log" 2>&1 || die "root with the package failed: $(tail -n 20 "$WORK/mmdebstrap.log")"
say "fresh Debian 12 root with the package in $((SECONDS - start)) s"

# Runs a command in the root, in a mount namespace of its own with /proc and /dev.
in_root() {
    unshare --mount --propagation private sh -c '
        root="$1"; shift
        mount -t proc proc "$root/proc"
        mount --rbind /dev "$root/dev"
        exec chroot "$root" "$@"' sh "$ROOT" "$@"
}
missing="$(in_root sh -c 'ldd /usr/bin/halvo /usr/bin/halvoctl /usr/lib/*/qt6/plugins/platforms/libqxcb.so' |
    grep 'not found' || true)"
[ -z "$missing" ] || die "libraries the package's Depends do not bring: $missing"

# ---- 3. The installed program lists the boxes of the LAN. ----
bash scripts/lan.sh up 3 tools/devsim/configs/box1.ini tools/devsim/configs/box2.ini \
    tools/devsim/configs/box3.ini >/dev/null
xvfb_start "$WORK" || die "Xvfb did not start: $(cat "$WORK/xvfb.log")"
DISPLAY_NAME="$XVFB_DISPLAY"
XAUTH="$XVFB_AUTH"
install -m 0644 "$XAUTH" "$ROOT/tmp/xauth"
install -d -o 65534 -g 65534 -m 0700 "$ROOT/tmp/home"
mkdir -p "$ROOT/tmp/.X11-unix"
x() { bash scripts/lan.sh exec env DISPLAY="$DISPLAY_NAME" XAUTHORITY="$XAUTH" "$@"; }

# The device list's rectangle and the window's size in dialog units, from the main window's
# template. The window's size in pixels gives the dialog unit, whatever font the root has.
read -r DIALOG_W DIALOG_H LIST_X LIST_Y LIST_W LIST_H < <(python3 -c '
import json
t = json.load(open("resources/dialogs/102.json"))
print(*t["size"], *next(c["rect"] for c in t["controls"] if c.get("id") == 1001))')

# Starts the installed program, selects the last row of the device list, saves the window and
# prints the number of rows down to the selection (0: none).
listed_rows() {
    local shot="$WORK/$1.ppm" window="" pid app
    in_root_on_lan() {
        bash scripts/lan.sh exec unshare --mount --propagation private sh -c '
            root="$1"; shift
            mount -t proc proc "$root/proc"
            mount --rbind /dev "$root/dev"
            mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
            exec chroot --userspec=65534:65534 "$root" "$@"' sh "$ROOT" "$@"
    }
    in_root_on_lan env -i PATH=/usr/bin:/bin HOME=/tmp/home LANG=C.UTF-8 \
        DISPLAY="$DISPLAY_NAME" XAUTHORITY=/tmp/xauth /usr/bin/halvo >"$WORK/$1.log" 2>&1 &
    app=$!
    for _ in $(seq 100); do
        window="$(x xdotool search --onlyvisible --classname halvo 2>/dev/null | head -n 1 || true)"
        [ -n "$window" ] && break
        sleep 0.2
    done
    [ -n "$window" ] || die "the installed program's window did not appear: $(tail -n 5 "$WORK/$1.log")"
    # The first discovery has run when the window shows; then the pointer rests on the window
    # (no window manager: it then has the keyboard) and End selects the list's last row.
    sleep 1
    eval "$(x xdotool getwindowgeometry --shell "$window")"
    x xdotool mousemove $((X + 300)) $((Y + 20))
    x xdotool key End
    sleep 1
    x import -window "$window" -depth 8 "ppm:$shot"
    for pid in $(ip netns pids "halvo-${HALVO_LAN}_ws"); do
        [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = halvo ] && kill "$pid"
    done
    wait "$app" || true
    python3 - "$shot" "$DIALOG_W" "$DIALOG_H" "$LIST_X" "$LIST_Y" "$LIST_W" "$LIST_H" <<'EOF'
import sys
path, dw, dh, *rect = sys.argv[1], *map(int, sys.argv[2:])
data = open(path, "rb").read()
fields, pos = [], 0
while len(fields) < 4:  # P6 header: magic, width, height, maximum
    while data[pos:pos + 1].isspace():
        pos += 1
    end = pos
    while not data[end:end + 1].isspace():
        end += 1
    fields.append(data[pos:end])
    pos = end
pos += 1
if fields[0] != b"P6" or fields[3] != b"255":
    sys.exit("not an 8-bit PPM: %s" % fields)
width, height = int(fields[1]), int(fields[2])
lx, lw = (round(v * width / dw) for v in rect[0::2])
ly, lh = (round(v * height / dh) for v in rect[1::2])
def saturated(x, y):
    i = pos + 3 * (y * width + x)
    r, g, b = data[i], data[i + 1], data[i + 2]
    return max(r, g, b) - min(r, g, b) > 60
# The selection is a coloured band across the list; text and background are grey.
inner = range(lx + 4, lx + lw - 20)
band = [y for y in range(ly + 2, ly + lh - 2)
        if sum(saturated(x, y) for x in inner) > len(inner) // 2]
if not band:
    print(0)
elif band[-1] - band[0] + 1 != len(band) or len(band) < 8:
    sys.exit("no single selection band in the device list: rows %s" % band)
else:
    print(round((band[-1] + 1 - ly) / len(band)))
EOF
}

# With every datagram dropped on the workstation, the same check sees no box.
printf 'table inet halvo_check {\n chain input { type filter hook input priority 0; policy drop; }\n}\n' |
    bash scripts/lan.sh exec nft -f -
rows="$(listed_rows closed)"
[ "$rows" = 0 ] || die "with the firewall closed the window lists $rows boxes, expected none"
bash scripts/lan.sh exec nft delete table inet halvo_check
rows="$(listed_rows open)"
[ "$rows" = 3 ] || die "the installed program's window lists $rows boxes, expected 3"
say "installed /usr/bin/halvo lists the 3 boxes of the LAN (none behind a closed firewall)"

# The command line came with it, with its manual page and completion; it runs there (on the
# workstation host, like the program) and finds the same three boxes.
for f in usr/share/man/man1/halvoctl.1.gz usr/share/man/man1/halvo.1.gz \
    usr/share/bash-completion/completions/halvoctl; do
    [ -e "$ROOT/$f" ] || die "the package brings no /$f"
done
ctl() {
    bash scripts/lan.sh exec unshare --mount --propagation private sh -c '
        root="$1"; shift
        mount -t proc proc "$root/proc"
        exec chroot --userspec=65534:65534 "$root" "$@"' sh "$ROOT" \
        env -i PATH=/usr/bin:/bin HOME=/tmp/home LANG=C.UTF-8 /usr/bin/halvoctl "$@"
}
said="$(ctl --version)"
[ "$said" = "halvoctl $VERSION" ] || die "the installed halvoctl says '$said', the package is $VERSION"
rows="$(ctl timezones | grep -c GMT || true)"
[ "$rows" = 75 ] || die "the installed halvoctl lists $rows timezone rows, expected 75"
boxes="$(ctl --json discover | python3 -c 'import json, sys; print(len(json.load(sys.stdin)["devices"]))')"
[ "$boxes" = 3 ] || die "the installed halvoctl discovers $boxes boxes, expected 3"
say "installed /usr/bin/halvoctl runs: version $VERSION, 75 timezone rows, 3 boxes discovered"

# ---- 4. Removal leaves nothing of the package. ----
in_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q halvo >"$WORK/purge.log" 2>&1 ||
    die "purge failed: $(tail -n 5 "$WORK/purge.log")"
left=""
while read -r path; do
    [ -e "$ROOT/$path" ] && left+=" $path"
done < <(dpkg-deb --fsys-tarfile "$DEB" | tar -t | grep -v '/$' | sed 's|^\./||')
[ -z "$left" ] || die "files left after purge:$left"
say "purged cleanly"
