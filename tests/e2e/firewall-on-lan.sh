#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The README's firewall rule, tried on a LAN of its own: the workstation host gets a stateful
# nftables input chain that drops everything else (as a desktop firewall does), and discovery
# must find no box; with the rule from the README's nftables block added (its example segment
# replaced by the LAN's), it must find them all. The rules live in the workstation host's own
# namespace and go with it.
# Usage: firewall-on-lan.sh README LAN_SH DEVSIM TEST_BINARY CONFIG...
# Exit 77 (skipped) without root, network namespaces or nft, unless HALVO_E2E_REQUIRED=1.
set -uo pipefail
readme="$1" lan="$2" devsim="$3" binary="$4"
shift 4

# shellcheck source=tests/e2e/e2e-lib.sh
source "$(dirname "$(readlink -f "$0")")/e2e-lib.sh"
[ "$(id -u)" -eq 0 ] || skip "needs root"
command -v ip >/dev/null || skip "'ip' (iproute2) not found"
command -v nft >/dev/null || skip "'nft' (nftables) not found"

# The README's rule: the one `nft insert rule` line, for the example segment 192.168.1.0/24.
rule="$(sed -n 's/^sudo nft insert rule //p' "$readme")"
[ "$(printf '%s\n' "$rule" | grep -c .)" = 1 ] || {
    echo "e2e: expected one 'sudo nft insert rule' line in $readme, found: $rule" >&2
    exit 1
}
[[ "$rule" == *192.168.1.0/24* ]] || {
    echo "e2e: the README's rule does not name the example segment 192.168.1.0/24: $rule" >&2
    exit 1
}
rule="${rule//192.168.1.0\/24/10.77.0.0/24}"

export HALVO_LAN="${HALVO_LAN_PREFIX:-e2e}-$$"
export HALVO_DEVSIM="$devsim"
need_namespaces
trap 'bash "$lan" down >/dev/null 2>&1 || true' EXIT
trap 'exit 130' INT TERM

bash "$lan" up "$#" "$@" || exit 1
# Debian's own /etc/nftables.conf names the table and chain the README's rule goes into.
bash "$lan" exec nft -f - <<'NFT' || exit 1
table inet filter {
    chain input {
        type filter hook input priority filter; policy drop;
        iif "lo" accept
        ct state established,related accept
    }
}
NFT

run() { # firewall state
    local out
    out="$(bash "$lan" exec env HALVO_FIREWALL="$1" "$binary" \
        --gtest_filter=Firewall.ClosedInputFindsNoBoxAndReadmeRuleFindsThemAll 2>&1)"
    local status=$?
    echo "$out"
    # A skipped test passes in gtest's eyes; here it must have run.
    if [ "$status" -eq 0 ] && ! grep -q '^\[       OK \] Firewall\.' <<<"$out"; then
        echo "e2e: the firewall test did not run" >&2
        return 1
    fi
    return "$status"
}
echo "e2e: input policy drop on the workstation host"
run closed || exit 1
echo "e2e: with the README's rule: nft insert rule $rule"
# shellcheck disable=SC2086  # the rule is words for nft
bash "$lan" exec nft insert rule $rule || exit 1
run readme
