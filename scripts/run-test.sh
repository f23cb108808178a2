#!/usr/bin/env bash
# Runs one test program with what it needs around it, then cleans up.
#   run-test.sh [--wine TEMPLATE] PROGRAM [ARGS...]
# Environment:
#   ZEN_PORTAL=free   start the portal test server on a free loopback port
#   ZEN_PORTAL=fixed  start it on the built-in port, ZEN_PORTAL_FIXED_PORT (8780)
#   ZEN_PORTAL_ROOT   folder it serves (default: tests/portal/root)
# The test sees ZEN_PORTAL_URL (http://127.0.0.1:PORT/) and ZEN_PORTAL_PORT.
# With --wine the program runs under wine64 in a prefix cloned from TEMPLATE,
# with an Xvfb display of its own; the prefix is removed afterwards.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
src=$(dirname "$here")
template=
if [ "${1:-}" = --wine ]; then template=$2; shift 2; fi
prog=$1; shift

work=$(mktemp -d "${TMPDIR:-/tmp}/zen-test.XXXXXX")
pids=()
cleanup() {
  if [ -n "$template" ] && [ -d "$work/prefix" ]; then
    WINEPREFIX=$work/prefix /usr/lib/wine/wineserver -k >/dev/null 2>&1
    WINEPREFIX=$work/prefix /usr/lib/wine/wineserver -w >/dev/null 2>&1
  fi
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Reads the first line a background helper prints, within a bound.
first_line() { local line; read -r -t 20 line <&"$1" && echo "$line"; }

if [ -n "${ZEN_PORTAL:-}" ]; then
  case $ZEN_PORTAL in
    free) port=0 ;;
    fixed) port=${ZEN_PORTAL_FIXED_PORT:-8780} ;;
    *) echo "run-test: ZEN_PORTAL must be free or fixed" >&2; exit 2 ;;
  esac
  exec {pf}< <(exec python3 "$src/tests/portal/portal_server.py" --port "$port" \
                 --root "${ZEN_PORTAL_ROOT:-$src/tests/portal/root}" 2>"$work/portal.log")
  pids+=($!)
  port=$(first_line "$pf") || { echo "run-test: portal server did not start" >&2; cat "$work/portal.log" >&2; exit 2; }
  export ZEN_PORTAL_PORT=$port ZEN_PORTAL_URL="http://127.0.0.1:$port/"
fi

if [ -z "$template" ]; then
  "$prog" "$@"
  exit $?
fi

[ -f "$template/.complete" ] || "$here/wine-template.sh" "$template" || exit 2
# A clone of the template is far cheaper than a new prefix (1.5 s against 15).
cp -a "$template" "$work/prefix"
export WINEPREFIX=$work/prefix WINELOADER=/usr/lib/wine/wine64 WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="

exec {xf}< <(exec Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null)
pids+=($!)
display=$(first_line "$xf") || { echo "run-test: Xvfb did not start" >&2; exit 2; }
export DISPLAY=:$display

# A persistent wineserver started with its output away from ours keeps the
# test's pipes free of Wine's helper processes.
/usr/lib/wine/wineserver -p >/dev/null 2>&1 </dev/null
"$WINELOADER" "$prog" "$@" >"$work/out" 2>&1 </dev/null
rc=$?
cat "$work/out"
exit $rc
