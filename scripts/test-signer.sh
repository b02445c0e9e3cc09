#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A throwaway certificate authority and a code-signing certificate issued by it, made afresh for
# one test or CI run (never for a release): DIR/ca.pem (the authority's certificate, to verify
# against), DIR/signer.p12 (the signing certificate with its key and the chain) and
# DIR/signer.pass (the PKCS#12 file's random password). The authority's key is deleted once the
# certificate is issued, so nothing else can ever be signed in its name.
# Usage: scripts/test-signer.sh DIR    (DIR is made; it must not exist or be empty)
set -euo pipefail
DIR="${1:?usage: test-signer.sh DIR}"
mkdir -p "$DIR"
[ -z "$(ls -A "$DIR")" ] || { echo "test-signer.sh: $DIR is not empty" >&2; exit 1; }
command -v openssl >/dev/null || { echo "test-signer.sh: openssl is missing" >&2; exit 1; }
umask 077
cd "$DIR"
quiet() { "$@" >/dev/null 2>openssl.log || { cat openssl.log >&2; exit 1; }; }
quiet openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 2 -keyout ca.key -out ca.pem \
    -subj "/CN=Halvo throwaway test CA" -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign"
quiet openssl req -newkey rsa:2048 -nodes -sha256 -keyout signer.key -out signer.csr \
    -subj "/CN=Halvo throwaway test signer"
printf '%s\n' basicConstraints=critical,CA:FALSE keyUsage=critical,digitalSignature \
    extendedKeyUsage=codeSigning >signer.ext
quiet openssl x509 -req -sha256 -days 2 -in signer.csr -CA ca.pem -CAkey ca.key -set_serial 1 \
    -extfile signer.ext -out signer.pem
openssl rand -hex 24 >signer.pass
quiet openssl pkcs12 -export -in signer.pem -inkey signer.key -certfile ca.pem \
    -name "Halvo throwaway test signer" -passout file:signer.pass -out signer.p12
rm -f ca.key signer.key signer.csr signer.ext signer.pem ca.srl openssl.log
chmod 0644 ca.pem
