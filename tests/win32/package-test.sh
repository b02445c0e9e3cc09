#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# scripts/windows-package.sh as a release needs it (no wine): the same programs packed twice, the
# second time later, in another time zone and under another umask, give the same .msi and .zip;
# every time they record is the changelog's (SOURCE_DATE_EPOCH); the .zip's entries come in name
# order; the product code is the same for one version and new with the next, the package code
# new whenever the content is; a release's signatures attached to the same programs give the
# signed files byte for byte, and refuse to fit a different installer.
# Usage: package-test.sh BUILD-DIR SOURCE-ROOT
set -euo pipefail
BUILD="$1" ROOT="$2"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
# shellcheck source=scripts/release-facts.sh
. "$ROOT/scripts/release-facts.sh"
package() { bash "$ROOT/scripts/windows-package.sh" "$@" >>"$WORK/package.log" 2>&1; }
property() { msiinfo export "$1" Property | tr -d '\r' | awk -v p="$2" '$1 == p { print $2 }'; }
summary() { TZ=UTC msiinfo suminfo "$1" | sed -n "s/^$2: //p"; }
NAME="halvo-$HALVO_VERSION-x64"
IFS=. read -r major minor patch <<<"$HALVO_VERSION"
NEXT="$major.$minor.$((patch + 1))"

package "$BUILD" "$WORK/a"
sleep 1.1
(umask 0002 && TZ=Pacific/Auckland package "$BUILD" "$WORK/b")
HALVO_PACKAGE_VERSION="$NEXT" package "$BUILD" "$WORK/next"
for ext in msi zip; do
    cmp -s "$WORK/a/$NAME.$ext" "$WORK/b/$NAME.$ext" || fail "$NAME.$ext differs when packed again"
done

# The installer's summary and the archive's entries carry the release's time, nothing else.
release="$(TZ=UTC date -d "@$SOURCE_DATE_EPOCH" '+%a %b %e %H:%M:%S %Y')"
for field in Created "Last saved"; do
    [ "$(summary "$WORK/a/$NAME.msi" "$field")" = "$release" ] ||
        fail "the installer's '$field' is '$(summary "$WORK/a/$NAME.msi" "$field")', not $release"
done
stamp="$(TZ=UTC date -d "@$SOURCE_DATE_EPOCH" +%Y%m%d.%H%M%S)"
mapfile -t entries < <(unzip -Z -T "$WORK/a/$NAME.zip" |
    awk 'NF == 8 && $1 ~ /^[-d]/ { print $7 " " $8 }')
[ "${#entries[@]}" = 5 ] || fail "the archive has ${#entries[@]} entries, not 5"
for entry in "${entries[@]}"; do
    [ "${entry%% *}" = "$stamp" ] || fail "archive entry ${entry#* } is dated ${entry%% *}, not $stamp"
done
names="$(printf '%s\n' "${entries[@]#* }")"
[ "$names" = "$(LC_ALL=C sort <<<"$names")" ] || fail "the archive's entries are not in name order"

# Identifiers: one version, one product code; the next version gets new product and package
# codes and keeps the upgrade code.
a="$WORK/a/$NAME.msi" next="$WORK/next/halvo-$NEXT-x64.msi"
[ "$(property "$a" ProductVersion)" = "$HALVO_VERSION" ] ||
    fail "the installer's version is not $HALVO_VERSION"
[ "$(property "$a" ProductCode)" != "$(property "$next" ProductCode)" ] ||
    fail "$HALVO_VERSION and $NEXT have one product code"
[ "$(property "$a" UpgradeCode)" = "$(property "$next" UpgradeCode)" ] ||
    fail "$HALVO_VERSION and $NEXT have different upgrade codes"
code="$(summary "$a" 'Revision number (UUID)')"
if [[ ! "$code" =~ ^\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\}$ ]] ||
    [ "$code" = "{00000000-0000-0000-0000-000000000000}" ]; then
    fail "the package code is '$code'"
fi
[ "$code" != "$(summary "$next" 'Revision number (UUID)')" ] ||
    fail "$HALVO_VERSION and $NEXT have one package code"

# Signed with a throwaway authority; its signatures attached to the same programs give the
# signed files again; attached to another version's installer they do not fit.
bash "$ROOT/scripts/test-signer.sh" "$WORK/signer"
package --pkcs12 "$WORK/signer/signer.p12" --password-file "$WORK/signer/signer.pass" \
    --verify-ca "$WORK/signer/ca.pem" "$BUILD" "$WORK/signed" || fail "signing failed"
package --signatures-of "$WORK/signed" --verify-ca "$WORK/signer/ca.pem" "$BUILD" "$WORK/again" ||
    fail "attaching the signatures failed"
for ext in msi zip; do
    cmp -s "$WORK/signed/$NAME.$ext" "$WORK/again/$NAME.$ext" ||
        fail "$NAME.$ext with the signatures attached is not the signed one"
done
# The signed installer of the next version, under this version's name: its signature must not fit.
HALVO_PACKAGE_VERSION="$NEXT" package --pkcs12 "$WORK/signer/signer.p12" \
    --password-file "$WORK/signer/signer.pass" "$BUILD" "$WORK/signed-next" || fail "signing $NEXT failed"
mkdir "$WORK/other"
cp "$WORK/signed/$NAME.zip" "$WORK/other/"
cp "$WORK/signed-next/halvo-$NEXT-x64.msi" "$WORK/other/$NAME.msi"
if package --signatures-of "$WORK/other" --verify-ca "$WORK/signer/ca.pem" "$BUILD" "$WORK/mismatch"; then
    fail "another installer's signature was attached without complaint"
fi
grep -q "does not fit this $NAME.msi" "$WORK/package.log" ||
    fail "the refused signature was not reported: $(tail -n 2 "$WORK/package.log")"

if [ "$failures" -gt 0 ]; then
    cat "$WORK/package.log" >&2
    echo "package-test.sh: $failures check(s) failed" >&2
    exit 1
fi
echo "package-test.sh: packed twice identically, times, order, codes and signatures as expected"
