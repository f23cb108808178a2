#!/usr/bin/env bash
# Cross-builds static libsodium (the minimal build: signatures and codecs;
# scripts/build-sodium.options) for one Windows architecture from Debian's
# libsodium source package, into the same cache as libcurl, in a folder named
# after the options as build-curl.sh does. Once built, the check takes
# milliseconds.
#   build-sodium.sh x86_64|i686
set -euo pipefail

arch=$1
ZEN_CACHE=${ZEN_CACHE:-$HOME/.cache/zentaris}
. "$(dirname "$0")/apt.sh"
options_file=$(dirname "$0")/build-sodium.options
stamp=$(sha256sum "$options_file" | cut -c1-12)
prefix=$ZEN_CACHE/sodium-$arch-$stamp
[ -f "$prefix/.complete" ] && exit 0
mapfile -t options < <(grep -v '^[[:space:]]*\(#\|$\)' "$options_file")

src=$ZEN_CACHE/sodium-src
if [ ! -f "$src/.complete" ]; then
  # build-curl.sh has added the deb-src entry that apt-get source needs.
  rm -rf "$src" && mkdir -p "$src"
  if ! (cd "$src" && apt_retry source -qq --download-only libsodium); then
    echo "setup: could not fetch the source package libsodium; apt-get said:" >&2
    apt_cause >&2
    exit 1
  fi
  (cd "$src" && dpkg-source -x --no-check ./libsodium_*.dsc tree >/dev/null)
  touch "$src/.complete"
fi

build=$ZEN_CACHE/sodium-build-$arch-$stamp
rm -rf "$build" "$prefix"
echo "setup: cross-building libsodium for $arch with build-sodium.options $stamp (a minute, once)"
cp -a "$src/tree" "$build"
(
  cd "$build"
  # The source package carries no generated configure script.
  ./autogen.sh -s >"$build.log" 2>&1
  ./configure --host=$arch-w64-mingw32 CC=$arch-w64-mingw32-gcc-posix \
    --prefix="$prefix" "${options[@]}" >>"$build.log" 2>&1
  make -j"$(nproc)" >>"$build.log" 2>&1
  make install >>"$build.log" 2>&1
) || { tail -30 "$build.log"; exit 1; }
rm -rf "$build"
touch "$prefix/.complete"
