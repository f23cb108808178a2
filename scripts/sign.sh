#!/usr/bin/env bash
# Authenticode-signs Windows files in place (SHA-256), with the certificate
# the environment names; without one it signs nothing and says nothing, so
# that ordinary builds stay unsigned.
#   sign.sh FILE...
# Environment (a PFX, or a PEM pair):
#   ZEN_SIGN_PFX, ZEN_SIGN_PASSWORD      PKCS#12 file and its password
#   ZEN_SIGN_CERT, ZEN_SIGN_KEY          PEM certificate (chain) and key;
#   ZEN_SIGN_KEY_PASSWORD                the key's password, if it has one
#   ZEN_SIGN_TIMESTAMP                   optional RFC 3161 timestamp server URL
#   ZEN_SIGN_KEEP                        optional folder that keeps a copy of
#                                        each file signed (the uninstaller
#                                        exists only inside the installer)
set -euo pipefail

if [ -n "${ZEN_SIGN_PFX:-}" ]; then
  credentials=(-pkcs12 "$ZEN_SIGN_PFX" -pass "${ZEN_SIGN_PASSWORD:-}")
elif [ -n "${ZEN_SIGN_CERT:-}" ] && [ -n "${ZEN_SIGN_KEY:-}" ]; then
  credentials=(-certs "$ZEN_SIGN_CERT" -key "$ZEN_SIGN_KEY")
  [ -n "${ZEN_SIGN_KEY_PASSWORD:-}" ] && credentials+=(-pass "$ZEN_SIGN_KEY_PASSWORD")
else
  exit 0
fi
command -v osslsigncode >/dev/null || { echo "sign.sh: osslsigncode is not installed (scripts/setup.sh)" >&2; exit 1; }
timestamp=()
[ -n "${ZEN_SIGN_TIMESTAMP:-}" ] && timestamp=(-ts "$ZEN_SIGN_TIMESTAMP")

for file in "$@"; do
  signed="$file.signing"
  rm -f "$signed"
  osslsigncode sign "${credentials[@]}" -h sha256 -n "Zentaris" "${timestamp[@]}" \
    -in "$file" -out "$signed" >/dev/null
  mv -f "$signed" "$file"
  if [ -n "${ZEN_SIGN_KEEP:-}" ]; then
    mkdir -p "$ZEN_SIGN_KEEP"
    cp "$file" "$ZEN_SIGN_KEEP/"
  fi
  echo "signed $(basename "$file")"
done
