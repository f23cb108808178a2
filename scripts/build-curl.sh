#!/usr/bin/env bash
# Cross-builds static libcurl (http and https through Schannel, nothing else:
# scripts/build-curl.options) for one Windows architecture from Debian's curl
# source package. The result is cached outside the checkout and reused: the
# build takes minutes, the check milliseconds. The cache folder is named
# after the options (a stamp of build-curl.options, as cmake/ZenSettings.cmake
# computes it too), so changed options are built once, beside the builds of
# other checkouts.
#   build-curl.sh x86_64|i686
set -euo pipefail

arch=$1
ZEN_CACHE=${ZEN_CACHE:-$HOME/.cache/zentaris}
options_file=$(dirname "$0")/build-curl.options
stamp=$(sha256sum "$options_file" | cut -c1-12)
prefix=$ZEN_CACHE/curl-$arch-$stamp
[ -f "$prefix/.complete" ] && exit 0
mapfile -t options < <(grep -v '^[[:space:]]*\(#\|$\)' "$options_file")

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

build=$ZEN_CACHE/curl-build-$arch-$stamp
rm -rf "$build" "$prefix"
echo "setup: cross-building libcurl for $arch with build-curl.options $stamp (a few minutes, once)"
cmake -S "$src/tree" -B "$build" -G Ninja \
  -DCMAKE_SYSTEM_NAME=Windows \
  -DCMAKE_C_COMPILER=$arch-w64-mingw32-gcc-posix \
  -DCMAKE_RC_COMPILER=$arch-w64-mingw32-windres \
  -DCMAKE_INSTALL_PREFIX="$prefix" "${options[@]}" >"$build.log" 2>&1 \
  || { tail -30 "$build.log"; exit 1; }
cmake --build "$build" >>"$build.log" 2>&1 || { tail -30 "$build.log"; exit 1; }
cmake --install "$build" >>"$build.log" 2>&1
rm -rf "$build"
touch "$prefix/.complete"
