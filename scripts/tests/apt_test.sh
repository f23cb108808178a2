#!/usr/bin/env bash
# Set-up against a package mirror that fails: stand-ins for apt-get and
# dpkg-query play the mirror, and each case checks what set-up did and said.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# apt-get stand-in: `update` fails the first $UPDATE_FAILS times (as a mirror
# in sync does), `install` marks its packages installed unless one is named
# in $UNKNOWN. Every call is logged.
cat >"$work/apt-get" <<'STUB'
#!/usr/bin/env bash
echo "$*" >>"$STATE/calls"
case $1 in
update)
  n=$(cat "$STATE/updates" 2>/dev/null || echo 0); echo $((n + 1)) >"$STATE/updates"
  if [ "$n" -lt "$UPDATE_FAILS" ]; then
    echo "E: Failed to fetch http://mirror/dists/bookworm/main/binary-i386/Packages.xz  File has unexpected size (1 != 2). Mirror sync in progress?"
    exit 100
  fi ;;
install)
  for p in "$@"; do
    if [ "$p" = "${UNKNOWN:-}" ]; then echo "E: Unable to locate package $p"; exit 100; fi
  done
  for p in "$@"; do case $p in -*) ;; *) echo "$p" >>"$STATE/installed" ;; esac; done ;;
esac
STUB
cat >"$work/dpkg-query" <<'STUB'
#!/usr/bin/env bash
grep -qx "${@: -1}" "$STATE/installed" 2>/dev/null && printf 'install ok installed'
STUB
chmod +x "$work/apt-get" "$work/dpkg-query"

# run NAME EXPECTED_STATUS UPDATE_FAILS UNKNOWN PRE_INSTALLED PACKAGES...
run() {
  local name=$1 expected=$2
  export UPDATE_FAILS=$3 UNKNOWN=$4 STATE="$work/$name"
  mkdir -p "$STATE"
  printf '%s\n' $5 >"$STATE/installed"
  shift 5
  APT_GET="$work/apt-get" DPKG_QUERY="$work/dpkg-query" APT_RETRY_PAUSE=0 \
    bash -c '. "$1/apt.sh"; shift; apt_install_missing "$@"' _ "$here" "$@" >"$STATE/out" 2>&1
  local status=$?
  if [ "$status" != "$expected" ]; then
    echo "FAIL $name: exit $status, expected $expected"; sed 's/^/  | /' "$STATE/out"; failed=1
  fi
}
expect() {  # NAME DESCRIPTION COMMAND...
  local name=$1 what=$2; shift 2
  if ! "$@"; then echo "FAIL $name: $what"; sed 's/^/  | /' "$work/$name/out"; failed=1; fi
}

run mirror-in-sync 0 9 "" "" zen-a zen-b
expect mirror-in-sync "went on and installed both" grep -qx zen-b "$work/mirror-in-sync/installed"
expect mirror-in-sync "tried the index three times" test "$(grep -c '^update' "$work/mirror-in-sync/calls")" = 3
expect mirror-in-sync "said why the index failed" grep -q "Mirror sync in progress" "$work/mirror-in-sync/out"

run second-try 0 1 "" "" zen-a
expect second-try "tried again" grep -q "attempt 1 of 3" "$work/second-try/out"
expect second-try "said nothing of a failed index" bash -c "! grep -q 'could not be updated' '$work/second-try/out'"

run unknown-package 1 0 zen-gone "" zen-a zen-gone
expect unknown-package "named the package" grep -q "could not install zen-a zen-gone" "$work/unknown-package/out"
expect unknown-package "gave apt's cause" grep -q "Unable to locate package zen-gone" "$work/unknown-package/out"

run all-there 0 9 zen-gone "zen-a zen-b" zen-a zen-b
expect all-there "asked no mirror" test ! -s "$work/all-there/calls"

if [ $failed = 0 ]; then echo "4 passed, 0 failed"; else exit 1; fi
