#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every source, script and build file of ours that can hold a comment starts with the licence's
# SPDX identifier (after a shebang). Writes the line where it is missing, or with --check only
# lists those files and fails.
# Usage: scripts/spdx.sh [--check]
set -euo pipefail
cd "$(dirname "$0")/.."
ID="SPDX-License-Identifier: GPL-3.0-or-later"
CHECK=0
[ "${1:-}" = "--check" ] && CHECK=1

# The comment that carries the identifier in each kind of file; nothing for a kind without one.
comment_for() {
    case "$1" in
    *.cpp | *.h) echo "//" ;;
    *.1) echo '.\"' ;;
    *.sh | *.py | *.cmake | */CMakeLists.txt | CMakeLists.txt | .ci/run | *.bash-completion | \
        *.ini | *.supp | .clang-format | .gitignore | *.in.cmake) echo "#" ;;
    esac
}

missing=()
while IFS= read -r file; do
    prefix="$(comment_for "$file")"
    [ -n "$prefix" ] || continue
    head -n 2 "$file" | grep -qF "$ID" && continue
    missing+=("$file")
    [ "$CHECK" = 1 ] && continue
    # After a shebang, else first. Written to a new file that takes the old one's place and mode,
    # so that a script being read (this one too) never sees its text shift.
    tmp="$(mktemp "$file.XXXXXX")"
    {
        head -n 1 "$file" | grep '^#!' || true
        printf '%s %s\n' "$prefix" "$ID"
        if head -n 1 "$file" | grep -q '^#!'; then tail -n +2 "$file"; else cat "$file"; fi
    } >"$tmp"
    chmod --reference="$file" "$tmp"
    mv "$tmp" "$file"
done < <(git ls-files --cached --others --exclude-standard)

if [ "$CHECK" = 1 ] && [ "${#missing[@]}" -gt 0 ]; then
    printf 'no SPDX licence line: %s\n' "${missing[@]}" >&2
    exit 1
fi
[ "$CHECK" = 1 ] || [ "${#missing[@]}" -eq 0 ] || echo "SPDX line added to ${#missing[@]} files"
