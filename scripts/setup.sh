#!/usr/bin/env bash
# Installs what the builds and tests need, once; a second run only checks.
#   - Debian packages: both mingw-w64 toolchains, widl, Wine (64-bit), Xvfb,
#     CMake, clang for the fuzzers, Debian's libcurl and GoogleTest sources,
#     Chromium and xdotool for the road from a real browser.
#   - Chromium's managed policy letting pages on loopback open zentaris:
#     links without asking (the tests' portal is there; nothing else is
#     allowed).
#   - libcurl for Windows (static, Schannel) and libsodium (signatures),
#     cross-built from Debian's source packages into a cache outside the
#     checkout ($ZEN_CACHE).
set -euo pipefail

ZEN_CACHE=${ZEN_CACHE:-$HOME/.cache/zentaris}
here=$(cd "$(dirname "$0")" && pwd)

packages=(
  build-essential cmake ninja-build pkg-config python3 clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  gcc-mingw-w64-x86-64-posix gcc-mingw-w64-i686-posix
  mingw-w64-tools binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 libwine-dev xvfb x11-apps xauth
  libcurl4-openssl-dev googletest libgtest-dev dpkg-dev nsis
  curl libsodium-dev autoconf automake libtool libc6-i386 ccache
  chromium xdotool xdg-utils osslsigncode openssl
  php-cli nodejs python3-yaml python3-jsonschema redis-server python3-redis
)

. "$here/apt.sh"

apt_install_missing "${packages[@]}"

# The shipped build is 32-bit: where this machine can run 32-bit programs,
# Wine's 32-bit half lets the tests run it (in a WoW64 prefix). Elsewhere the
# 32-bit tests are skipped, saying why.
if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  if ! apt_installed wine32:i386; then
    echo "setup: 32-bit Windows programs under Wine need wine32:i386"
    dpkg --print-foreign-architectures | grep -qx i386 || as_root dpkg --add-architecture i386
    apt_install_missing wine32:i386
  fi
else
  echo "setup: this machine does not run 32-bit programs; the win32 tests will be skipped"
fi

policy=/etc/chromium/policies/managed/zentaris-tests.json
policy_text='{"AutoLaunchProtocolsFromOrigins": [{"protocol": "zentaris", "allowed_origins": ["http://127.0.0.1"]}]}'
if [ "$(cat "$policy" 2>/dev/null)" != "$policy_text" ]; then
  echo "setup: writing $policy"
  as_root mkdir -p "$(dirname "$policy")"
  printf '%s\n' "$policy_text" | as_root tee "$policy" >/dev/null
fi

"$here/build-curl.sh" x86_64
"$here/build-curl.sh" i686
"$here/build-sodium.sh" x86_64
"$here/build-sodium.sh" i686
echo "setup: ready (cache $ZEN_CACHE)"
