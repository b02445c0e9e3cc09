#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is needed, configures, builds and runs the whole test suite.
# Usage: scripts/test.sh [--no-install] [build-dir] [extra cmake options...]
#   --no-install   skips the installation step (everything is there already)
set -euo pipefail
cd "$(dirname "$0")/.."
INSTALL=1
if [ "${1:-}" = "--no-install" ]; then
    INSTALL=0
    shift
fi
BUILD="${1:-build}"
shift || true
[ "$INSTALL" = 0 ] || scripts/install-deps.sh
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHALVO_WERROR=ON "$@"
cmake --build "$BUILD" -j2
ctest --test-dir "$BUILD" --output-on-failure -j2
