#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows installer under wine, signed, in a fresh prefix: a silent install puts the programs,
# the Start-menu shortcut, the entry in Apps and the PATH entry in place; the installed programs
# start from there (halvoctl.exe prints its version, also found through PATH; halvo.exe shows
# its window, in Xvfb); a newer installer of the same programs replaces the older one, leaving
# one entry; a silent removal leaves nothing behind. Both installers and their programs are
# signed (windows-package.sh --pkcs12) with a throwaway certificate authority made for the run
# (scripts/test-signer.sh), and each signature is verified against it; the installed programs
# are the build's with their signature, byte for byte.
# Usage (root): tests/win32/installer-test.sh [build-dir]   (default build-win)
#
# Everything runs inside a network namespace of ours, on a wineserver started there: started in
# the machine's own namespace the script makes one (loopback only) and runs itself inside it;
# in one of ours already (ctest under scripts/wine-test.sh) it uses that one, with a prefix and
# a wineserver of its own.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
BUILD="$(cd "${1:-$ROOT/build-win}" && pwd)"
# shellcheck source=scripts/wine-env.sh
. "$ROOT/scripts/wine-env.sh"

if ! wine_our_namespace "$(readlink /proc/self/ns/net)" >/dev/null; then
    [ "$(id -u)" -eq 0 ] || { echo "installer-test.sh: needs root (ip netns)" >&2; exit 77; }
    NS="halvo-${HALVO_LAN:-msi$$}_msi"
    cleanup_namespace() {
        for pid in $(ip netns pids "$NS" 2>/dev/null); do kill -KILL "$pid" 2>/dev/null || true; done
        ip netns del "$NS" 2>/dev/null || true
    }
    trap cleanup_namespace EXIT
    ip netns add "$NS"
    ip -n "$NS" link set lo up
    status=0
    ip netns exec "$NS" bash "${BASH_SOURCE[0]}" "$BUILD" || status=$?
    exit "$status"
fi

for tool in wixl msibuild zip faketime osslsigncode openssl Xvfb xauth xdotool; do
    command -v "$tool" >/dev/null || { echo "installer-test.sh: $tool is missing" >&2; exit 1; }
done
start=$(date +%s%N)
WORK="$(mktemp -d "$BUILD/installer-test.XXXXXX")"
export WINEPREFIX="$WORK/prefix"
# shellcheck source=scripts/xvfb.sh
. "$ROOT/scripts/xvfb.sh"
cleanup() {
    [ -d "$WINEPREFIX" ] && wine_stop
    xvfb_stop
    rm -rf "$WORK"
}
trap cleanup EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
# A Windows program of ours, through the guard, from inside the prefix's C: drive.
win() { (cd "$WINEPREFIX/drive_c" && "$ROOT/scripts/wine-run.sh" "$@"); }
elapsed() { echo "$((($(date +%s%N) - start) / 1000000)) ms"; }

# Two installers of the same programs: the build's version, and the next patch version.
. "$BUILD/windows-package.env"
IFS=. read -r major minor patch <<<"$HALVO_VERSION"
OLD="$HALVO_VERSION"
NEW="$major.$minor.$((patch + 1))"
# Signed by a throwaway authority; windows-package.sh verifies each signature against it.
bash "$ROOT/scripts/test-signer.sh" "$WORK/signer"
CA="$WORK/signer/ca.pem"
sign=(--pkcs12 "$WORK/signer/signer.p12" --password-file "$WORK/signer/signer.pass" --verify-ca "$CA")
for version in "$OLD" "$NEW"; do
    dir=new
    [ "$version" != "$OLD" ] || dir=old
    log="$WORK/package-$dir.log"
    HALVO_PACKAGE_VERSION="$version" "$ROOT/scripts/windows-package.sh" "${sign[@]}" "$BUILD" \
        "$WORK/$dir" >"$log" 2>&1 &&
        [ "$(grep -c ': Signature verification: ok$' "$log")" = 3 ] || { cat "$log" >&2; exit 1; }
done

# The window needs a display from the wineserver's first program on.
xvfb_start "$WORK" || { echo "installer-test.sh: Xvfb did not start" >&2; exit 1; }
export DISPLAY="$XVFB_DISPLAY" XAUTHORITY="$XVFB_AUTH"
wine_start
mkdir "$WINEPREFIX/drive_c/packages"
cp "$WORK/old/halvo-$OLD-x64.msi" "$WORK/new/halvo-$NEW-x64.msi" "$WINEPREFIX/drive_c/packages/"
echo "installer-test.sh: prefix up, packages built: $(elapsed)"

FOLDER="$WINEPREFIX/drive_c/Program Files/Halvo"
UNINSTALL='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
ENVIRONMENT='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'

# msiexec with its log; the log names the Start-menu folder that the installer resolved (the
# machine's on Windows; wine resolves the user's even for a per-machine install).
run_msiexec() {
    local log="C:\\packages\\$2.log"
    win msiexec "$1" "C:\\packages\\$3" /qn /l*v "$log" || fail "msiexec $1 $3 ended with $?"
    MENU="$(tr -d '\r' <"$WINEPREFIX/drive_c/packages/$2.log" |
        sed -n 's/^Property(S): ProgramMenuFolder = C:\\\(.*\)$/\1/p' | tail -n 1 | tr '\\' /)"
    [ -n "$MENU" ] || fail "the log of $2 names no ProgramMenuFolder"
    SHORTCUT="$WINEPREFIX/drive_c/$MENU/Halvo.lnk"
}
# The entries in Apps named Halvo, one "version|publisher|uninstall command" line each.
entries() {
    win reg query "$UNINSTALL" /s 2>/dev/null | tr -d '\r' | awk '
        /^HKEY/ { if (name == "Halvo") print version "|" publisher "|" command
                  name = version = publisher = command = "" }
        $1 == "DisplayName" { name = substr($0, index($0, $3)) }
        $1 == "DisplayVersion" { version = $3 }
        $1 == "Publisher" { publisher = substr($0, index($0, $3)) }
        $1 == "UninstallString" { command = substr($0, index($0, $3)) }
        END { if (name == "Halvo") print version "|" publisher "|" command }'
}
# How often the system PATH holds the installed folder.
path_count() {
    win reg query "$ENVIRONMENT" /v PATH 2>/dev/null | tr -d '\r' | tr ';' '\n' |
        grep -ciE '^(.*REG_(EXPAND_)?SZ +)?C:\\Program Files\\Halvo\\?$' || true
}

# Whether INSTALLED is BUILT with a signature of the run's authority: the signature verifies,
# and attached to the built file it gives the installed one, byte for byte. (PEM: the form every
# osslsigncode version reads back; 2.5 extracts a PE's raw certificate entry otherwise.)
signed_build() {
    rm -f "$WORK/signature.pem" "$WORK/attached.exe"
    osslsigncode verify -CAfile "$CA" -in "$1" >/dev/null 2>&1 &&
        osslsigncode extract-signature -pem -in "$1" -out "$WORK/signature.pem" >/dev/null 2>&1 &&
        osslsigncode attach-signature -sigin "$WORK/signature.pem" -CAfile "$CA" -in "$2" \
            -out "$WORK/attached.exe" >/dev/null 2>&1 &&
        cmp -s "$WORK/attached.exe" "$1"
}

check_installed() {
    local version="$1" entry
    for f in halvo.exe halvoctl.exe LICENSE.txt README.txt; do
        [ -f "$FOLDER/$f" ] || fail "$version: Program Files\\Halvo\\$f is missing"
    done
    signed_build "$FOLDER/halvo.exe" "$HALVO_EXE" ||
        fail "$version: the installed halvo.exe is not the build's with a valid signature"
    signed_build "$FOLDER/halvoctl.exe" "$HALVOCTL_EXE" ||
        fail "$version: the installed halvoctl.exe is not the build's with a valid signature"
    mapfile -t entry < <(entries)
    if [ "${#entry[@]}" -ne 1 ]; then
        fail "$version: ${#entry[@]} entries named Halvo in Apps, not one: ${entry[*]}"
    else
        [[ "${entry[0]}" == "$version|The Halvo developers|MsiExec.exe /X{"* ]] ||
            fail "$version: the entry in Apps is '${entry[0]}'"
    fi
    [ -f "$SHORTCUT" ] || fail "$version: no Start-menu shortcut at $MENU/Halvo.lnk"
    local target
    target="$({ strings -a "$SHORTCUT"; strings -a -el "$SHORTCUT"; } 2>/dev/null)"
    grep -qix 'C:\\Program Files\\Halvo\\halvo\.exe' <<<"$target" ||
        fail "$version: the shortcut does not lead to C:\\Program Files\\Halvo\\halvo.exe"
    [ "$(path_count)" = 1 ] || fail "$version: the system PATH holds the folder $(path_count) times, not once"
}

# 1. Install.
run_msiexec /i install "halvo-$OLD-x64.msi"
check_installed "$OLD"
out="$(win 'C:\Program Files\Halvo\halvoctl.exe' --version 2>&1 | tr -d '\r')" || true
[ "$out" = "halvoctl $HALVO_VERSION" ] || fail "installed halvoctl.exe --version printed '$out'"
# A new console finds it through the system PATH.
out="$(win cmd /c halvoctl --version 2>&1 | tr -d '\r')" || true
[ "$out" = "halvoctl $HALVO_VERSION" ] || fail "halvoctl through PATH printed '$out'"
echo "installer-test.sh: $OLD installed and checked: $(elapsed)"

# The installed program shows its main window ("Halvo"; its message boxes are titled "halvo").
# With loopback alone its search finds nothing; it is ended once the window is there.
(cd "$WINEPREFIX/drive_c" && exec "$ROOT/scripts/wine-run.sh" 'C:\Program Files\Halvo\halvo.exe') \
    >"$WORK/halvo.log" 2>&1 &
program=$!
window=""
for _ in $(seq 150); do
    for id in $(xdotool search --onlyvisible --name '^[Hh]alvo$' 2>/dev/null); do
        [ "$(xdotool getwindowname "$id" 2>/dev/null)" = Halvo ] && window="$id"
    done
    [ -n "$window" ] && break
    kill -0 "$program" 2>/dev/null || break
    sleep 0.2
done
[ -n "$window" ] || fail "the installed halvo.exe showed no window named Halvo ($(tr '\n' ' ' <"$WORK/halvo.log"))"
kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
echo "installer-test.sh: installed halvo.exe started, its window appeared: $(elapsed)"

# 2. Upgrade: the newer installer replaces the older version.
run_msiexec /i upgrade "halvo-$NEW-x64.msi"
check_installed "$NEW"
echo "installer-test.sh: upgraded to $NEW: $(elapsed)"

# 3. Remove: nothing is left.
run_msiexec /x remove "halvo-$NEW-x64.msi"
[ ! -e "$FOLDER" ] || fail "Program Files\\Halvo is still there: $(ls -A "$FOLDER" | tr '\n' ' ')"
[ -z "$(entries)" ] || fail "an entry in Apps is left: $(entries)"
[ ! -e "$SHORTCUT" ] || fail "the Start-menu shortcut is left"
[ "$(path_count)" = 0 ] || fail "the system PATH still holds the folder"
echo "installer-test.sh: removed: $(elapsed)"

if [ "$failures" -gt 0 ]; then
    echo "installer-test.sh: $failures check(s) failed" >&2
    exit 1
fi
echo "installer-test.sh: install, start, upgrade and removal of $OLD and $NEW passed in $(elapsed)"
