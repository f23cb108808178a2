#!/usr/bin/env bash
# The release signing step with a throw-away certificate: both programs of
# each architecture signed as the build signs them, the installer and the
# uninstaller inside it as makensis writes them; every file verifies
# against that certificate. The build's own files stay unsigned.
#   signing_test.sh SOURCE_DIR BIN BIN64 VERSION NAMES
set -uo pipefail
src=$1 bin=$2 bin64=$3 version=$4 names=$5
for tool in osslsigncode openssl makensis; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed (scripts/setup.sh)"; exit 77; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/zen-sign.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
check() { if "$@" >"$work/check.out" 2>&1; then echo "ok: $*"; else echo "FAILED: $*"; cat "$work/check.out"; failures=$((failures + 1)); fi; }
verifies() { osslsigncode verify -CAfile "$work/cert.pem" -in "$1" | grep -q "^Signature verification: ok"; }
unsigned() { ! osslsigncode verify -in "$1" >/dev/null 2>&1; }

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Zentaris test signing" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -in "$work/cert.pem" -inkey "$work/key.pem" -passout pass:test-secret \
  -out "$work/test.pfx"

# Nothing signs without a certificate.
if [ -z "${ZEN_SIGN_PFX:-}${ZEN_SIGN_CERT:-}" ]; then
  check unsigned "$bin/ZentarisLauncher.exe"
  check unsigned "$bin/Zentaris-Setup-i686.exe"
fi

mkdir -p "$work/bin" "$work/bin64"
cp "$bin/ZentarisLauncher.exe" "$bin/zenproto.dll" "$work/bin/"
cp "$bin64/zenproto.dll" "$work/bin64/"
# A PEM pair for the programs, a PFX for the installer: both ways work.
ZEN_SIGN_CERT=$work/cert.pem ZEN_SIGN_KEY=$work/key.pem ZEN_SIGN_PFX= \
  "$src/scripts/sign.sh" "$work/bin/ZentarisLauncher.exe" "$work/bin/zenproto.dll" "$work/bin64/zenproto.dll"
ZEN_SIGN_PFX=$work/test.pfx ZEN_SIGN_PASSWORD=test-secret ZEN_SIGN_KEEP=$work/kept \
  makensis -V2 -DARCH=x86 -DBIN="$work/bin" -DBIN64="$work/bin64" -DVERSION="$version" -DNAMES="$names" \
  -DSIGN="$src/scripts/sign.sh" -DOUTFILE="$work/Zentaris-Setup-i686.exe" "$src/installer/zentaris.nsi" \
  >"$work/makensis.out" 2>&1 || { cat "$work/makensis.out"; exit 1; }

for file in "$work/bin/ZentarisLauncher.exe" "$work/bin/zenproto.dll" "$work/bin64/zenproto.dll" \
            "$work/Zentaris-Setup-i686.exe"; do
  check verifies "$file"
done
# The uninstaller is signed before it is packed: the copy kept on the way.
uninstallers=$(ls "$work/kept" | grep -v '^Zentaris-Setup-i686.exe$')
check test "$(echo "$uninstallers" | wc -w)" = 1
check verifies "$work/kept/$uninstallers"
# A file changed after signing no longer verifies.
printf 'x' >> "$work/bin/zenproto.dll"
check eval '! verifies "$work/bin/zenproto.dll"'
exit $((failures > 0))
