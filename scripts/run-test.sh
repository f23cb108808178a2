#!/usr/bin/env bash
# Runs one test program with what it needs around it, then cleans up.
#   run-test.sh [--wine TEMPLATE [--host]] PROGRAM [ARGS...]
# Environment:
#   ZEN_PORTAL=free   start the portal test server on a free loopback port
#   ZEN_PORTAL=fixed  start it on the built-in port, ZEN_PORTAL_FIXED_PORT (8780)
#   ZEN_PORTAL=sample start the sample portal there instead, signing with the
#                     demo key (ZEN_SIGNING_SEED), with ZEN_SAMPLE_PORTAL_ARGS
#   ZEN_PORTAL_ROOT   folder it serves (default: tests/portal/root)
#   ZEN_WINE_DPI      display scale of the Wine prefix (default 96)
# The test sees ZEN_PORTAL_URL (http://127.0.0.1:PORT/) and ZEN_PORTAL_PORT.
# With --wine the program runs under wine64 in a prefix cloned from TEMPLATE,
# with an Xvfb display of its own; the prefix is removed afterwards. With
# --host the program is a Linux one that drives Windows programs in that
# session (it sees WINEPREFIX, WINELOADER and DISPLAY).
set -uo pipefail

zen_src=$(cd "$(dirname "$0")/.." && pwd)
source "$zen_src/scripts/session.sh"
template= host=
if [ "${1:-}" = --wine ]; then template=$2; shift 2; fi
if [ "${1:-}" = --host ]; then host=1; shift; fi
prog=$1; shift

work=$(mktemp -d "${TMPDIR:-/tmp}/zen-test.XXXXXX")
trap 'zen_session_end; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

if [ "${ZEN_PORTAL:-}" = sample ]; then
  # A build with the portal's own keys has no seed to sign with.
  if [ -z "${ZEN_SIGNING_SEED:-}" ]; then
    echo "skipped: the sample portal needs this build's demo signing key (LaunchSigningKeys=generate)"
    exit 77
  fi
  # shellcheck disable=SC2086  # the arguments are words without spaces
  zen_sample_portal_start "${ZEN_PORTAL_FIXED_PORT:-8780}" --signing-key "$ZEN_SIGNING_SEED" \
    ${ZEN_SAMPLE_PORTAL_ARGS:-} || exit 2
elif [ -n "${ZEN_PORTAL:-}" ]; then
  case $ZEN_PORTAL in
    free) port=0 ;;
    fixed) port=${ZEN_PORTAL_FIXED_PORT:-8780} ;;
    *) echo "run-test: ZEN_PORTAL must be free, fixed or sample" >&2; exit 2 ;;
  esac
  zen_portal_start "$port" "${ZEN_PORTAL_ROOT:-$zen_src/tests/portal/root}" || exit 2
fi

if [ -z "$template" ]; then
  "$prog" "$@"
  exit $?
fi
# A template that cannot run this build's programs says why; CTest reports
# the test as skipped.
if [ -f "$template/.skip" ]; then
  echo "skipped: $(cat "$template/.skip")"
  exit 77
fi
zen_wine_start "$template" || exit 2
# ZEN_WINE_DPI: the display scale of this prefix (96 is 100 %), read by
# each Windows program as it starts.
# reg.exe has been seen to crash as it ends (a Wine fault, once in about
# twenty WoW64 runs); writing the value again is harmless, so it is tried
# up to three times.
if [ -n "${ZEN_WINE_DPI:-}" ]; then
  for attempt in 1 2 3; do
    zen_wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$ZEN_WINE_DPI" /f \
      >/dev/null 2>&1 && break
    [ $attempt = 3 ] && { echo "run-test: could not set the prefix's DPI" >&2; exit 2; }
  done
fi
if [ -n "$host" ]; then
  "$prog" "$@"
else
  zen_wine "$prog" "$@"
fi
