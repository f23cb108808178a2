#!/usr/bin/env bash
# Fails when a Windows binary imports anything but a DLL of the system:
# the C++ runtime, winpthread and libcurl must be linked in.
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
done
exit $status
