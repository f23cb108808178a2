#!/usr/bin/env bash
# Fails when a Windows binary imports anything but a DLL of the system:
# the C++ runtime, winpthread and libcurl must be linked in. The protocol
# handler must also export its entry points by their plain names, which is
# how the platform's loader and regsvr32 find them.
#   check-imports.sh OBJDUMP FILE...
set -uo pipefail
objdump=$1; shift
system='^(kernel32|user32|gdi32|msimg32|advapi32|shell32|shlwapi|ole32|oleaut32|urlmon|wininet|ws2_32|crypt32|bcrypt|secur32|wldap32|normaliz|msvcrt|comctl32|comdlg32|version|ntdll|iphlpapi|userenv|api-ms-win-[a-z0-9-]+)\.dll$'
status=0
for f in "$@"; do
  dlls=$("$objdump" -p "$f" | sed -n 's/^[[:space:]]*DLL Name: //p')
  [ -n "$dlls" ] || { echo "$f: no import table found"; status=1; continue; }
  bad=$(echo "$dlls" | tr 'A-Z' 'a-z' | grep -Ev "$system")
  if [ -n "$bad" ]; then
    echo "$f imports non-system DLLs: $(echo $bad)"; status=1
  else
    echo "$f: $(echo $dlls | tr ' ' ',')"
  fi
  if [ "$(basename "$f")" = zenproto.dll ]; then
    exports=$("$objdump" -p "$f" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p' | sort | tr '\n' ' ')
    want="DllCanUnloadNow DllGetClassObject DllInstall DllRegisterServer DllUnregisterServer "
    if [ "$exports" != "$want" ]; then
      echo "$f exports [$exports], not [$want]"; status=1
    else
      echo "$f exports: $exports"
    fi
  fi
done
exit $status
