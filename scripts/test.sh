#!/usr/bin/env bash
# Installs what is needed, configures, builds and runs the whole test suite.
# Usage: scripts/test.sh [build-dir] [extra cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD="${1:-build}"
shift || true
scripts/install-deps.sh
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHALVO_WERROR=ON "$@"
cmake --build "$BUILD" -j2
ctest --test-dir "$BUILD" --output-on-failure -j2
