#!/usr/bin/env bash
# Cross-builds static libcurl (Schannel, nothing optional) for one Windows
# architecture from Debian's curl source package. The result is cached outside
# the checkout and reused: the build takes minutes, the check milliseconds.
#   build-curl.sh x86_64|i686
set -euo pipefail

arch=$1
ZEN_CACHE=${ZEN_CACHE:-$HOME/.cache/zentaris}
prefix=$ZEN_CACHE/curl-$arch
[ -f "$prefix/.complete" ] && exit 0

. "$(dirname "$0")/apt.sh"

src=$ZEN_CACHE/curl-src
if [ ! -f "$src/.complete" ]; then
  # apt-get source needs a deb-src entry; derive one from the machine's own
  # package sources so the same mirror is used.
  if ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -f "$f" ] || continue
      sed 's/^Types:.*/Types: deb-src/' "$f" | as_root tee "/etc/apt/sources.list.d/zentaris-src-$(basename "$f")" >/dev/null
    done
    if [ -f /etc/apt/sources.list ]; then
      sed -n 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list | as_root tee /etc/apt/sources.list.d/zentaris-src.list >/dev/null
    fi
    if ! apt_retry update -qq; then
      echo "setup: the package index could not be updated with its sources:" >&2
      apt_cause >&2
    fi
  fi
  rm -rf "$src" && mkdir -p "$src"
  if ! (cd "$src" && apt_retry source -qq --download-only curl); then
    echo "setup: could not fetch the source package curl; apt-get said:" >&2
    apt_cause >&2
    exit 1
  fi
  (cd "$src" && dpkg-source -x --no-check ./curl_*.dsc tree >/dev/null)
  touch "$src/.complete"
fi

build=$ZEN_CACHE/curl-build-$arch
rm -rf "$build" "$prefix"
echo "setup: cross-building libcurl for $arch (a few minutes, once)"
cmake -S "$src/tree" -B "$build" -G Ninja \
  -DCMAKE_SYSTEM_NAME=Windows \
  -DCMAKE_C_COMPILER=$arch-w64-mingw32-gcc-posix \
  -DCMAKE_RC_COMPILER=$arch-w64-mingw32-windres \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DBUILD_SHARED_LIBS=OFF -DCURL_USE_SCHANNEL=ON -DBUILD_CURL_EXE=OFF \
  -DBUILD_TESTING=OFF -DCURL_USE_LIBPSL=OFF -DCURL_USE_LIBSSH2=OFF \
  -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF \
  -DUSE_LIBIDN2=OFF -DCURL_DISABLE_LDAP=ON -DENABLE_MANUAL=OFF >"$build.log" 2>&1 \
  || { tail -30 "$build.log"; exit 1; }
cmake --build "$build" >>"$build.log" 2>&1 || { tail -30 "$build.log"; exit 1; }
cmake --install "$build" >>"$build.log" 2>&1
rm -rf "$build"
touch "$prefix/.complete"
