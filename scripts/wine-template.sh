#!/usr/bin/env bash
# Makes the build's template Wine prefix once; tests clone it.
#   wine-template.sh DIR
set -euo pipefail
dir=$(realpath -m "$1")
# Bump when the prefix's settings change, so that old templates are remade.
version=3
current() { [ "$(cat "$dir/.complete" 2>/dev/null)" = "$version" ]; }
current && exit 0
exec 9>"$dir.lock"
flock 9
current && exit 0

tmp=$dir.new
rm -rf "$tmp"
export WINEPREFIX=$tmp WINELOADER=/usr/lib/wine/wine64 WINEDEBUG=-all
# No Mono or Gecko: their install prompts would wait for a click.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 </dev/null
/usr/lib/wine/wineserver -w

reg() { /usr/lib/wine/wine64 reg add "$@" /f >/dev/null 2>&1 </dev/null; }
# Without a window manager every window close waits about 2 s unless Wine
# manages the windows itself.
reg 'HKCU\Software\Wine\X11 Driver' /v Managed /d N
# A crashing test must fail, not wait for someone to close a dialog.
reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
/usr/lib/wine/wineserver -w

echo "$version" > "$tmp/.complete"
rm -rf "$dir"
mv "$tmp" "$dir"
echo "wine template ready: $dir"
