#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# halvoctl.exe under wine against the simulator, on the workstation host of a LAN of several
# segments (run-on-lan.sh --multi "1 1 1 1": box1 on eth0, password on eth1, box3 routed, box2 on
# eth2, which is taken down here; the default route is the tunnel's, so neither box's adapter
# holds it). The prefix's wineserver is started here, inside the workstation's namespace, before
# any program.
# Environment: HALVO_WINE_CTL (halvoctl.exe), WINEPREFIX (a prefix for this namespace only).
set -uo pipefail
ROOT="$(cd "$(dirname "$(readlink -f "$0")")/../.." && pwd)"
# shellcheck source=scripts/wine-env.sh
. "$ROOT/scripts/wine-env.sh"
# shellcheck source=tests/e2e/e2e-lib.sh
source "$ROOT/tests/e2e/e2e-lib.sh"
exe="${HALVO_WINE_CTL:?HALVO_WINE_CTL names halvoctl.exe}"
work="$(mktemp -d /tmp/halvoctl-wine-e2e.XXXXXX)"
trap 'wine_stop; rm -rf "$work"' EXIT

# The third adapter is down before the program first lists the adapters.
ip link set eth2 down
logs="$(dirname "${HALVO_LAN_HOSTS:?HALVO_LAN_HOSTS names the hosts file of the LAN}")"

started=$(date +%s%N)
# Z: stays wine's view of /: wine's browser hook is a program of this file system.
wine_start --keep-root
echo "wineserver and prefix up in the workstation's namespace in $((($(date +%s%N) - started) / 1000000)) ms"

run() { # EXPECTED_STATUS ARGS...
    local want="$1"
    shift
    "$ROOT/scripts/wine-run.sh" "$exe" "$@" >"$work/out" 2>"$work/err"
    local got=$?
    check "exit $want from halvoctl.exe $*" test "$got" -eq "$want"
}
field() {
    python3 -c 'import json, sys; d = json.load(open(sys.argv[1])); print(eval(sys.argv[2]))' \
        "$work/out" "$1"
}
is() {
    local got
    got="$(field "$1")"
    [ "$got" = "$2" ] || { echo "  $1 = '$got', expected '$2'"; return 1; }
}
err_is() { grep -qxF -- "$1" "$work/err" || { echo "  stderr lacks '$1'"; return 1; }; }

# Discovery on both segments, each box with the interface it answered on, none from the tunnel.
run 0 discover --json
check "both segments' boxes, each once" is \
    'sorted((b["name"], b["ipAddress"]) for b in d["devices"])' \
    "[('NAS-Alpha', '10.77.0.11'), ('NAS-Locked', '10.78.0.11')]"
check "each by its own interface" is \
    'len(set(b["route"] for b in d["devices"])) == 2 and "unicast" not in [b["route"] for b in d["devices"]]' True
check "asked on the two adapters that are up, not on the down one or the tunnel" is \
    '[(a["name"], a["ipAddress"]) for a in d["asked"]["adapters"]]' \
    "[('eth0', '10.77.0.1'), ('eth1', '10.78.0.1')]"
run 0 discover
check "plain lines end in LF alone" bash -c "! grep -q $'\r' '$work/out'"

run 0 show NAS-Alpha --json
check "firmware as shown" is 'd["firmware"]' V12R03
check "shares" is 'd["shares"]' "['public', 'media', 'backup']"
check "timezone text" is 'd["timezone"]' "(GMT-03:00) Buenos Aires, Georgetown "

# The administrator check: refused, then accepted and written.
run 1 set-system NAS-Locked --admin root --timezone 4 --description Finance --password-stdin <<<"wrong"
check "verification refused" err_is "Verify failed!"
run 0 set-system NAS-Locked --admin root --timezone 4 --description Finance --password-stdin <<<"s3cret"
run 0 show NAS-Locked --json
check "written after the check" is '(d["timezoneIndex"], d["description"])' "(4, 'Finance')"
run 2 --password-fd 3 set-system NAS-Locked --timezone 5
check "--password-fd refused on Windows" grep -qF -- "--password-fd and --smb-password-fd are not available on Windows" "$work/err"

run 0 set-network NAS-Alpha --static --ip 10.77.0.52 --mask 255.255.255.0
run 0 show NAS-Alpha --json
check "address read back" is '(d["ipMode"], d["ipAddress"], d["subnetMask"])' \
    "(0, '10.77.0.52', '255.255.255.0')"

# The box behind the router, by unicast.
run 0 --address 10.79.0.11 show 10.79.0.11 --json
check "show reaches the box behind the router" is '(d["name"], d["route"])' "('NAS-Gamma', 'unicast')"

# web --open hands the page to the shell; wine's browser hook records the address it was given.
printf '#!/bin/sh\nprintf "%%s" "$1" >"%s/opened"\n' "$work" >"$work/browser"
chmod +x "$work/browser"
"$ROOT/scripts/wine-run.sh" reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /d "$work/browser" /f \
    >/dev/null 2>&1
run 0 web NAS-Locked --json
address="$(field 'd["webAddress"]')"
run 0 web NAS-Locked --open
for _ in $(seq 50); do [ -s "$work/opened" ] && break; sleep 0.1; done
# The shell hands on the address as a URL, which gains its root path: http://host/.
opened="$(cat "$work/opened" 2>/dev/null)"
check "the shell opened $address" test "${opened%/}" = "${address%/}"

# Share mapping reaches WNetAddConnection2W; wine answers "no network" (1222).
run 1 map NAS-Alpha public Q --user alpha --smb-password-stdin <<<"alpha-p1"
check "the failure as the window shows it" err_is "Map failed!"
check "then the number and the reason" grep -qF "halvoctl: error 1222: no network is present" "$work/err"
check "nothing printed as mapped" test ! -s "$work/out"
run 0 drives --json
check "no letter left behind" is 'd["drives"]' "[]"

# Every request each box saw came from the workstation's address on that box's own segment; the
# box on the down adapter saw none.
from_only() { # LOG ADDRESS
    grep -q '^request ' "$1" && ! grep '^request ' "$1" | grep -vq " from $2:"
}
check "every request to the eth0 box came from 10.77.0.1" from_only "$logs/d1.log" 10.77.0.1
check "every request to the eth1 box came from 10.78.0.1" from_only "$logs/d2.log" 10.78.0.1
check "nothing reached the box on the down adapter" bash -c "! grep -q '^request ' '$logs/d4.log'"

# A firewall that drops the boxes' replies: an empty list, no failure, and on standard error the
# adapters asked and the Windows causes.
nft -f - <<'NFT'
table inet halvo_e2e_drop {
    chain input { type filter hook input priority 0; udp sport 1638 drop; }
}
NFT
run 0 discover --json
check "no box through the firewall" is 'd["devices"]' "[]"
check "the adapters asked, on standard error" \
    grep -qF "halvoctl: no box answered; asked on 2 adapters: eth0 10.77.0.1, eth1 10.78.0.1" "$work/err"
check "the firewall policy named" \
    grep -qF "Prohibit unicast response to multicast or broadcast requests" "$work/err"
nft delete table inet halvo_e2e_drop

echo "$((checks - failures)) of $checks checks passed"
[ "$failures" -eq 0 ]
