#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The checksum file of a release and its signature: DIR/SHA256SUMS lists the SHA-256 of the
# release's files in DIR (halvo_<version>_<arch>.deb, halvo-<version>-x64.msi and
# halvo-<version>-x64.zip, the version being project(VERSION) in CMakeLists.txt), and with a key
# DIR/SHA256SUMS.asc is its detached, ASCII-armoured OpenPGP signature (gpg; the key's
# passphrase, if any, is asked for by gpg's agent).
# Usage: scripts/release-sums.sh [--key KEY-ID] DIR
# A user checks a download with
#   sha256sum -c --ignore-missing SHA256SUMS && gpg --verify SHA256SUMS.asc SHA256SUMS
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
die() {
    echo "release-sums.sh: $*" >&2
    exit 1
}
KEY=""
DIR=""
while [ $# -gt 0 ]; do
    case "$1" in
    --key)
        [ $# -ge 2 ] || die "--key needs a key id"
        KEY="$2"
        shift 2 ;;
    -*) die "unknown option $1" ;;
    *)
        [ -z "$DIR" ] || die "usage: release-sums.sh [--key KEY-ID] DIR"
        DIR="$1"
        shift ;;
    esac
done
[ -n "$DIR" ] || die "usage: release-sums.sh [--key KEY-ID] DIR"
cd "$DIR" 2>/dev/null || die "no folder $DIR"
# shellcheck source=scripts/release-facts.sh
. "$ROOT/scripts/release-facts.sh"

# Exactly one of each, of this version; a file of another version is not this release's.
files=()
for pattern in "halvo_${HALVO_VERSION}_*.deb" "halvo-${HALVO_VERSION}-x64.msi" \
    "halvo-${HALVO_VERSION}-x64.zip"; do
    mapfile -t found < <(compgen -G "$pattern" || true)
    [ "${#found[@]}" = 1 ] || die "$DIR holds ${#found[@]} files $pattern, not one"
    files+=("${found[0]}")
done
for other in halvo[-_]*.deb halvo[-_]*.msi halvo[-_]*.zip; do
    [ -e "$other" ] || continue
    [[ " ${files[*]} " == *" $other "* ]] || die "$other is not of version $HALVO_VERSION: move it away"
done

rm -f SHA256SUMS SHA256SUMS.asc
printf '%s\n' "${files[@]}" | LC_ALL=C sort | xargs -d '\n' sha256sum >SHA256SUMS
cat SHA256SUMS
if [ -n "$KEY" ]; then
    command -v gpg >/dev/null || die "gpg is missing (scripts/install-deps.sh --release)"
    gpg --batch --yes --local-user "$KEY" --armor --detach-sign --output SHA256SUMS.asc SHA256SUMS ||
        die "gpg could not sign with key $KEY"
    echo "release-sums.sh: $DIR/SHA256SUMS and its signature SHA256SUMS.asc (key $KEY)"
else
    echo "release-sums.sh: $DIR/SHA256SUMS, unsigned (no --key)"
fi
