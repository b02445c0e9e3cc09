#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# halvoctl against the simulator, on the workstation host of a LAN of its own (run-on-lan.sh).
# Usage: CliLanTest.sh HALVOCTL DRIVES_CLI --gtest_filter=GROUP
#   lan     discover, show, each set read back, a refusal, a silent box's time-out, the check
#           refused and accepted, apply over three boxes with one failing. Boxes: box1, box2,
#           password, stubborn, silent (10.77.0.11 to .15).
#   shares  map and unmap, seen in the window's drive table. Boxes: box1, password (with SMB).
#   segments  the LAN of several segments (lan.sh up --multi "1 1 1"): discovery on both of the
#           workstation's segments with the interface of each box, a box behind the router
#           reached by --address and nothing of it heard elsewhere, a bad --address refused.
#           Boxes: box1 (10.77.0.11, eth0), box2 (10.78.0.11, eth1), box3 (10.79.0.11, routed).
#   codepage  texts in the boxes' code pages under a Chinese and a German locale, the override,
#           and the Chinese share mapped. Boxes: cp1252 (10.77.0.11), cp936 (10.77.0.12), with SMB.
set -uo pipefail
ctl="$1" drives_cli="$2" group="${3#--gtest_filter=}"
# shellcheck source=tests/e2e/e2e-lib.sh
source "$(dirname "$(readlink -f "$0")")/e2e-lib.sh"
work="$(mktemp -d /tmp/halvoctl-e2e.XXXXXX)"
trap 'rm -rf "$work"' EXIT

# run EXPECTED_STATUS ARGS...: runs halvoctl, keeps its output in $work/out and $work/err.
run() {
    local want="$1"
    shift
    "$ctl" "$@" >"$work/out" 2>"$work/err"
    local got=$?
    check "exit $want from halvoctl $*" test "$got" -eq "$want"
}
# field PYTHON_EXPRESSION: evaluates it on the JSON document of the last run (as `d`).
field() {
    python3 -c 'import json, sys; d = json.load(open(sys.argv[1])); print(eval(sys.argv[2]))' \
        "$work/out" "$1"
}
is() { # EXPRESSION EXPECTED
    local got
    got="$(field "$1")"
    [ "$got" = "$2" ] || { echo "  $1 = '$got', expected '$2'"; return 1; }
}
err_is() { grep -qxF -- "$1" "$work/err" || { echo "  stderr lacks '$1'"; return 1; }; }

lan_group() {
    run 0 timezones --json
    check "75 rows" is 'len(d["timezones"])' 75
    check "row 9 as the template has it" is 'd["timezones"][9]["timezone"]' \
        "(GMT-06:00) Central Time (US &amp; Canda) "
    run 2 frobnicate
    run 2 set-network NAS-Beta
    run 2 --json show
    check "a failure is a document too" is 'd["exitStatus"]' 2

    run 0 discover --json
    check "five boxes found" is 'len(d["devices"])' 5
    check "one answer from each host" is 'sorted(b["ipAddress"] for b in d["devices"])' \
        "['10.77.0.11', '10.77.0.12', '10.77.0.13', '10.77.0.14', '10.77.0.15']"
    check "web port of box2" is '[b["webPort"] for b in d["devices"] if b["name"] == "NAS-Beta"][0]' 8080

    run 0 show NAS-Alpha --json
    check "firmware as shown" is 'd["firmware"]' V12R03
    check "shares" is 'd["shares"]' "['public', 'media', 'backup']"
    check "volumes" is 'd["volumes"][1]["freeSpace"]' "37%"
    check "timezone text" is 'd["timezone"]' "(GMT-03:00) Buenos Aires, Georgetown "
    run 0 show 00:1a:2b:3c:4d:01
    check "aligned text" grep -q '^Firmware Version:  V12R03$' "$work/out"

    run 0 set-system NAS-Beta --description "Lab two" --timezone 9 --date 2024-05-01 --time 12:30:00
    run 0 show NAS-Beta --json
    check "description read back" is 'd["description"]' "Lab two"
    check "timezone read back" is 'd["timezoneIndex"]' 9
    check "date read back" is 'd["date"]' 20240501

    run 0 set-network 10.77.0.12 --static --ip 10.77.0.52 --mask 255.255.0.0
    run 0 show NAS-Beta --json
    check "static read back" is 'd["ipMode"]' 0
    check "address read back" is 'd["ipAddress"]' 10.77.0.52
    check "mask read back" is 'd["subnetMask"]' 255.255.0.0

    run 2 set-system NAS-Beta --timezone 75
    check "a timezone above 74 is refused" grep -q "timezone 75 is not a row" "$work/err"
    run 2 set-network NAS-Beta --static --gateway 10.77.0
    run 2 set-system NAS-Beta --date 2023-02-29

    run 1 set-system NAS-Stubborn --timezone 3
    check "refusal message" err_is "Set system info failed!"
    run 1 show NAS-Nobody
    check "unknown box" err_is "halvoctl: no box answered as 'NAS-Nobody'"

    run 3 show NAS-Mute
    check "silent box's time-out" err_is "Time out:get system info!"

    run 1 set-system NAS-Locked --admin root --timezone 4 --description Finance --password-stdin <<<"wrong"
    check "verification refused" err_is "Verify failed!"
    run 0 show NAS-Locked --json
    check "nothing taken after the refusal" is 'd["timezoneIndex"]' 20
    run 2 set-system NAS-Locked --admin root --timezone 4 --password-stdin <<<"s3cret"
    check "its own description is checked too" err_is "Note: Device description is invalid! Valid characters are: '0-9', 'a-z', 'A-Z', ' ', '-', '_'."
    run 0 set-system NAS-Locked --admin root --timezone 4 --description Finance --password-stdin <<<"s3cret"
    run 0 show NAS-Locked --json
    check "written after the check" is 'd["timezoneIndex"]' 4

    cat >"$work/plan.json" <<'PLAN'
{"admin": "root",
 "boxes": [
  {"macAddress": "00:1a:2b:3c:4d:02", "system": {"timezoneIndex": 12},
   "network": {"ipMode": "dhcp"}},
  {"macAddress": "00:1a:2b:3c:4d:40", "system": {"timezoneIndex": 12}},
  {"macAddress": "00:1a:2b:3c:4d:10", "system": {"timezoneIndex": 12, "description": "Finance room"}}]}
PLAN
    run 1 apply "$work/plan.json" --json --password-fd 3 3<<<"s3cret"
    check "apply results" is '[b["result"] for b in d["boxes"]]' "['ok', 'refused', 'ok']"
    run 0 show NAS-Beta --json
    check "apply read back (1)" is '(d["timezoneIndex"], d["ipMode"])' "(12, 1)"
    run 0 show NAS-Locked --json
    check "apply read back (3)" is '(d["timezoneIndex"], d["description"])' "(12, 'Finance room')"
}

shares_group() {
    run 0 map NAS-Alpha public Z --user alpha --smb-password-stdin <<<"alpha-p1"
    check "map prints the letter" grep -qxF 'Z:  \\10.77.0.11\public' "$work/out"
    "$drives_cli" list >"$work/out" 2>"$work/err"
    check "the window's table has Z" grep -qF 'Z: type=4 mask=1 \\10.77.0.11\public' "$work/out"
    run 0 map NAS-Locked ledger y --user finance --admin root --password-fd 3 \
        --smb-password-stdin 3<<<"s3cret" <<<"ledger-1"
    run 1 map NAS-Locked ledger x --user finance --admin root --password-fd 3 \
        --smb-password-stdin 3<<<"wrong" <<<"ledger-1"
    check "map stops at the refused check" err_is "Verify failed!"
    run 0 drives --json
    check "both letters" is '[x["letter"] for x in d["drives"]]' "['Z:', 'Y:']"
    run 0 unmap Z
    "$drives_cli" list >"$work/out" 2>"$work/err"
    check "Z gone from the window's table" bash -c "! grep -q '^Z:' '$work/out'"
    check "Y still there" grep -qF 'Y: type=4 mask=1 \\10.77.0.12\ledger' "$work/out"
    run 0 unmap Y:
    run 1 unmap Y:
    check "unmapping a free letter" err_is "Unmap failed!"
}

# The request log of device host HOST's simulator; logged_since HOST LINES: what it logged after
# its first LINES lines, less the discovery requests every box hears.
log_of() { echo "$(dirname "$HALVO_LAN_HOSTS")/d$1.log"; }
log_lines() { wc -l <"$(log_of "$1")"; }
logged_since() { tail -n "+$(($2 + 1))" "$(log_of "$1")" | grep -v '^request discover ' || true; }

segments_group() {
    run 0 discover --json
    check "both segments' boxes, each once" is \
        'sorted((b["name"], b["ipAddress"], b["route"]) for b in d["devices"])' \
        "[('NAS-Alpha', '10.77.0.11', 'eth0'), ('NAS-Beta', '10.78.0.11', 'eth1')]"

    local before1 before2
    before1="$(log_lines 1)" before2="$(log_lines 2)"
    check "the simulators log their requests" test -s "$(log_of 1)" -a -s "$(log_of 2)"
    # A box of the first segment asked by address as well answers both ways.
    run 0 --address 10.79.0.11 --address 10.77.0.11 discover
    check "the routed box in the aligned list" grep -qE '^NAS-Gamma +[0-9a-f:]+ +10\.79\.0\.11 +[0-9]+ +unicast$' "$work/out"
    check "the others still by their interfaces" grep -qE '^NAS-Beta +.* eth1$' "$work/out"
    check "both addresses asked" test "$(grep -cE '^NAS-Alpha .* (eth0|unicast)$' "$work/out")" -eq 2
    run 0 show 10.79.0.11 --address 10.79.0.11 --json
    check "show reaches the box behind the router" is '(d["name"], d["route"])' "('NAS-Gamma', 'unicast')"
    run 0 --address 10.79.0.11 set-system 10.79.0.11 --timezone 6
    run 0 --address 10.79.0.11 show NAS-Gamma --json
    check "its write read back" is 'd["timezoneIndex"]' 6
    check "the routed box was asked across the router" \
        grep -q '^request set_system_info .* from 10\.77\.0\.1:' "$(log_of 3)"
    check "the first segment heard only discoveries" test -z "$(logged_since 1 "$before1")"
    check "the second segment heard only discoveries" test -z "$(logged_since 2 "$before2")"

    local started=$SECONDS
    run 2 --address 255.255.255.255 discover
    check "a broadcast address is refused" grep -qF "halvoctl: --address '255.255.255.255' is not" "$work/err"
    run 2 --json show NAS-Alpha --address 10.79.0
    check "a part missing is refused" is 'd["exitStatus"]' 2
    check "refused before any discovery" test $((SECONDS - started)) -lt 2
}

codepage_group() {
    LC_ALL=zh_CN.UTF-8 run 0 discover --json
    check "the 936 box by its Chinese name" is 'sorted(b["name"] for b in d["devices"])[1]' "财务部的存储盒子"
    LC_ALL=zh_CN.UTF-8 run 0 show 财务部的存储盒子 --json
    check "description" is 'd["description"]' "财务部共享存储"
    check "shares" is 'd["shares"]' "['共享文件', '备份']"
    check "volume" is '(d["volumes"][0]["shareName"], d["volumes"][0]["deviceId"])' "('共享文件', '移动硬盘')"
    LC_ALL=zh_CN.UTF-8 run 0 show 财务部的存储盒子
    check "the text output" grep -qxF "Description:       财务部共享存储" "$work/out"

    LC_ALL=de_DE.UTF-8 run 0 discover --json
    check "the 1252 box by its name with umlauts" is '[b["name"] for b in d["devices"] if b["ipAddress"] == "10.77.0.11"][0]' "Büro-Müller"
    check "no replacement character for it" is '"�" in [b["name"] for b in d["devices"] if b["ipAddress"] == "10.77.0.11"][0]' False
    LC_ALL=de_DE.UTF-8 run 0 show Büro-Müller --json
    check "its description" is 'd["description"]' "Ablage für Größen"
    check "its volume" is 'd["volumes"][0]["deviceId"]' "USB-Stück"
    LC_ALL=de_DE.UTF-8 run 1 show 财务部的存储盒子
    check "in 1252 the Chinese name is not the box's" grep -qF "no box answered as '财务部的存储盒子'" "$work/err"
    LC_ALL=de_DE.UTF-8 run 0 --codepage 936 show 财务部的存储盒子 --json
    check "--codepage for one run" is 'd["shares"][1]' "备份"
    LC_ALL=de_DE.UTF-8 HALVO_CODEPAGE=936 run 0 show 财务部的存储盒子 --json
    check "HALVO_CODEPAGE" is 'd["description"]' "财务部共享存储"
    HALVO_CODEPAGE=12520 run 2 discover
    check "an unknown code page stops the start" grep -qF "halvoctl: unknown code page '12520' in HALVO_CODEPAGE" "$work/err"
    run 2 --codepage utf8 discover --json
    check "so does an unknown --codepage" is 'd["exitStatus"]' 2
    # A user name that takes 33 bytes in 936 (more than its 32) though it is 17 characters.
    LC_ALL=zh_CN.UTF-8 run 2 map 财务部的存储盒子 共享文件 W --user "账户账户账户账户账户账户账户账户x" --smb-password-stdin <<<"cw-pw936"
    check "the user name limit counts bytes" grep -qF "more than 32 bytes in code page 936" "$work/err"

    LC_ALL=zh_CN.UTF-8 run 0 map 财务部的存储盒子 共享文件 W --user caiwu --smb-password-stdin <<<"cw-pw936"
    check "the Chinese share maps by its name" grep -qxF 'W:  \\10.77.0.12\共享文件' "$work/out"
    "$drives_cli" list >"$work/out" 2>"$work/err"
    check "the window's table has it" grep -qF 'W: type=4 mask=' "$work/out"
    LC_ALL=zh_CN.UTF-8 run 0 unmap W
}

case "$group" in
lan) lan_group ;;
codepage) codepage_group ;;
shares) shares_group ;;
segments) segments_group ;;
*)
    echo "CliLanTest.sh: unknown group '$group'" >&2
    exit 2
    ;;
esac
echo "$((checks - failures)) of $checks checks passed"
[ "$failures" -eq 0 ]
