#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds, from a Windows build's programs, the installer halvo-<version>-x64.msi (wixl, from
# packaging/windows/halvo.wxs) and the portable archive halvo-<version>-x64.zip, each holding
# halvo.exe, halvoctl.exe, LICENSE.txt and README.txt (README.md's section for Windows users).
#
# Usage: scripts/windows-package.sh [options] [build-dir] [out-dir]
#                                   (defaults: build-win, the build dir)
#   --pkcs12 FILE         sign halvo.exe, halvoctl.exe (before they are packed) and the .msi
#                         with Authenticode (osslsigncode), with the certificate and key in FILE
#   --password-file FILE  the PKCS#12 file's password, its first line; without this option the
#                         password is asked for on the console. Never give it in argv or the
#                         environment.
#   --timestamp URL       countersign each signature at this RFC 3161 timestamp server, so that
#                         it stays valid after the certificate expires
#   --verify-ca FILE      then verify each signature against this CA certificate (PEM)
#   --signatures-of DIR   instead of signing, attach the signatures of the release in DIR (its
#                         .zip's programs and its .msi) to these files: from the same sources
#                         this gives the release's signed files byte for byte, without the key
#                         (with --verify-ca FILE when the signer's authority is not one of the
#                         system's)
# Without --pkcs12 or --signatures-of the files are built unsigned, and the script says so.
#
# The same programs give the same bytes, whenever and wherever this runs: every time recorded
# (archive members, cabinet entries, the installer's summary) is SOURCE_DATE_EPOCH from
# scripts/release-facts.sh, members are added in a fixed order with fixed modes, the product
# code is derived from the version and the package code from the installer's content (see
# below). A signature adds a signing time, so only unsigned files repeat byte for byte; the
# README says how a signed file relates to the unsigned one.
# HALVO_PACKAGE_VERSION=x.y.z gives the installer another version than the build's (the
# installer test makes a newer one of the same programs to upgrade with).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
die() {
    echo "windows-package.sh: $*" >&2
    exit 1
}
PKCS12="" PASSWORD_FILE="" TIMESTAMP="" VERIFY_CA="" SIGNATURES_OF=""
positional=()
while [ $# -gt 0 ]; do
    case "$1" in
    --pkcs12 | --password-file | --timestamp | --verify-ca | --signatures-of)
        [ $# -ge 2 ] || die "$1 needs a value"
        case "$1" in
        --pkcs12) PKCS12="$2" ;;
        --password-file) PASSWORD_FILE="$2" ;;
        --timestamp) TIMESTAMP="$2" ;;
        --verify-ca) VERIFY_CA="$2" ;;
        --signatures-of) SIGNATURES_OF="$2" ;;
        esac
        shift 2 ;;
    -*) die "unknown option $1" ;;
    *) positional+=("$1"); shift ;;
    esac
done
[ "${#positional[@]}" -le 2 ] || die "usage: windows-package.sh [options] [build-dir] [out-dir]"
if [ -n "$SIGNATURES_OF" ]; then
    [ -z "$PKCS12$PASSWORD_FILE$TIMESTAMP" ] ||
        die "--signatures-of signs nothing: no --pkcs12, --password-file or --timestamp"
    SIGNATURES_OF="$(cd "$SIGNATURES_OF" 2>/dev/null && pwd)" || die "no folder $SIGNATURES_OF"
elif [ -z "$PKCS12" ]; then
    [ -z "$PASSWORD_FILE$TIMESTAMP$VERIFY_CA" ] ||
        die "--password-file, --timestamp and --verify-ca need --pkcs12"
fi
BUILD="$(cd "${positional[0]:-$ROOT/build-win}" 2>/dev/null && pwd)" ||
    die "no build folder ${positional[0]:-$ROOT/build-win}"
OUT="${positional[1]:-$BUILD}"
mkdir -p "$OUT"
OUT="$(cd "$OUT" && pwd)"
tools=(wixl msibuild zip faketime)
[ -z "$PKCS12$SIGNATURES_OF" ] || tools+=(osslsigncode)
for tool in "${tools[@]}"; do
    command -v "$tool" >/dev/null || die "$tool is missing (scripts/install-deps.sh --windows)"
done
[ -z "$SIGNATURES_OF" ] || command -v unzip >/dev/null ||
    die "unzip is missing (scripts/install-deps.sh --release)"

env="$BUILD/windows-package.env"
[ -f "$env" ] || die "$env is missing: configure with 'cmake --preset windows' first"
HALVO_VERSION="" HALVO_EXE="" HALVO_ICON="" HALVOCTL_EXE=""
# shellcheck source=/dev/null
. "$env"
VERSION="${HALVO_PACKAGE_VERSION:-$HALVO_VERSION}"
[[ "$VERSION" =~ ^[0-9]{1,3}\.[0-9]{1,3}\.[0-9]{1,5}$ ]] ||
    die "version '$VERSION' is not major.minor.patch as Windows Installer counts them"
[ -n "$HALVO_EXE" ] || die "this build has no halvo.exe (no target halvo): no package without the program"
for file in "$HALVO_EXE" "$HALVOCTL_EXE" "$HALVO_ICON"; do
    [ -f "$file" ] || die "${file:-halvo.ico} is missing: build first (cmake --build --preset windows)"
done
# The release's time (the newest changelog entry), in UTC wherever this runs: cabinet and zip
# entries store local times.
# shellcheck source=scripts/release-facts.sh
. "$ROOT/scripts/release-facts.sh"
export TZ=UTC
RELEASE_TIME="$(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S')"

# The signing password, read once (from its file or the console) and handed to osslsigncode
# through a pipe, never through argv, the environment or a file of ours; cleared on exit.
PASSWORD=""
if [ -n "$PKCS12" ]; then
    [ -f "$PKCS12" ] || die "no PKCS#12 file $PKCS12"
    [ -z "$VERIFY_CA" ] || [ -f "$VERIFY_CA" ] || die "no CA certificate $VERIFY_CA"
    if [ -n "$PASSWORD_FILE" ]; then
        [ -r "$PASSWORD_FILE" ] || die "cannot read the password file $PASSWORD_FILE"
        IFS= read -r PASSWORD <"$PASSWORD_FILE" || [ -n "$PASSWORD" ] ||
            die "the password file $PASSWORD_FILE is empty"
    else
        { exec 4</dev/tty; } 2>/dev/null || die "no console to ask for the password: give --password-file"
        IFS= read -r -s -p "Password of $PKCS12: " PASSWORD <&4 2>/dev/tty || die "no password read"
        exec 4<&-
        echo >/dev/tty
    fi
fi
# Signs FILE in place; then, with --verify-ca, verifies it against that authority.
sign() {
    local file="$1" extra=()
    [ "${file##*.}" != msi ] || extra+=(-add-msi-dse)
    [ -z "$TIMESTAMP" ] || extra+=(-ts "$TIMESTAMP")
    osslsigncode sign -pkcs12 "$PKCS12" -readpass /dev/fd/3 -h sha256 -n "Halvo $VERSION" \
        "${extra[@]}" -in "$file" -out "$file.signed" >"$STAGE/sign.log" 2>&1 \
        3< <(printf '%s\n' "$PASSWORD") || die "signing $(basename "$file") failed: $(tail -n 3 "$STAGE/sign.log")"
    mv "$file.signed" "$file"
    if [ -n "$VERIFY_CA" ]; then
        osslsigncode verify -CAfile "$VERIFY_CA" -in "$file" >"$STAGE/verify.log" 2>&1 ||
            die "the signature of $(basename "$file") does not verify: $(tail -n 5 "$STAGE/verify.log")"
        echo "windows-package.sh: $(basename "$file"): $(grep -m 1 '^Signature verification' "$STAGE/verify.log")"
    fi
}
# FILE gets the signature of SIGNED (the same file as released): extracted as PEM, which every
# osslsigncode version reads back, and attached. attach-signature checks the result.
attach() {
    local file="$1" signed="$2" label="$3" extra=()
    [ "${file##*.}" != msi ] || extra+=(-add-msi-dse)
    [ -z "$VERIFY_CA" ] || extra+=(-CAfile "$VERIFY_CA")
    rm -f "$STAGE/signature.pem"
    osslsigncode extract-signature -pem -in "$signed" -out "$STAGE/signature.pem" \
        >"$STAGE/sign.log" 2>&1 || die "$label has no signature: $(tail -n 3 "$STAGE/sign.log")"
    osslsigncode attach-signature -sigin "$STAGE/signature.pem" "${extra[@]}" -in "$file" \
        -out "$file.signed" >"$STAGE/sign.log" 2>&1 || {
        rm -f "$file.signed"
        die "the signature of $label does not fit this $(basename "$file"), which differs" \
            "from the signed one: $(grep -m 1 -i mismatch "$STAGE/sign.log")"
    }
    mv "$file.signed" "$file"
    echo "windows-package.sh: $(basename "$file"): the signature of $label attached"
}

STAGE="$(mktemp -d)"
trap 'PASSWORD=""; rm -rf "$STAGE"' EXIT
NAME="halvo-$VERSION-x64"
FILES="$STAGE/$NAME"
mkdir "$FILES"
cp "$HALVO_EXE" "$FILES/halvo.exe"
cp "$HALVOCTL_EXE" "$FILES/halvoctl.exe"
if [ -n "$PKCS12" ]; then
    sign "$FILES/halvo.exe"
    sign "$FILES/halvoctl.exe"
elif [ -n "$SIGNATURES_OF" ]; then
    unzip -q "$SIGNATURES_OF/$NAME.zip" "$NAME/halvo.exe" "$NAME/halvoctl.exe" -d "$STAGE/release" ||
        die "cannot read the programs of $SIGNATURES_OF/$NAME.zip"
    for program in halvo.exe halvoctl.exe; do
        attach "$FILES/$program" "$STAGE/release/$NAME/$program" "$NAME.zip's $program"
    done
fi
# Text files with Windows line ends. README.txt is the README's "Install on Windows" section up
# to its part on building, so that the two never disagree.
crlf() { sed 's/\r*$/\r/'; }
crlf <"$ROOT/LICENSE" >"$FILES/LICENSE.txt"
section="$(awk '/^## Install on Windows/ { on = 1; next }
                on && (/^## / || /^### Building/) { exit }
                on && !/^!\[/' "$ROOT/README.md")"
[ -n "$section" ] || die "README.md has no '## Install on Windows' section"
{
    echo "Halvo $VERSION for Windows (x64)"
    echo
    echo "$section"
    echo
    echo "Halvo is free software under the GNU General Public License, version 3 or later:"
    echo "see LICENSE.txt."
} | cat -s | crlf >"$FILES/README.txt"
cp "$HALVO_ICON" "$FILES/halvo.ico"
# Whatever the umask and the build's clock: fixed modes, every entry at the release's time.
chmod 0755 "$FILES" "$FILES/halvo.exe" "$FILES/halvoctl.exe"
chmod 0644 "$FILES/LICENSE.txt" "$FILES/README.txt" "$FILES/halvo.ico"
touch -d "@$SOURCE_DATE_EPOCH" "$FILES" "$FILES"/*

# A name-based identifier: the SHA-256 of the text, laid out as a version-5 style UUID.
uuid_of() {
    local h
    h="$(printf '%s' "$1" | sha256sum | cut -c1-32 | tr a-f A-F)"
    printf '{%s-%s-5%s-%X%s-%s}' "${h:0:8}" "${h:8:4}" "${h:13:3}" \
        "$(((16#${h:16:1} & 3) | 8))" "${h:17:3}" "${h:20:12}"
}

# The installer. wixl reads the files relative to the folder it runs in, and has no Environment
# element: the table that puts the folder on the system PATH, and the two standard actions that
# write and remove it, are added to the database afterwards.
# Identifiers: the upgrade code is fixed in halvo.wxs; the product code is derived from the
# version, so that one version always has the same one and every version a new one (what a
# major upgrade needs). The package code must differ whenever the installer's content differs:
# it is derived from the finished installer itself, built first with a zero package code.
# wixl writes the clock's time into the summary's created and saved times: it runs with the
# clock stopped at the release's time (faketime).
MSI="$OUT/$NAME.msi"
rm -f "$MSI"
PRODUCT_CODE="$(uuid_of "halvo x64 product $VERSION")"
(cd "$FILES" && faketime -f "$RELEASE_TIME" wixl --arch x64 -D "Version=$VERSION" \
    -D "ProductCode=$PRODUCT_CODE" -D SourceDir=. --output "$MSI" \
    "$ROOT/packaging/windows/halvo.wxs")
rm "$FILES/halvo.ico" # the archive's programs carry it already
touch -d "@$SOURCE_DATE_EPOCH" "$FILES"
# Name "=-*PATH": set at install, taken away at removal, the system's variable; "[~];" appends.
printf '%s\t%s\t%s\t%s\n' Environment Name Value Component_ s72 l255 L255 s72 \
    >"$STAGE/Environment.idt"
printf 'Environment\tEnvironment\nPathEntry\t=-*PATH\t[~];[INSTALLDIR]\tCommandLine\n' \
    >>"$STAGE/Environment.idt"
sequence() {
    echo "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('$1', $2)"
}
# msibuild -s sets the summary's subject, author, template and package code: the first three
# as wixl wrote them.
(cd "$STAGE" && msibuild "$MSI" -i Environment.idt \
    -q "$(sequence RemoveEnvironmentStrings 3300)" -q "$(sequence WriteEnvironmentStrings 5200)" \
    -s "Halvo $VERSION" "The Halvo developers" "x64;1033" "{00000000-0000-0000-0000-000000000000}")
PACKAGE_CODE="$(uuid_of "halvo x64 package $(sha256sum <"$MSI" | cut -c1-64)")"
msibuild "$MSI" -s "Halvo $VERSION" "The Halvo developers" "x64;1033" "$PACKAGE_CODE"
[ -z "$PKCS12" ] || sign "$MSI"
if [ -n "$SIGNATURES_OF" ]; then
    [ -f "$SIGNATURES_OF/$NAME.msi" ] || die "$SIGNATURES_OF has no $NAME.msi"
    attach "$MSI" "$SIGNATURES_OF/$NAME.msi" "$NAME.msi"
fi

# The portable archive: one folder, the same four files, in name order, without extra fields
# (-X: no owner ids or further time stamps).
ZIP="$OUT/$NAME.zip"
rm -f "$ZIP"
(cd "$STAGE" && find "$NAME" -print | LC_ALL=C sort | zip -q -X -9 -@ "$ZIP")

for f in "$MSI" "$ZIP" "$FILES/halvo.exe" "$FILES/halvoctl.exe"; do
    printf '%-24s %9d bytes\n' "$(basename "$f")" "$(stat -c %s "$f")"
done
if [ -n "$SIGNATURES_OF" ]; then
    echo "windows-package.sh: halvo.exe, halvoctl.exe and $NAME.msi carry the signatures of" \
        "$SIGNATURES_OF"
elif [ -n "$PKCS12" ]; then
    echo "windows-package.sh: halvo.exe, halvoctl.exe and $NAME.msi signed with" \
        "$PKCS12${TIMESTAMP:+, timestamped by $TIMESTAMP}"
else
    echo "windows-package.sh: unsigned (no --pkcs12): halvo.exe, halvoctl.exe and $NAME.msi" \
        "carry no signature"
fi
echo "windows-package.sh: $MSI and $ZIP"
