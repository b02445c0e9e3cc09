#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package (halvo_<version>_<arch>.deb) from a build folder made afresh: the
# program alone, without tests (BUILD_TESTING=OFF), with Debian's hardening flags, stripped, its
# library dependencies computed by dpkg-shlibdeps. Built twice from the same sources, in other
# folders, at other times, it gives the same bytes (scripts/reproduce.sh).
# Usage: scripts/package.sh [build-dir]    (default build-pkg; the .deb is left in it)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD="${1:-build-pkg}"
scripts/install-deps.sh
# Every time the package records is the changelog's newest entry's (SOURCE_DATE_EPOCH), and its
# folders' and members' modes are those of umask 022 (as dpkg-buildpackage sets it), whatever
# the caller's.
# shellcheck source=scripts/release-facts.sh
. scripts/release-facts.sh
umask 0022
# Built by the compiler itself: a compiler cache with relative paths (CI's) writes other paths
# into the debug data than a build without it, and the package would differ from its rebuild.
export CCACHE_DISABLE=1
unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER
rm -rf "$BUILD"
# The flags a Debian package build uses, every hardening feature on.
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
CXXFLAGS="$(flags CPPFLAGS) $(flags CXXFLAGS)" LDFLAGS="$(flags LDFLAGS)" \
    cmake -S . -B "$BUILD" -G Ninja -DBUILD_TESTING=OFF >/dev/null
cmake --build "$BUILD" -j2
(cd "$BUILD" && cpack -G DEB >/dev/null)
deb="$(ls "$BUILD"/halvo_*.deb)"
echo "package: $deb"
dpkg-deb --field "$deb" Package Version Depends Recommends
