#!/usr/bin/env bash
# Checks built Windows programs: the tree's kind of PE file (PE32 for 32-bit Windows, PE32+ for 64-bit, by
# PURGEWELL_WINE_ARCH), ASLR with relocations, DEP, stack protector, and no DLLs but the system's.
set -u
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
nm=${NM:-i686-w64-mingw32-nm}
case ${PURGEWELL_WINE_ARCH:-win32} in
  win64) format=pei-x86-64 kind="PE32+ (x86-64)" ;;
  *) format=pei-i386 kind="PE32 (i386)" ;;
esac
system_dlls='^(KERNEL32|USER32|GDI32|ADVAPI32|SHELL32|SHLWAPI|COMDLG32|COMCTL32|PSAPI|msvcrt|ole32)\.dll$'
status=0
for program in "$@"; do
  headers=$("$objdump" -p "$program")
  fail() { echo "$program: $1"; status=1; }
  grep -q "file format $format" <<<"$("$objdump" -f "$program")" || fail "not a $kind file"
  grep -q DYNAMIC_BASE <<<"$headers" || fail "no DYNAMIC_BASE (ASLR) in DllCharacteristics"
  grep -q NX_COMPAT <<<"$headers" || fail "no NX_COMPAT (DEP) in DllCharacteristics"
  "$objdump" -h "$program" | grep -q '\.reloc' || fail "no .reloc section: ASLR cannot move it"
  "$nm" "$program" 2>/dev/null | grep -q '__stack_chk_fail' || fail "no stack protector (__stack_chk_fail not linked)"
  while read -r dll; do
    grep -qiE "$system_dlls" <<<"$dll" || fail "imports $dll, which is not a system DLL"
  done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
  [ $status -eq 0 ] && echo "$program: $kind, hardened, system DLLs only"
done
exit $status
