#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds, from a Windows build's programs, the installer halvo-<version>-x64.msi (wixl, from
# packaging/windows/halvo.wxs) and the portable archive halvo-<version>-x64.zip, each holding
# halvo.exe, halvoctl.exe, LICENSE.txt and README.txt (README.md's section for Windows users).
# Usage: scripts/windows-package.sh [build-dir] [out-dir]   (defaults: build-win, the build dir)
# HALVO_PACKAGE_VERSION=x.y.z gives the installer another version than the build's (the
# installer test makes a newer one of the same programs to upgrade with).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
die() {
    echo "windows-package.sh: $*" >&2
    exit 1
}
BUILD="$(cd "${1:-$ROOT/build-win}" 2>/dev/null && pwd)" || die "no build folder ${1:-$ROOT/build-win}"
OUT="${2:-$BUILD}"
mkdir -p "$OUT"
OUT="$(cd "$OUT" && pwd)"
for tool in wixl msibuild zip; do
    command -v "$tool" >/dev/null || die "$tool is missing (scripts/install-deps.sh --windows)"
done

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

STAGE="$(mktemp -d)"
trap 'rm -rf "$STAGE"' EXIT
NAME="halvo-$VERSION-x64"
FILES="$STAGE/$NAME"
mkdir "$FILES"
cp "$HALVO_EXE" "$FILES/halvo.exe"
cp "$HALVOCTL_EXE" "$FILES/halvoctl.exe"
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

# The installer. wixl reads the files relative to the folder it runs in, and has no Environment
# element: the table that puts the folder on the system PATH, and the two standard actions that
# write and remove it, are added to the database afterwards.
MSI="$OUT/$NAME.msi"
rm -f "$MSI"
cp "$HALVO_ICON" "$FILES/halvo.ico"
(cd "$FILES" && wixl --arch x64 -D "Version=$VERSION" -D SourceDir=. --output "$MSI" \
    "$ROOT/packaging/windows/halvo.wxs")
rm "$FILES/halvo.ico" # the archive's programs carry it already
# Name "=-*PATH": set at install, taken away at removal, the system's variable; "[~];" appends.
printf '%s\t%s\t%s\t%s\n' Environment Name Value Component_ s72 l255 L255 s72 \
    >"$STAGE/Environment.idt"
printf 'Environment\tEnvironment\nPathEntry\t=-*PATH\t[~];[INSTALLDIR]\tCommandLine\n' \
    >>"$STAGE/Environment.idt"
sequence() {
    echo "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('$1', $2)"
}
(cd "$STAGE" && msibuild "$MSI" -i Environment.idt \
    -q "$(sequence RemoveEnvironmentStrings 3300)" -q "$(sequence WriteEnvironmentStrings 5200)")

# The portable archive: one folder, the same four files.
ZIP="$OUT/$NAME.zip"
rm -f "$ZIP"
(cd "$STAGE" && zip -q -X -9 -r "$ZIP" "$NAME")

for f in "$MSI" "$ZIP" "$FILES/halvo.exe" "$FILES/halvoctl.exe"; do
    printf '%-24s %9d bytes\n' "$(basename "$f")" "$(stat -c %s "$f")"
done
echo "windows-package.sh: $MSI and $ZIP"
