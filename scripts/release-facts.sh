#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The release's version and time, read from where each is written once: HALVO_VERSION from
# project(VERSION) in CMakeLists.txt, SOURCE_DATE_EPOCH from the date of packaging/changelog.in's
# newest entry (its first " -- " line). Every time a release file records (archive members,
# installer summary, package members) is that time, so that a build made later gives the same
# bytes.
# Sourced: sets and exports both. Run: prints them as shell assignments.
#   . scripts/release-facts.sh        or        bash scripts/release-facts.sh
halvo_release_facts() {
    local root version trailer date epoch
    root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
    version="$(sed -nE 's/^project\(Halvo VERSION ([0-9]+\.[0-9]+\.[0-9]+)[ )].*/\1/p' \
        "$root/CMakeLists.txt")"
    [ -n "$version" ] || {
        echo "release-facts.sh: no project(Halvo VERSION x.y.z ...) in CMakeLists.txt" >&2
        return 1
    }
    trailer="$(grep -m 1 '^ -- ' "$root/packaging/changelog.in")" || {
        echo "release-facts.sh: packaging/changelog.in has no ' -- ' line" >&2
        return 1
    }
    # " -- Name <address>  Day, DD Mon YYYY HH:MM:SS +ZZZZ": the date follows two spaces.
    date="${trailer##*>  }"
    epoch="$(LC_ALL=C date -u -d "$date" +%s 2>/dev/null)" || {
        echo "release-facts.sh: no date in '$trailer'" >&2
        return 1
    }
    export HALVO_VERSION="$version" SOURCE_DATE_EPOCH="$epoch"
}
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    set -euo pipefail
    halvo_release_facts
    echo "HALVO_VERSION=$HALVO_VERSION"
    echo "SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH"
else
    halvo_release_facts
fi
