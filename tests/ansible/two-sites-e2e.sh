#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The README's playbook over two sites. Each site is a LAN of its own (scripts/lan.sh, its
# simulators logging every request) whose workstation host is the site host, running an SSH
# server made for this run; a controller host is linked to both site hosts and to neither LAN, so
# no broadcast of it reaches a box. From the controller, ansible-playbook over SSH:
#   1. finds every box of both sites and sets a description and a time zone: changed on each;
#   2. the same again: changed on none, and no box saw a set request;
#   3. other values in check mode: the changes reported, and no box saw a set request;
#   4. new values with a wrong administrator password: that box's task fails with the box's
#      message, the other boxes are set.
#   5. every clock from its site host's and NAS-Alpha on DHCP (playbook/clock-network.yml): only
#      NAS-Beta's fixed clock and NAS-Alpha's network are set; 6. that again: changed on none.
# Usage: two-sites-e2e.sh LAN_SH DEVSIM HALVOCTL COLLECTION_SOURCE CONFIGS_DIR
# Exit 77 (skipped) without root, namespaces, sshd or ansible-core, unless HALVO_E2E_REQUIRED=1.
set -uo pipefail
lan="$1" devsim="$2" ctl="$3" collection="$4" configs="$5"
here="$(dirname "$(readlink -f "$0")")"
# shellcheck source=tests/e2e/e2e-lib.sh
source "$here/../e2e/e2e-lib.sh"

[ "$(id -u)" -eq 0 ] || skip "needs root"
command -v ip >/dev/null || skip "'ip' (iproute2) not found"
if ! [ -x /usr/sbin/sshd ] || ! command -v ssh-keygen >/dev/null; then
    skip "no OpenSSH server and client (scripts/install-deps.sh installs them)"
fi
command -v ansible-playbook >/dev/null || skip "no ansible-core (scripts/install-deps.sh installs it)"

base="${HALVO_LAN_PREFIX:-e2e}-ans$$"
site_a="$base-a" site_b="$base-b"
export HALVO_LAN="$site_a" HALVO_DEVSIM="$devsim" HALVO_LAN_VERBOSE=1
need_namespaces
# The controller belongs to site A's run: its 'down' ends whatever runs there and removes it.
ctl_ns="halvo-${site_a}_ctl"
ws_a="halvo-${site_a}_ws" ws_b="halvo-${site_b}_ws"
work="$(mktemp -d /tmp/halvo-ansible-e2e.XXXXXX)"
# shellcheck disable=SC2317  # run by the trap
down() {
    HALVO_LAN="$site_a" bash "$lan" down >/dev/null 2>&1 || true
    HALVO_LAN="$site_b" bash "$lan" down >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap down EXIT
trap 'exit 130' INT TERM


# Site A: NAS-Alpha and NAS-Beta; site B: NAS-Gamma and NAS-Locked, which asks for the check.
# Both LANs are 10.77.0.0/24: only their site hosts reach them.
HALVO_LAN="$site_a" bash "$lan" up 2 "$configs/box1.ini" "$configs/box2.ini" || exit 1
HALVO_LAN="$site_b" bash "$lan" up 2 "$configs/box3.ini" "$configs/password.ini" || exit 1
dir_a="$(HALVO_LAN="$site_a" bash "$lan" dir)" dir_b="$(HALVO_LAN="$site_b" bash "$lan" dir)"

# The controller: 10.90.1.1 to site A's host (10.90.1.2), 10.90.2.1 to site B's (10.90.2.2).
ip netns add "$ctl_ns"
ip -n "$ctl_ns" link set lo up
link() { # controller's port, site host's namespace, subnet
    ip -n "$ctl_ns" link add "$1" type veth peer name uplink netns "$2"
    ip -n "$ctl_ns" addr add "$3.1/30" dev "$1"
    ip -n "$ctl_ns" link set "$1" up
    ip -n "$2" addr add "$3.2/30" dev uplink
    ip -n "$2" link set uplink up
}
link site-a "$ws_a" 10.90.1
link site-b "$ws_b" 10.90.2

# SSH: a host key and a client key made for this run; each server listens on its uplink only.
ssh-keygen -q -t ed25519 -N '' -f "$work/host_key" -C "halvo e2e host"
ssh-keygen -q -t ed25519 -N '' -f "$work/client_key" -C "halvo e2e controller"
cp "$work/client_key.pub" "$work/authorized_keys"
for site in 10.90.1.2 10.90.2.2; do
    echo "$site $(cut -d' ' -f1,2 "$work/host_key.pub")" >>"$work/known_hosts"
done
# sshd's privilege separation folder (Debian's service makes it at start).
[ -d /run/sshd ] || install -d -m 0755 /run/sshd
start_sshd() { # namespace, address
    cat >"$work/sshd-$2" <<EOF
ListenAddress $2:22
HostKey $work/host_key
AuthorizedKeysFile $work/authorized_keys
PidFile $work/sshd-$2.pid
PermitRootLogin prohibit-password
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
StrictModes no
X11Forwarding no
AllowTcpForwarding no
EOF
    ip netns exec "$1" /usr/sbin/sshd -f "$work/sshd-$2" -E "$work/sshd-$2.log" ||
        { cat "$work/sshd-$2.log" >&2; exit 1; }
}
start_sshd "$ws_a" 10.90.1.2
start_sshd "$ws_b" 10.90.2.2

# The collection as an administrator gets it: built, then installed from the archive.
mkdir -p "$work/tmp" "$work/cp" "$work/collections"
export ANSIBLE_LOCAL_TEMP="$work/tmp" ANSIBLE_HOME="$work/home" ANSIBLE_NOCOLOR=1 \
    ANSIBLE_COLLECTIONS_PATH="$work/collections" PYTHONDONTWRITEBYTECODE=1
ansible-galaxy collection build "$collection" --output-path "$work" >/dev/null || exit 1
ansible-galaxy collection install --offline "$work"/halvo-lan-*.tar.gz -p "$work/collections" \
    >/dev/null || exit 1

cat >"$work/ansible.cfg" <<EOF
[defaults]
inventory = $work/inventory.yml
forks = 8
interpreter_python = /usr/bin/python3
remote_tmp = $work/remote-tmp
retry_files_enabled = False
[ssh_connection]
pipelining = True
control_path_dir = $work/cp
ssh_args = -F /dev/null -o ControlMaster=auto -o ControlPersist=60s -o UserKnownHostsFile=$work/known_hosts -o StrictHostKeyChecking=yes -o IdentitiesOnly=yes
EOF
cat >"$work/inventory.yml" <<EOF
all:
  vars:
    ansible_user: root
    ansible_ssh_private_key_file: $work/client_key
    halvoctl_path: $ctl
  children:
    sites:
      hosts:
        site-a: {ansible_host: 10.90.1.2}
        site-b: {ansible_host: 10.90.2.2}
    boxes:
      children:
        site_a_boxes:
          vars: {ansible_host: 10.90.1.2}
          hosts:
            nas-alpha: {halvo_device: "00:1a:2b:3c:4d:01"}
            nas-beta: {halvo_device: "00:1a:2b:3c:4d:02"}
        site_b_boxes:
          vars: {ansible_host: 10.90.2.2}
          hosts:
            nas-gamma: {halvo_device: "00:1a:2b:3c:4d:03"}
            nas-locked:
              halvo_device: "00:1a:2b:3c:4d:10"
              halvo_admin_name: root
              halvo_admin_password: s3cret
EOF
export ANSIBLE_CONFIG="$work/ansible.cfg"

# playbook NAME ARGS...: runs the README's playbook (or, with PLAYBOOK set, that one) on the
# controller; its output in $work/NAME.out.
playbook() {
    local name="$1"
    shift
    ip netns exec "$ctl_ns" ansible-playbook "$here/playbook/${PLAYBOOK:-site.yml}" "$@" \
        >"$work/$name.out" 2>&1
    echo "$?" >"$work/$name.rc"
    echo "--- $name: ansible-playbook $*"
    sed -n '/^PLAY RECAP/,$p' "$work/$name.out"
}
# recap NAME HOST: the host's line of the recap, e.g. "ok=1 changed=1 unreachable=0 failed=0".
recap() { sed -n "/^PLAY RECAP/,\$s/^$2 *: \(ok=[0-9]* *changed=[0-9]* *unreachable=[0-9]* *failed=[0-9]*\).*/\1/p" "$work/$1.out" | tr -s ' '; }
recap_is() { # NAME HOST EXPECTED
    local got
    got="$(recap "$1" "$2")"
    [ "$got" = "$3" ] || { echo "  $2 in $1: '$got', expected '$3'"; return 1; }
}
status_is() { [ "$(cat "$work/$1.rc")" = "$2" ] || { tail -n 40 "$work/$1.out"; return 1; }; }
logs() { echo "$dir_a/d1.log" "$dir_a/d2.log" "$dir_b/d1.log" "$dir_b/d2.log"; }
mark_logs() { for l in $(logs); do wc -l <"$l"; done >"$work/marks"; }
# The set requests and checks each simulator logged since mark_logs. The requests go by
# broadcast: every box of the LAN logs each, and only the box it is for answers ("1 datagrams").
set_requests_since_mark() {
    local l i=0 marks
    mapfile -t marks <"$work/marks"
    for l in $(logs); do
        tail -n "+$((marks[i] + 1))" "$l" | grep -E '^request (set_|verify_admin)' | sed "s|^|$l: |"
        i=$((i + 1))
    done
}
no_set_request() {
    local seen
    seen="$(set_requests_since_mark)"
    [ -z "$seen" ] || { echo "$seen" | head -n 8; return 1; }
}
boxes=(nas-alpha nas-beta nas-gamma nas-locked)

started=$SECONDS
mark_logs
playbook first -e '{"box_description": "Managed site box", "box_timezone": 26}' \
    -e boxes_csv="$work/boxes.csv"
check "the first run succeeds" status_is first 0
for b in "${boxes[@]}"; do
    check "first run: $b changed" recap_is first "$b" "ok=1 changed=1 unreachable=0 failed=0"
done
check "first run: site-b only read its boxes" recap_is first site-b "ok=1 changed=0 unreachable=0 failed=0"
answered() { set_requests_since_mark | grep -E "^$1: request $2 .*: [1-9][0-9]* datagrams\$"; }
answered_once_each() {
    local l
    for l in $(logs); do
        [ "$(answered "$l" set_system_info | wc -l)" = 1 ] || { echo "  $l: $(answered "$l" set_system_info)"; return 1; }
    done
}
check "each box answered one system set request" answered_once_each
check "the locked box was asked for the check" bash -c "grep -q 'verify_admin' '$dir_b/d2.log'"
check "no network set request" bash -c "! grep -q 'set_network_info' $(logs)"
echo "--- the boxes found, as CSV"
cat "$work/boxes.csv"
check "the CSV has every box of both sites with its site" \
    test "$(cut -d, -f1,2 "$work/boxes.csv" | sort | tr '\n' ' ')" = \
    "site-a,NAS-Alpha site-a,NAS-Beta site-b,NAS-Gamma site-b,NAS-Locked "

mark_logs
playbook second -e '{"box_description": "Managed site box", "box_timezone": 26}'
check "the second run succeeds" status_is second 0
for b in "${boxes[@]}"; do
    check "second run: $b unchanged" recap_is second "$b" "ok=1 changed=0 unreachable=0 failed=0"
done
check "second run: the simulators saw no set request" no_set_request

mark_logs
playbook check -e '{"box_description": "Other text",
    "box_timezone": "(GMT+01:00) Amsterdam, Berlin, Bern, Rome, Stockholm, Vienna"}' --check --diff
echo "--- check mode: the first box's diff"
sed -n '/^--- before/,/^changed: \[/p' "$work/check.out" | head -n 40
check "the check-mode run succeeds" status_is check 0
for b in "${boxes[@]}"; do
    check "check mode: $b would change" recap_is check "$b" "ok=1 changed=1 unreachable=0 failed=0"
done
check "check mode: the diff shows the description before and after" \
    bash -c "grep -qF -- '-    \"description\": \"Managed site box\",' '$work/check.out' &&
             grep -qF -- '+    \"description\": \"Other text\",' '$work/check.out'"
check "check mode: the simulators saw no set request" no_set_request

mark_logs
playbook wrong -e '{"box_description": "Fourth run", "box_timezone": 30}' \
    -e halvo_admin_password=wrong
check "a failed host fails the run (status 2)" status_is wrong 2
grep '^fatal:' "$work/wrong.out"
check "the wrong password: nas-locked failed" recap_is wrong nas-locked "ok=0 changed=0 unreachable=0 failed=1"
for b in nas-alpha nas-beta nas-gamma; do
    check "the others go on: $b changed" recap_is wrong "$b" "ok=1 changed=1 unreachable=0 failed=0"
done
check "its task failed with the box's message" \
    grep -qE '^fatal: \[nas-locked\]: FAILED! => .*"msg": "Verify failed!"' "$work/wrong.out"
check "the password appears nowhere in the output" bash -c "! grep -q 'wrong\"\|s3cret' '$work/wrong.out' '$work/first.out'"
check "the refused box answered the check and was sent no set request" \
    test -n "$(answered "$dir_b/d2.log" verify_admin)" -a -z "$(answered "$dir_b/d2.log" set_system_info)"
check "the other three boxes answered a set request each" \
    test "$(for l in $(logs); do answered "$l" set_system_info; done | wc -l)" -eq 3
# NAS-Beta's clock is fixed in 2006: set from the site host's; NAS-Alpha goes to DHCP.
mark_logs
PLAYBOOK=clock-network.yml playbook clock
check "the clock and network run succeeds" status_is clock 0
check "clock: NAS-Beta's set" recap_is clock nas-beta "ok=1 changed=1 unreachable=0 failed=0"
check "network: NAS-Alpha's set" recap_is clock nas-alpha "ok=1 changed=1 unreachable=0 failed=0"
check "the live clocks were left alone" bash -c "[ '$(recap clock nas-gamma)' = 'ok=1 changed=0 unreachable=0 failed=0' ] &&
    [ '$(recap clock nas-locked)' = 'ok=1 changed=0 unreachable=0 failed=0' ]"
check "NAS-Alpha answered a network set request" test -n "$(answered "$dir_a/d1.log" set_network_info)"
check "NAS-Beta answered a system set request" test -n "$(answered "$dir_a/d2.log" set_system_info)"
beta_now="$(HALVO_LAN="$site_a" bash "$lan" exec "$ctl" --json show 00:1a:2b:3c:4d:02)"
check "NAS-Beta's clock is today's now" grep -q "\"date\": \"$(date +%Y%m%d)\"" <<<"$beta_now"
mark_logs
PLAYBOOK=clock-network.yml playbook clock-again
for b in "${boxes[@]}"; do
    check "clock and network again: $b unchanged" recap_is clock-again "$b" "ok=1 changed=0 unreachable=0 failed=0"
done
check "clock and network again: the simulators saw no set request" no_set_request

echo "--- the playbook runs took $((SECONDS - started)) s"
echo "--- what the simulators answered over the six runs (set requests and checks)"
for l in $(logs); do
    echo "$l: $(grep -cE '^request set_system_info .*: [1-9][0-9]* datagrams$' "$l") set_system_info," \
        "$(grep -cE '^request verify_admin .*: [1-9][0-9]* datagrams$' "$l") verify_admin"
done

echo "$((checks - failures)) of $checks checks passed"
[ "$failures" -eq 0 ]
