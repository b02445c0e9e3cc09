#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The program as assistive technology sees it, on a LAN of its own under Xvfb with an AT-SPI bus:
# accessibility-check.py works every dialog by keyboard and reads the accessibility tree.
# Usage: accessibility-on-lan.sh [--census] LAN_SH DEVSIM HALVO CONFIG
#   --census   reports the controls of each dialog and what is wrong with them, and fails on
#              nothing (to measure another build of the program)
# CONFIG is one box that asks for the administrator's name and password. Exit 77 (skipped)
# without root, network namespaces, Xvfb, D-Bus or the AT-SPI Python bindings, unless
# HALVO_E2E_REQUIRED=1.
set -uo pipefail
census=()
if [ "${1:-}" = --census ]; then
    census=(--census)
    shift
fi
lan="$1" devsim="$2" halvo="$3" config="$4"
here="$(dirname "$(readlink -f "$0")")"

# shellcheck source=tests/e2e/e2e-lib.sh
source "$here/e2e-lib.sh"
fail() {
    echo "e2e: FAILED: $*" >&2
    exit 1
}
[ "$(id -u)" -eq 0 ] || skip "needs root"
# Debian's own Python, which has the distribution's bindings (not one a user put first in PATH).
python=/usr/bin/python3
for tool in ip Xvfb xauth xdotool dbus-run-session "$python"; do
    command -v "$tool" >/dev/null || skip "'$tool' not found (scripts/install-deps.sh installs it)"
done
[ -x /usr/libexec/at-spi-bus-launcher ] || skip "the AT-SPI bus (at-spi2-core) is not installed"
[ -x "$python" ] && "$python" -c 'import pyatspi' 2>/dev/null || skip "python3-pyatspi is not installed"
export HALVO_LAN="${HALVO_LAN_PREFIX:-e2e}-$$"
export HALVO_DEVSIM="$devsim"
# The check reads what reached the box from the simulator's request log.
export HALVO_LAN_VERBOSE=1
need_namespaces

work="$(mktemp -d /tmp/halvo-e2e-a11y.XXXXXX)"
chmod 0711 "$work"
# shellcheck source=scripts/xvfb.sh
source "$here/../../scripts/xvfb.sh"
down() {
    bash "$lan" down >/dev/null 2>&1 || true
    xvfb_stop
    rm -rf "$work"
}
trap down EXIT
trap 'exit 130' INT TERM

bash "$lan" up 1 "$config" >/dev/null || fail "the LAN did not come up"
run_dir="$(bash "$lan" dir)"
xvfb_start "$work" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"

mkdir -m 0700 "$work/home" "$work/runtime"
# A clean environment and a session bus of its own, on which the AT-SPI bus is started.
bash "$lan" exec env -i PATH=/usr/bin:/bin HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" \
    LANG=C.UTF-8 DISPLAY="$XVFB_DISPLAY" XAUTHORITY="$XVFB_AUTH" \
    ${ASAN_OPTIONS:+ASAN_OPTIONS="$ASAN_OPTIONS"} ${UBSAN_OPTIONS:+UBSAN_OPTIONS="$UBSAN_OPTIONS"} \
    dbus-run-session -- "$python" "$here/accessibility-check.py" "${census[@]}" \
    --halvo "$halvo" --config "$config" --box-log "$run_dir/d1.log"
