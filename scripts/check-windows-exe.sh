#!/usr/bin/env bash
# Checks that a Windows build is what we ship: a 32-bit (PE32, i386) GUI
# program that needs no DLL beyond Windows' own (the C and C++ run-times are
# linked in statically).
# Usage: scripts/check-windows-exe.sh build/win32/tickwell.exe
set -euo pipefail
exe=$1
description=$(file -b "$exe")
case $description in
  "PE32 executable (GUI) Intel 80386"*) ;;
  *) echo "$exe: not a 32-bit Windows GUI program: $description" >&2; exit 1 ;;
esac
system_dlls=" advapi32.dll comctl32.dll crypt32.dll gdi32.dll iphlpapi.dll kernel32.dll msvcrt.dll shell32.dll user32.dll wininet.dll ws2_32.dll "
imports=$(i686-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ { print tolower($3) }')
for dll in $imports; do
  case $system_dlls in
    *" $dll "*) ;;
    *) echo "$exe imports $dll, which Windows does not ship" >&2; exit 1 ;;
  esac
done
echo "$exe: $description; imports $(echo $imports)"
