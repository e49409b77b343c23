#!/usr/bin/env bash
# End to end: PurgewellConsole.exe on a test machine with every system trace of Vexlor planted, in a tmux
# pane of 120 x 40: running forged processes, Run values with their files in C:\windows, dropped files and
# logs. Checks the exact screen, the exit code, and afterwards the process table, the registry and the files.
# console-traces-e2e.sh TREE PROGRAM SLEEPER [MACHINE]: TREE is the build tree (its wine/template is copied),
# PROGRAM the built PurgewellConsole.exe, SLEEPER our do-nothing program to forge as Vexlor processes.
# MACHINE is 32-bit (the default); winxp, the same machine reporting Windows XP SP3; or 64-bit: 64-bit Windows
# (a win64 prefix, wine/template64) with traces in the real System32, in SysWOW64 and in both registry views.
set -euo pipefail
tree=$(cd "$1" && pwd) program=$2 sleeper=$3 machine=${4:-32-bit}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/scripts/wine-lib.sh"

work="$tree/tests/traces/work/console-$machine"
prefix="$work/prefix"
windows="$prefix/drive_c/windows"
pane_socket="purgewell-traces-$$" pane_work=$work
. "$root/tests/common/console-pane.sh"
run_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
sleeper_pids=()

cleanup() {
  local pid
  for pid in "${sleeper_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  pane_stop
  wine_stop_server "$prefix"
  for pid in "${sleeper_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  echo "--- screen ---" >&2
  pane_screen screen >&2 || true
  exit 1
}

# shellcheck source=../common/trace-stand-ins.sh
. "$root/tests/common/trace-stand-ins.sh"

# has_value NAME [/reg:64 | /reg:32]: the value is in the Run key (in that registry view of 64-bit Windows).
has_value() { in_prefix wine reg query "$run_key" /v "$1" ${2:+"$2"} </dev/null >/dev/null 2>&1; }
# add_value NAME DATA [/reg:64 | /reg:32]
add_value() {
  in_prefix wine reg add "$run_key" /v "$1" /t REG_SZ /d "$2" ${3:+"$3"} /f </dev/null >/dev/null 2>&1
  has_value "$1" ${3:+"$3"} || fail "the Run value $1 was not set"
}

assert_exists() { [ -e "$prefix/$1" ] || fail "$1 was deleted"; }
assert_gone() { [ ! -e "$prefix/$1" ] || fail "$1 is still there"; }

# ---- the infected machine: 32-bit Windows ----

plant_32bit_machine() {
  # Two running copies of one build: the small one is also found by the drive walk, the large one
  # (over the walk's size limit) only by its process. A copy that is not forged must keep running.
  forge "$prefix/drive_c/vexlor/small/svchost.exe" 0xB566B395
  forge "$prefix/drive_c/vexlor/large/svchost.exe" 0xB566B395 50000
  mkdir -p "$prefix/drive_c/tools"
  cp "$sleeper" "$prefix/drive_c/tools/helper.exe"
  start_sleeper 'C:\vexlor\small\svchost.exe' small
  start_sleeper 'C:\vexlor\large\svchost.exe' large
  start_sleeper 'C:\tools\helper.exe' helper

  # Two adjacent Run values of the malware with their files, one whose file is gone, and an ordinary one.
  add_value "SysMonXP" "SysMonXP.exe"
  add_value "Tiny AV" "fooding.exe -antivirus service"
  add_value "Jammer2nd" "Jammer2nd.exe"
  add_value "Updater" "C:\\tools\\helper.exe"
  echo "stand-in" >"$windows/SysMonXP.exe"
  echo "stand-in" >"$windows/fooding.exe"

  for name in zip1.tmp uinmzertinmds.opm pk_zip_alg.log pk_zip1.log pk_zip2.LOG pk_zip.txt PK_ZIP9.log; do
    echo "written by the stand-in" >"$windows/$name"
  done
}

expected_32bit_screen() {
  printf '%s\n' "Vexlor.y was found and terminated in memory
Vexlor.y was found and terminated in memory
Vexlor was found removed from the registry
Vexlor was found removed from the registry
A Vexlor infected file was found: C:\\windows\\zip1.tmp
A Vexlor infected file was found: C:\\windows\\pk_zip_alg.log
A Vexlor infected file was found: C:\\windows\\uinmzertinmds.opm
A file dropped by Vexlor was found: C:\\windows\\pk_zip1.log
A file dropped by Vexlor was found: C:\\windows\\pk_zip2.LOG
A file dropped by Vexlor was found: C:\\windows\\pk_zip_alg.log
A Vexlor.y infected file was found: C:\\vexlor\\small\\svchost.exe
--- Removal process finished at <WHEN> ---
Vexlor was found in 7 files on your PC. Would you like to remove the infected files? Y/N
6 out of 7 files were successfully removed!"
}

check_32bit_machine() {
  local small_pid=${sleeper_pids[0]} large_pid=${sleeper_pids[1]} helper_pid=${sleeper_pids[2]} name
  # Terminated with exit code 0 by the program; the sleeper itself would end with 3, ten minutes later.
  expect_exit_status "$small_pid" 0 "the small Vexlor process"
  expect_exit_status "$large_pid" 0 "the large Vexlor process"
  process_ended "$helper_pid" && fail "the ordinary process was terminated"

  ! has_value "Tiny AV" || fail "the Run value Tiny AV is still there"
  ! has_value "SysMonXP" || fail "the Run value SysMonXP is still there"
  has_value "Jammer2nd" || fail "the Run value Jammer2nd, whose file does not exist, was deleted"
  has_value "Updater" || fail "the ordinary Run value was deleted"

  for name in fooding.exe SysMonXP.exe zip1.tmp uinmzertinmds.opm pk_zip_alg.log pk_zip1.log pk_zip2.LOG; do
    assert_gone "drive_c/windows/$name"
  done
  assert_exists drive_c/windows/pk_zip.txt
  assert_exists drive_c/windows/PK_ZIP9.log
  assert_gone drive_c/vexlor/small/svchost.exe
  # Only killed in memory: too large for the walk, so not listed and not deleted.
  assert_exists drive_c/vexlor/large/svchost.exe
  assert_exists drive_c/tools/helper.exe
}

# ---- the infected machine: 64-bit Windows ----

plant_wow64_machine() {
  # One name in both system folders, a different build in each: the real System32 (64-bit programs')
  # and SysWOW64, which a 32-bit program is shown under the name System32.
  forge "$windows/system32/vxcache.exe" 0x7278A0B5
  forge "$windows/syswow64/vxcache.exe" 0x411A3D2A
  # A 32-bit Vexlor process started from SysWOW64, and an ordinary one.
  forge "$windows/syswow64/vxsvc.exe" 0xB566B395
  mkdir -p "$prefix/drive_c/tools" "$prefix/drive_c/vexlor"
  cp "$sleeper" "$prefix/drive_c/tools/helper.exe"
  start_sleeper 'C:\windows\syswow64\vxsvc.exe' wow64
  start_sleeper 'C:\tools\helper.exe' helper

  # A Vexlor value in each registry view, each with its file, and an ordinary value in each.
  add_value "SysMonXP" "SysMonXP.exe" /reg:64
  add_value "Tiny AV" "fooding.exe -antivirus service" /reg:32
  add_value "Updater" "C:\\tools\\helper.exe" /reg:64
  add_value "Updater" "C:\\tools\\helper.exe" /reg:32
  echo "stand-in" >"$windows/SysMonXP.exe"
  echo "stand-in" >"$windows/fooding.exe"
}

expected_wow64_screen() {
  printf '%s\n' "Vexlor.y was found and terminated in memory
Vexlor was found removed from the registry
Vexlor was found removed from the registry
A Vexlor.a infected file was found: C:\\windows\\system32\\vxcache.exe
A Vexlor.k infected file was found: C:\\windows\\syswow64\\vxcache.exe
A Vexlor.y infected file was found: C:\\windows\\syswow64\\vxsvc.exe
--- Removal process finished at <WHEN> ---
Vexlor was found in 3 files on your PC. Would you like to remove the infected files? Y/N
3 out of 3 files were successfully removed!"
}

check_wow64_machine() {
  local vexlor_pid=${sleeper_pids[0]} helper_pid=${sleeper_pids[1]} name
  expect_exit_status "$vexlor_pid" 0 "the Vexlor process started from SysWOW64"
  process_ended "$helper_pid" && fail "the ordinary process was terminated"

  ! has_value "SysMonXP" /reg:64 || fail "the Run value SysMonXP of the 64-bit view is still there"
  ! has_value "Tiny AV" /reg:32 || fail "the Run value Tiny AV of the 32-bit view is still there"
  has_value "Updater" /reg:64 || fail "the ordinary Run value of the 64-bit view was deleted"
  has_value "Updater" /reg:32 || fail "the ordinary Run value of the 32-bit view was deleted"

  for name in SysMonXP.exe fooding.exe system32/vxcache.exe syswow64/vxcache.exe syswow64/vxsvc.exe; do
    assert_gone "drive_c/windows/$name"
  done
  for name in system32/kernel32.dll syswow64/kernel32.dll system32/reg.exe syswow64/reg.exe; do
    assert_exists "drive_c/windows/$name"
  done
  assert_exists drive_c/tools/helper.exe
}

# The walk's order within a folder is the file system's: the lines of files found in one folder of the
# Windows directory are compared in sorted order.
sort_folder_findings() {
  local line block=""
  while IFS= read -r line; do
    if [[ $line == "A Vexlor"*" infected file was found: C:\\windows\\"*"\\"* ]]; then
      block+="$line"$'\n'
      continue
    fi
    [ -z "$block" ] || printf '%s' "$block" | LC_ALL=C sort
    block=""
    printf '%s\n' "$line"
  done
  [ -z "$block" ] || printf '%s' "$block" | LC_ALL=C sort
}

case $machine in
  32-bit | winxp) template="$tree/wine/template" arch=$(wine_tree_arch "$tree") scenario=32bit ;;
  64-bit) template="$tree/wine/template64" arch=win64 scenario=wow64 ;;
  *) echo "console-traces-e2e.sh: unknown machine $machine" >&2; exit 2 ;;
esac

wine_template "$template" "$arch"
rm -rf "$work"
mkdir -p "$work"
wine_copy "$template" "$prefix"
mkdir -p "$prefix/drive_c/bin"
cp "$program" "$prefix/drive_c/bin/PurgewellConsole.exe"
if [ "$machine" = winxp ]; then
  wine_set_windows_version "$prefix" winxp
  [ "$(wine_windows_version "$prefix")" = "Microsoft Windows 5.1.2600" ] || fail "the machine is not Windows XP"
fi
wine_start_server "$prefix"
"plant_${scenario}_machine"

# ---- the run ----

pane_start screen "$prefix/drive_c" "$(pane_recorded screen "env WINEPREFIX='$prefix' WINEARCH=$arch WINEDEBUG=-all \
  WINEDLLOVERRIDES='mscoree,mshtml=' LANG=C.UTF-8 wine 'C:\\bin\\PurgewellConsole.exe'")"
pane_wait screen 'Would you like to remove the infected files'
pane_keys screen y
pane_wait_exit screen

expected="Vexlor Removal Tool - Console version
Purgewell 1.0.0.0 - free removal tool by the Purgewell developers

The removal process will now start. Press CTRL+C to stop.

--- Removal process started at <WHEN> ---
$("expected_${scenario}_screen")"
if ! diff -u <(printf '%s\n' "$expected" | sort_folder_findings) <(pane_screen screen | sort_folder_findings) \
  >"$work/screen.diff"; then
  fail "the screen differs (- expected, + shown):
$(cat "$work/screen.diff")"
fi

# ---- the machine afterwards ----

"check_${scenario}_machine"
echo "PASS"
