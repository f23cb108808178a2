#!/usr/bin/env bash
# Makes the build's template Wine prefix once; tests clone it.
#   wine-template.sh DIR [--wow64]
# With --wow64 (the 32-bit build's tests) the prefix must run 32-bit
# programs; where Wine cannot, the template records why in DIR/.skip, and the
# tests that would use it report themselves skipped (exit 77).
set -euo pipefail
dir=$(realpath -m "$1")
wow64=${2:-}
# Bump when the prefix's settings change, so that old templates are remade.
version=4
current() { [ "$(cat "$dir/.complete" 2>/dev/null)" = "$version" ]; }
finish() {
  if [ -f "$dir/.skip" ]; then cat "$dir/.skip"; exit 77; fi
  exit 0
}
current && finish
exec 9>"$dir.lock"
flock 9
current && finish

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

rm -f "$tmp/.skip"
if [ "$wow64" = --wow64 ] && [ ! -d "$tmp/drive_c/windows/syswow64" ]; then
  echo "Wine on this machine runs no 32-bit Windows programs (no wine32:i386, or no 32-bit support in the kernel)" \
    > "$tmp/.skip"
fi

echo "$version" > "$tmp/.complete"
rm -rf "$dir"
mv "$tmp" "$dir"
echo "wine template ready: $dir"
finish
