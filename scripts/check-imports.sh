#!/usr/bin/env bash
# Fails when a Windows binary imports anything but a DLL of the system:
# the C++ runtime, winpthread and libcurl must be linked in. That holds for
# the DLLs bound at process start and for those bound at their first call
# (delay-loaded). The protocol handler must also export its entry points by
# their plain names, which is how the platform's loader and regsvr32 find them.
#   check-imports.sh OBJDUMP [--not-at-load DLL,DLL...] FILE...
# --not-at-load: the files after it must bind those DLLs at their first call,
# never at process start (what a launch never calls must not cost it a load).
set -uo pipefail
objdump=$1; shift
objcopy=${objdump%objdump}objcopy
not_at_load=
system='^(kernel32|user32|gdi32|msimg32|advapi32|shell32|shlwapi|ole32|oleaut32|urlmon|wininet|ws2_32|crypt32|bcrypt|secur32|wldap32|normaliz|msvcrt|comctl32|comdlg32|version|ntdll|iphlpapi|userenv|api-ms-win-[a-z0-9-]+)\.dll$'
status=0
for f in "$@"; do
  if [ "$f" = --not-at-load ]; then not_at_load=pending; continue; fi
  if [ "$not_at_load" = pending ]; then not_at_load=$f; continue; fi
  dlls=$("$objdump" -p "$f" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
  [ -n "$dlls" ] || { echo "$f: no import table found"; status=1; continue; }
  # GNU ld leaves the delay import directory empty; the names of the
  # delay-loaded DLLs are in the import section beside those bound at start.
  named=$("$objcopy" -O binary --only-section=.idata "$f" /dev/stdout |
          tr -c '[:print:]' '\n' | tr 'A-Z' 'a-z' | grep -Eo '[a-z0-9_.-]+\.dll$' | sort -u)
  delayed=$(comm -23 <(echo "$named") <(echo "$dlls" | sort -u))
  bad=$(printf '%s\n%s\n' "$dlls" "$delayed" | grep -v '^$' | grep -Ev "$system")
  if [ -n "$bad" ]; then
    echo "$f imports non-system DLLs: $(echo $bad)"; status=1
  else
    echo "$f: $(echo $dlls | tr ' ' ',')${delayed:+; delay-loaded: $(echo $delayed | tr ' ' ',')}"
  fi
  for dll in ${not_at_load//,/ }; do
    if echo "$dlls" | grep -qx "$dll.dll"; then
      echo "$f binds $dll.dll at process start, not at its first call"; status=1
    fi
  done
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
