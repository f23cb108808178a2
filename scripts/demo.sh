#!/usr/bin/env bash
# The main job, start to end, under Wine: a portal on loopback, a fresh
# Wine prefix, and the launcher given launch commands as the protocol
# handler passes them.
#   demo.sh BUILD_DIR
set -uo pipefail
zen_src=$(cd "$(dirname "$0")/.." && pwd)
source "$zen_src/scripts/session.sh"
build=$(cd "${1:-build}" && pwd)
bin=$build/win64/bin

work=$(mktemp -d "${TMPDIR:-/tmp}/zen-demo.XXXXXX")
trap 'zen_session_end; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

step() { printf '\n== %s\n' "$*"; }
b64() { printf '%s' "$1" | base64 -w0; }

step "portal on 127.0.0.1:8780"
zen_portal_start 8780 "$zen_src/tests/portal/root" || exit 1
echo "serving $zen_src/tests/portal/root"

step "fresh Wine prefix"
zen_wine_start "$build/win64/wine-template" || exit 1
echo "prefix $WINEPREFIX, display $DISPLAY"

launch() {
  printf '\n$ ZentarisLauncher.exe %s\n' "$1"
  zen_wine "$bin/zen_run_answer.exe" "$bin/ZentarisLauncher.exe" "$1"
}

payload=$(b64 'Space Demo;HKCU\Software\ZentarisDemo\Space;InstallDir;space.exe;http://127.0.0.1:8780/games/space/;demo1')
step "launch commands"
launch "zentaris://launch/$payload"
launch "\"zentaris://launch/$payload\""
launch "zentaris:launch/$payload"
launch "zentaris://launch/Y="
launch ""
