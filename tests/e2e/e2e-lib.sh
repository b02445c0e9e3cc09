# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the end-to-end test scripts that run on a LAN of their own.
#
#   skip REASON        the machine cannot run the test: exit 77 (ctest's skip), or a failure when
#                      HALVO_E2E_REQUIRED=1 (CI as root requires every e2e test to run)
#   need_namespaces    skips unless this run (HALVO_LAN) can create network namespaces
#   check WHAT CMD...  runs CMD as one check of the script: "ok" or "FAILED" with WHAT, counted
#                      in `checks` and `failures`; after a failure, the start of the last run's
#                      output where the script keeps it ($work/out, $work/err)

skip() {
    echo "e2e: $*" >&2
    if [ "${HALVO_E2E_REQUIRED:-0}" = 1 ]; then
        echo "e2e: required by HALVO_E2E_REQUIRED=1: failing" >&2
        exit 1
    fi
    echo "e2e: skipped" >&2
    exit 77
}

need_namespaces() {
    local probe="halvo-${HALVO_LAN}_probe"
    ip netns add "$probe" 2>/dev/null || skip "cannot create network namespaces here"
    ip netns del "$probe"
}

failures=0 checks=0
check() {
    local what="$1"
    shift
    checks=$((checks + 1))
    if "$@"; then
        echo "ok      $what"
    else
        echo "FAILED  $what"
        if [ -n "${work:-}" ] && [ -e "$work/out" ]; then
            echo "  stdout: $(head -c 600 "$work/out" 2>/dev/null)"
            echo "  stderr: $(head -c 600 "$work/err" 2>/dev/null)"
        fi
        failures=$((failures + 1))
    fi
}
