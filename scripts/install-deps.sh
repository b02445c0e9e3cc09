#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs, from Debian 12's packages, everything the build, the tests and the demo use.
# Usage: scripts/install-deps.sh [--web-shot] [--windows] [--release]
#   --web-shot   also the browser that takes the demo's screenshot of a box's web page
#   --windows    also the mingw-w64 cross compilers and wine, for the Windows build and its tests
#   --release    also what checks and signs a release: diffoscope (what differs between two
#                builds), gpg (the checksum file's signature), osslsigncode and openssl, unzip
set -euo pipefail
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
PACKAGES=(
    build-essential cmake ninja-build ccache clang libclang-rt-14-dev clang-format
    libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev
    qt6-base-dev qt6-base-dev-tools qt6-base-private-dev libqt6test6 libglib2.0-dev libglib2.0-bin
    xvfb xauth xdotool imagemagick fonts-arphic-uming fonts-wqy-zenhei fonts-dejavu-extra
    at-spi2-core python3-pyatspi
    iproute2 dbus-daemon nftables locales
    file dpkg-dev desktop-file-utils appstream mmdebstrap lintian
    samba samba-common-bin smbclient gvfs-backends gvfs-daemons gvfs-fuse fuse3
    ansible-core openssh-server openssh-client
)
for option in "$@"; do
    case "$option" in
    --web-shot) PACKAGES+=(chromium) ;;  # a box's web page, headless, on the namespace LAN
    # The -posix compilers (std::thread), GoogleTest's sources to build with them, wine to run
    # the result; icoutils for the program's icon, wixl and zip for the installer and the
    # portable archive (faketime stops wixl's clock at the release's time), msitools to read the
    # installer back; osslsigncode and openssl for the installer test's throwaway signature.
    --windows)
        PACKAGES+=(g++-mingw-w64-x86-64-posix mingw-w64-tools googletest wine64 wine
            icoutils wixl msitools zip faketime osslsigncode openssl) ;;
    --release) PACKAGES+=(diffoscope-minimal gpg osslsigncode openssl faketime unzip) ;;
    *) echo "install-deps.sh: unknown option $option" >&2; exit 2 ;;
    esac
done
missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
    # The SMB and SSH servers are for tests inside our own namespaces only: no package may start
    # them (or the name service, which announces itself on the LAN) in the machine's own namespace.
    if [ ! -e /usr/sbin/policy-rc.d ]; then
        printf '#!/bin/sh\nexit 101\n' | $SUDO tee /usr/sbin/policy-rc.d >/dev/null
        $SUDO chmod 0755 /usr/sbin/policy-rc.d
        trap '$SUDO rm -f /usr/sbin/policy-rc.d' EXIT
    fi
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
    # Installed here for the tests: not to be started at the next boot either.
    if [[ " ${missing[*]} " == *" samba "* ]] && [ -d /run/systemd/system ]; then
        $SUDO systemctl disable smbd nmbd samba-ad-dc >/dev/null 2>&1 || true
    fi
    if [[ " ${missing[*]} " == *" openssh-server "* ]] && [ -d /run/systemd/system ]; then
        $SUDO systemctl disable ssh ssh.socket >/dev/null 2>&1 || true
    fi
fi
# The code page tests run the programs under a German and a simplified-Chinese locale.
LOCALES=(de_DE.UTF-8 zh_CN.UTF-8)
generate=0
for l in "${LOCALES[@]}"; do
    if ! locale -a 2>/dev/null | grep -qix "${l/UTF-8/utf8}"; then
        grep -qE "^#? *$l UTF-8\$" /etc/locale.gen ||
            echo "$l UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
        $SUDO sed -i "s/^# *$l UTF-8\$/$l UTF-8/" /etc/locale.gen
        generate=1
    fi
done
[ "$generate" = 0 ] || $SUDO locale-gen
