#!/usr/bin/env bash
# Makes a delay-import library from a system DLL's import library: the same
# function names, bound at their first call instead of at process start.
# The launcher links these for the DLLs its launch mode never calls, so a
# launch does not pay for loading them (and what they load in turn).
#   delay-import-lib.sh NM DLLTOOL IMPORT_LIBRARY DLL_NAME OUTPUT POINTER_BYTES
# Data exports cannot be bound lazily and are left out: a program that needs
# one fails to link instead of failing at run time.
set -euo pipefail
nm=$1 dlltool=$2 implib=$3 dll=$4 out=$5 pointer=$6
def=$out.def
if [ "$pointer" = 4 ]; then underscore=_ kill=--kill-at; else underscore= kill=; fi
{
  echo "LIBRARY $dll"
  echo "EXPORTS"
  # A function has its thunk (T) beside its import pointer (I, __imp_).
  # 32-bit names carry the leading underscore and the stdcall "@bytes",
  # which dlltool's --kill-at drops from the name bound at run time.
  "$nm" "$implib" 2>/dev/null | awk '
    $2 == "T" { thunk[$3] = 1 }
    $2 == "I" && $3 ~ /^__imp_/ { name = substr($3, 7); imp[name] = 1 }
    END { for (n in imp) if (n in thunk) print n }' |
    sed "s/^${underscore}//" | sort -u
} > "$def.tmp"
mv "$def.tmp" "$def"
"$dlltool" $kill --def "$def" --dllname "$dll" --output-delaylib "$out"
