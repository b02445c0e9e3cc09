#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# clang-format over every C++ file of the repository: `--check` reports files that differ and
# fails, without it the files are rewritten in place.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
    clang-format --dry-run -Werror "${files[@]}"
    echo "format: ${#files[@]} files clean"
else
    clang-format -i "${files[@]}"
fi
