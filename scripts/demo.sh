#!/usr/bin/env bash
# The main job, from the installer to a started game, under Wine against the
# sample portal on loopback. Prints its evidence; leaves nothing running.
#   demo.sh BUILD_DIR
set -uo pipefail
zen_src=$(cd "$(dirname "$0")/.." && pwd)
source "$zen_src/scripts/session.sh"
build=$(cd "${1:-build}" && pwd)
bin64=$build/win64/bin
# What users get: the 32-bit release installer, run in a WoW64 prefix as on
# 64-bit Windows. A machine whose Wine runs no 32-bit programs shows the
# amd64 build instead.
if "$zen_src/scripts/wine-template.sh" "$build/win32/wine-template" --wow64 >/dev/null; then
  bin=$build/win32/bin setup=Zentaris-Setup-i686.exe template=$build/win32/wine-template
  installed='C:\Program Files (x86)\Zentaris' view=/reg:32
else
  echo "(this machine's Wine runs no 32-bit programs: showing the amd64 build)"
  bin=$bin64 setup=Zentaris-Setup-x86_64.exe template=$build/win64/wine-template
  installed='C:\Program Files\Zentaris' view=/reg:64
fi
out=$build/demo
. "$build/win64/contract/generated/shared_names.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/zen-demo.XXXXXX")
trap 'zen_session_end; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
rm -rf "$out" && mkdir -p "$out"

step() { printf '\n== %s\n' "$*"; }
reg_query() { zen_wine reg query "$@" | tr -d '\r' | sed '/^$/d'; }
winpath() { printf 'Z:%s' "${1//\//\\}"; }
unixpath() { zen_wine winepath -u "$1" | tr -d '\r'; }
# Waits (bounded) for a file that a Windows program writes.
wait_file() { local i; for i in $(seq 100); do [ -s "$1" ] && return 0; sleep 0.1; done; return 1; }

# The sample portal listens where the launcher looks for its portal.
port=$(sed -n 's|^PortalBaseUrl:STRING=http://127\.0\.0\.1:\([0-9]*\)/$|\1|p' "$build/win32/CMakeCache.txt")
port=${port:-8780}

step "sample portal on 127.0.0.1:$port"
# It signs its links with the key pair this build made; the launcher takes
# only links signed with it.
exec {pf}< <(exec python3 "$zen_src/portal/sample_portal.py" --port "$port" \
  --signing-key "$build/signing/portal-signing.seed" --installer "$bin/$setup" 2>"$work/portal.log")
zen_session_pids+=($!)
zen_first_line "$pf" >/dev/null || { echo "the sample portal did not start"; cat "$work/portal.log"; exit 1; }
curl -s http://127.0.0.1:$port/images/uinstapp.dat | sed 's/^/download list: /'

step "fresh Wine prefix with a desktop and taskbar"
zen_wine_start "$template" || exit 1
zen_wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d shell /f >/dev/null
zen_wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d 1280x1024 /f >/dev/null
/usr/lib/wine/wineserver -k; /usr/lib/wine/wineserver -w
/usr/lib/wine/wineserver -p >/dev/null 2>&1 </dev/null
echo "prefix $WINEPREFIX, display $DISPLAY"
# Sample games close themselves after a few seconds.
export ZEN_SAMPLE_GAME_SECONDS=4

step "install: $setup /S, as the user"
# Started as a user starts it, without administrator rights in force (under
# Wine every program starts elevated): an elevated installer leaves the tray
# to the next logon.
zen_wine "$bin/zen_run_answer.exe" --unelevated "$(winpath "$bin/$setup")" /S | sed 's/^/installer: /'
# Wine's user is an administrator: the installation is for every user, its
# settings in the machine's registry (the installer's own view). A build that
# trusts the demo key says so where users look.
reg_query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zentaris' /v DisplayName $view
reg_query "HKLM\\$ZEN_BRANCH" /v "$ZEN_LAUNCHER_PATH_VALUE" $view
reg_query 'HKCR\PROTOCOLS\Handler\zentaris' /v CLSID
reg_query 'HKCR\zentaris\shell\open\command' /ve
# The installer started the tray; its news popup shows shortly after.
sleep 3
zen_wine "$bin/zen_screen.exe" "$(winpath "$out/news-popup.bmp")" && echo "screenshot: news popup"

step "sample games, each with its installation record"
games=$(unixpath 'C:\Games')
mkdir -p "$games/Space Demo" "$games/Kart Demo/bin"
cp "$bin/spacedemo.exe" "$games/Space Demo/"
cp "$bin/kartdemo.exe" "$games/Kart Demo/bin/"
zen_wine "$games/Space Demo/spacedemo.exe" --register
zen_wine "$games/Kart Demo/bin/kartdemo.exe" --register
reg_query 'HKCU\Software\Zentaris Samples' /s

step "install check through the URL layer, as a browser asks for it"
echo "a 32-bit client (32-bit browsers):"
zen_wine "$bin/zen_urlbind.exe" 'zentaris://instcheck/1000' "$(winpath "$out/instcheck.gif")"
zen_wine "$bin/zen_urlbind.exe" 'zentaris://instcheck/1002'
echo "a 64-bit client (64-bit browsers, programs that embed one):"
zen_wine "$bin64/zen_urlbind.exe" 'zentaris://instcheck/1000'

step "launch through the URL layer: the handler starts the launcher"
url=$(curl -s "http://127.0.0.1:$port/api/launch-url?game=Space%20Demo")
echo "$url"
zen_wine "$bin/zen_urlbind.exe" "$url"
if wait_file "$games/Space Demo/started.log"; then
  echo "Space Demo ran (its log: cwd|command line):"; sed 's/^/  /' "$games/Space Demo/started.log"
else
  echo "Space Demo did not run"; status=1
fi
reg_query "HKCU\\$ZEN_BRANCH\\Space Demo"

step "the same link again: its one-time approval is spent, nothing starts"
before=$(wc -l < "$games/Space Demo/started.log" 2>/dev/null || echo 0)
zen_wine "$bin/zen_urlbind.exe" "$url"
sleep 3
after=$(wc -l < "$games/Space Demo/started.log" 2>/dev/null || echo 0)
echo "Space Demo starts: $before before, $after after"

step "launch as a modern browser does: the shell runs the scheme's command"
url=$(curl -s "http://127.0.0.1:$port/api/launch-url?game=Kart%20Demo")
zen_wine "$bin/zen_shellopen.exe" "$url"
if wait_file "$games/Kart Demo/bin/started.log"; then
  echo "Kart Demo ran:"; sed 's/^/  /' "$games/Kart Demo/bin/started.log"
else
  echo "Kart Demo did not run"; status=1
fi

step "launch from a real browser: Chromium on the portal's page, a click on Play Space Demo"
# The page's links are handed to the desktop's handler for zentaris:, which
# opens them through the prefix's shell, as Windows does with the
# installer's registration.
rm -f "$games/Space Demo/started.log"
if reason=$(cd "$zen_src/tests/browser" && python3 -c 'import chromium; print(chromium.why_not_available() or "")') && [ -z "$reason" ]; then
  mkdir -p "$work/chromium"
  if ZEN_SHELLOPEN="$bin/zen_shellopen.exe" python3 "$zen_src/tests/browser/chromium.py" "$work/chromium" \
       "http://127.0.0.1:$port/" "Play Space Demo" "$games/Space Demo/started.log" "$out/chromium-portal.png" \
       | sed 's/^/page: /'; then
    echo "Space Demo ran:"; sed 's/^/  /' "$games/Space Demo/started.log"
    echo "screenshot: the page in Chromium"
  else
    echo "the launch from Chromium failed"; status=1
  fi
else
  echo "(skipped: $reason)"
fi

step "the tray menu lists the games just launched"
zen_wine "$bin/zen_screen.exe" --tray-menu "$(winpath "$out/tray-menu.bmp")" && echo "screenshot: tray menu"

step "uninstall: uninstall.exe /S (the game list stays)"
# Wine's user has administrator rights: the installation is for every user.
dir=$(unixpath "$installed")
zen_wine "$dir/uninstall.exe" /S
for i in $(seq 100); do [ -d "$dir" ] || break; sleep 0.1; done
[ -d "$dir" ] && echo "install folder still there" || echo "install folder removed"
reg_query "HKCU\\$ZEN_BRANCH" /s | grep -E "Zentaris\\\\|$ZEN_LAUNCHER_PATH_VALUE" || true

python3 "$zen_src/ZentarisLauncher/tray/tests/news_png_pack.py" "$out" "$out"/*.bmp >/dev/null && rm -f "$out"/*.bmp
echo
echo "evidence in $out:"
ls "$out" | sed 's/^/  /'
exit ${status:-0}
