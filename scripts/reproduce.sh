#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the release files twice and compares them byte for byte: halvo.exe, halvoctl.exe, the
# installer (.msi) and the portable archive (.zip) of the Windows build, and the Debian package
# (.deb). Each build runs from its own copy of the sources (the working tree's files, as git
# lists them) in its own folder, by the documented commands: `cmake --preset windows` with
# scripts/windows-package.sh, and scripts/package.sh. The second build also runs at another
# time, in another time zone and under another umask, and never through a compiler cache.
# Where two files differ, diffoscope (scripts/install-deps.sh --release) shows how; the script
# then fails.
#
# Usage: scripts/reproduce.sh [--windows BUILD-DIR] [--deb BUILD-DIR] [--only windows|deb]
#                             [--work DIR]
#   --windows BUILD-DIR  take this Windows build (configured by `cmake --preset windows`, with
#                        or without tests) as the first one instead of building it here
#   --deb BUILD-DIR      take the package scripts/package.sh left in BUILD-DIR as the first one
#   --only windows|deb   build and compare only these files
#   --work DIR           build in DIR (kept) instead of a temporary folder (removed if all match)
# The builds made here are release-only: the two programs, no tests (BUILD_TESTING=OFF).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
die() {
    echo "reproduce.sh: $*" >&2
    exit 1
}
say() { echo "reproduce.sh: $*"; }

FIRST_WIN="" FIRST_DEB="" ONLY="" WORK=""
while [ $# -gt 0 ]; do
    [ $# -ge 2 ] || die "$1 needs a value"
    case "$1" in
    --windows) FIRST_WIN="$(cd "$2" 2>/dev/null && pwd)" || die "no build folder $2" ;;
    --deb) FIRST_DEB="$(cd "$2" 2>/dev/null && pwd)" || die "no build folder $2" ;;
    --only)
        [[ "$2" =~ ^(windows|deb)$ ]] || die "--only takes windows or deb, not '$2'"
        ONLY="$2" ;;
    --work) WORK="$2" ;;
    *) die "unknown option $1" ;;
    esac
    shift 2
done
do_windows=1 do_deb=1
[ "$ONLY" != deb ] || do_windows=0
[ "$ONLY" != windows ] || do_deb=0

git -C "$ROOT" rev-parse --git-dir >/dev/null 2>&1 ||
    die "$ROOT is not a git work tree: git lists the sources to copy"
KEEP=0
if [ -n "$WORK" ]; then
    KEEP=1
    mkdir -p "$WORK"
    WORK="$(cd "$WORK" && pwd)"
else
    WORK="$(mktemp -d /tmp/halvo-reproduce.XXXXXX)"
fi
say "working in $WORK"
# Never a compiler cache: a cached object would hide what the compiler makes of these folders.
export CCACHE_DISABLE=1
unset CMAKE_CXX_COMPILER_LAUNCHER CMAKE_C_COMPILER_LAUNCHER

# A copy of the working tree's sources (tracked files and new ones not ignored, as they are
# now) in DIR/halvo, with the files' times of the copy, not of the original.
copy_sources() {
    local dest="$1/halvo"
    mkdir -p "$dest"
    (cd "$ROOT" && git ls-files -z --cached --others --exclude-standard |
        while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
        tar --null --no-recursion -T - -cf -) | tar -xf - -m -C "$dest"
}
# Runs a step, its output into LOG; on failure shows the log's end. Says what it cost: the time
# it took and the processor time it used (a fairer figure on a shared machine).
step() {
    local log="$1" status=0 TIMEFORMAT='%R %U %S' cost real user sys cpu
    shift
    cost="$({ time "$@" >"$log" 2>&1; } 2>&1)" || status=$?
    if [ "$status" != 0 ]; then
        tail -n 30 "$log" >&2
        die "failed ($log): $*"
    fi
    read -r real user sys <<<"$cost"
    cpu="$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.1f", u + s }')"
    say "  $(basename "$log" .log): $real s, processor $cpu s"
}
# The second build's surroundings differ from the first's.
other_env() { (umask 0002 && TZ=Pacific/Auckland LC_ALL=C.UTF-8 "$@"); }

# A release-only Windows build of the two programs in TREE/build-win, with the preset's
# toolchain and flags.
build_windows() {
    local tree="$1"
    (cd "$tree" && nice -n 5 cmake --preset windows -DBUILD_TESTING=OFF >/dev/null &&
        nice -n 5 cmake --build build-win -j2 --target halvo halvoctl)
}
# The Windows files of BUILD into OUT, made by TREE's windows-package.sh.
windows_files() {
    local tree="$1" build="$2" out="$3"
    mkdir -p "$out"
    bash "$tree/scripts/windows-package.sh" "$build" "$out"
    cp "$build/app/halvo.exe" "$build/cli/halvoctl.exe" "$out/"
}

if [ "$do_windows" = 1 ]; then
    say "Windows: first build"
    if [ -n "$FIRST_WIN" ]; then
        say "  taken from $FIRST_WIN"
        first_tree="$ROOT" first_build="$FIRST_WIN"
    else
        copy_sources "$WORK/win-1"
        first_tree="$WORK/win-1/halvo" first_build="$WORK/win-1/halvo/build-win"
        step "$WORK/win-1-build.log" build_windows "$first_tree"
    fi
    step "$WORK/win-1-package.log" windows_files "$first_tree" "$first_build" "$WORK/out-1"
    say "Windows: second build (release-only, another folder, no compiler cache)"
    copy_sources "$WORK/win-2"
    step "$WORK/win-2-build.log" other_env build_windows "$WORK/win-2/halvo"
    step "$WORK/win-2-package.log" other_env windows_files "$WORK/win-2/halvo" \
        "$WORK/win-2/halvo/build-win" "$WORK/out-2"
fi
if [ "$do_deb" = 1 ]; then
    say "Debian package: first build"
    mkdir -p "$WORK/out-1" "$WORK/out-2"
    if [ -n "$FIRST_DEB" ]; then
        say "  taken from $FIRST_DEB"
        first_deb="$FIRST_DEB"
    else
        copy_sources "$WORK/deb-1"
        step "$WORK/deb-1-build.log" nice -n 5 bash "$WORK/deb-1/halvo/scripts/package.sh" build-pkg
        first_deb="$WORK/deb-1/halvo/build-pkg"
    fi
    debs=("$first_deb"/halvo_*.deb)
    if [ "${#debs[@]}" != 1 ] || [ ! -f "${debs[0]}" ]; then
        die "not one package in $first_deb"
    fi
    cp "${debs[0]}" "$WORK/out-1/"
    say "Debian package: second build (another folder, no compiler cache)"
    copy_sources "$WORK/deb-2"
    step "$WORK/deb-2-build.log" other_env nice -n 5 bash "$WORK/deb-2/halvo/scripts/package.sh" build-pkg
    cp "$WORK/deb-2/halvo/build-pkg"/halvo_*.deb "$WORK/out-2/"
fi

# Both sets, file by file.
differ=0
for first in "$WORK/out-1"/*; do
    name="$(basename "$first")"
    second="$WORK/out-2/$name"
    if [ ! -f "$second" ]; then
        echo "MISSING   $name: the second build made none"
        differ=1
    elif cmp -s "$first" "$second"; then
        printf 'identical %-28s %9d bytes  sha256 %s\n' "$name" "$(stat -c %s "$first")" \
            "$(sha256sum <"$first" | cut -c1-64)"
    else
        differ=1
        printf 'DIFFERENT %-28s %9d / %d bytes\n' "$name" "$(stat -c %s "$first")" \
            "$(stat -c %s "$second")"
        report="$WORK/diffoscope-$name.txt"
        if command -v diffoscope >/dev/null; then
            timeout 600 diffoscope --text "$report" "$first" "$second" >/dev/null 2>&1 || true
            head -n 60 "$report" | sed 's/^/    /'
            echo "    (all of it: $report)"
        else
            cmp -l "$first" "$second" | head -n 10 | sed 's/^/    /'
            echo "    (diffoscope shows more: scripts/install-deps.sh --release)"
        fi
    fi
done
if [ "$differ" != 0 ]; then
    KEEP=1
    die "the two builds differ (folders kept in $WORK)"
fi
[ "$KEEP" = 1 ] || rm -rf "$WORK"
say "both builds are identical, byte for byte"
