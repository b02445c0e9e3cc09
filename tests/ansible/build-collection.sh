#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the collection with ansible-galaxy, installs the archive into a folder of its own and
# checks what an administrator gets from it: both modules, their documentation, nothing more;
# and that the README's playbook is the one the two-site test runs.
# Usage: build-collection.sh COLLECTION_SOURCE OUTPUT_DIR README PLAYBOOK
set -euo pipefail
src="$1" out="$2" readme="$3" playbook="$4"
rm -rf "$out"
mkdir -p "$out"
export ANSIBLE_LOCAL_TEMP="$out/tmp" ANSIBLE_HOME="$out/home" PYTHONDONTWRITEBYTECODE=1
ansible-galaxy collection build "$src" --output-path "$out"
archive="$out/halvo-lan-$(sed -n 's/^version: *//p' "$src/galaxy.yml").tar.gz"
[ -f "$archive" ] || { echo "build-collection.sh: no $archive" >&2; exit 1; }
ANSIBLE_COLLECTIONS_PATH="$out/collections" ansible-galaxy collection install --offline "$archive" \
    -p "$out/collections" >/dev/null
fail=0
listing="$(tar -tzf "$archive")"
for f in MANIFEST.json FILES.json README.md meta/runtime.yml plugins/modules/box.py plugins/modules/boxes.py \
    plugins/module_utils/halvoctl.py; do
    grep -qxF "$f" <<<"$listing" || { echo "FAILED  the archive lacks $f"; fail=1; }
done
if grep -E '(__pycache__|\.pyc$|\.tar\.gz$)' <<<"$listing"; then
    echo "FAILED  the archive holds build leftovers"
    fail=1
fi
for module in box boxes; do
    doc="$(ANSIBLE_COLLECTIONS_PATH="$out/collections" ansible-doc "halvo.lan.$module" 2>&1)" || {
        echo "FAILED  ansible-doc halvo.lan.$module: $doc"
        fail=1
        continue
    }
    for section in "OPTIONS" "EXAMPLES:" "RETURN VALUES:" "halvoctl_path"; do
        grep -qF "$section" <<<"$doc" || { echo "FAILED  halvo.lan.$module's documentation lacks $section"; fail=1; }
    done
done
# The README's block after "`site.yml`", and the test's playbook without its comment lines.
# shellcheck disable=SC2016  # backquotes of Markdown, not of the shell
if ! diff <(sed -n '/^`site.yml`/,/^```$/p' "$readme" | sed '1,/^```yaml$/d;/^```$/d') \
    <(grep -v '^#' "$playbook"); then
    echo "FAILED  the README's playbook is not $playbook"
    fail=1
fi
[ "$fail" = 0 ] && echo "ok      $archive built, installed and documented; the README's playbook is the tested one"
exit "$fail"
