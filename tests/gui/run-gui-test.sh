#!/usr/bin/env bash
# Runs one group of the windowed program's tests in a private Wine prefix:
#   run-gui-test.sh BUILD_DIR NAME GTEST_FILTER [--advpack-no] [--many-files COUNT] [--windows-version VERSION]
#                   [--planted-comctl32] [--win64] [--link-swaps]
# The prefix is a copy of the build tree's template (with --win64 its 64-bit Windows one) with fixed drives
# D: and E:, removable F:, Purgewell.exe and the test programs in C:\bin; the driver runs there against the
# display in $DISPLAY.
# With --link-swaps, a folder is swapped for a link whenever the driver asks (Wine's programs cannot make links):
# the driver writes "FOLDER TARGET" (as D:\x F:\y) to C:\swap-request and waits for C:\swap-done; FOLDER is
# renamed FOLDER-moved and a link to TARGET takes its name.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/wine-lib.sh"
build=$1 name=$2 filter=$3
shift 3
advpack_no=0 many_files=0 windows_version="" planted_comctl32=0 template="$build/wine/template" link_swaps=0
while [ $# -gt 0 ]; do
  case $1 in
    --advpack-no) advpack_no=1 ;;
    --many-files) many_files=$2; shift ;;
    --windows-version) windows_version=$2; shift ;;
    --planted-comctl32) planted_comctl32=1 ;;
    --win64) template="$build/wine/template64" ;;
    --link-swaps) link_swaps=1 ;;
    *) echo "run-gui-test.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
# Without a display the group cannot run: it reports itself as skipped (ctest's SKIP_RETURN_CODE).
if [ -z "${DISPLAY:-}" ]; then
  echo "run-gui-test.sh: skipped, DISPLAY is not set (the windowed tests need an X server such as Xvfb)" >&2
  exit 77
fi

prefix="$build/tests/gui/prefix-$name"
swapper_pid=""
cleanup() {
  [ -z "$swapper_pid" ] || kill "$swapper_pid" 2>/dev/null || true
  wine_stop_server "$prefix"
  rm -rf "$prefix"
}
trap cleanup EXIT
trap "exit 143" INT TERM
wine_copy "$template" "$prefix"
wine_map_drive "$prefix" d drive_d hd
wine_map_drive "$prefix" e drive_e hd
wine_map_drive "$prefix" f drive_f floppy
# A file on the unscanned removable drive whose every write fails (disk full), for the log-saving test.
ln -s /dev/full "$prefix/drive_f/full.log"
mkdir -p "$prefix/drive_c/bin"
cp "$build/gui/Purgewell.exe" "$build/tests/gui/gui_driver.exe" "$build/tests/gui/mutex_holder.exe" \
  "$build/tests/gui/vexlor_stand_in.exe" "$prefix/drive_c/bin/"
[ -f "$build/console/PurgewellConsole.exe" ] && cp "$build/console/PurgewellConsole.exe" "$prefix/drive_c/bin/"

if [ "$advpack_no" = 1 ]; then
  # Our own IsNTAdmin that answers 0, installed as the system's library and preferred over Wine's builtin one.
  cp "$build/tests/advpack/ADVPACK.dll" "$prefix/drive_c/windows/system32/advpack.dll"
  export PURGEWELL_DLLOVERRIDES="mscoree,mshtml=;advpack=n"
fi
if [ "$planted_comctl32" = 1 ]; then
  # Beside the program and in its current folder, with Wine searching as Windows does (native first).
  cp "$build/tests/gui/comctl32_planted/comctl32.dll" "$prefix/drive_c/bin/comctl32.dll"
  cp "$build/tests/gui/comctl32_planted/comctl32.dll" "$prefix/drive_c/comctl32.dll"
  export PURGEWELL_DLLOVERRIDES="mscoree,mshtml=;comctl32=n,b"
fi
if [ "$many_files" -gt 0 ]; then
  # A long scan: small files in folders of a thousand, walked after everything on C:.
  python3 "$here/../tools/many-files.py" "$prefix/drive_d/many" "$many_files"
fi

(
  wine_env "$prefix"
  # Frames drawn by Wine itself, as no window manager runs on the test display.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1 </dev/null
)
if [ -n "$windows_version" ]; then
  wine_set_windows_version "$prefix" "$windows_version"
  reported=$(wine_windows_version "$prefix")
  echo "run-gui-test.sh: the machine reports $reported"
  if [ "$windows_version" = winxp ] && [ "$reported" != "Microsoft Windows 5.1.2600" ]; then
    echo "run-gui-test.sh: the machine is not Windows XP" >&2
    exit 1
  fi
fi
# Drive types are read when the server starts.
wine_stop_server "$prefix"
wine_env "$prefix"
wine_start_server "$prefix"
# unix_path D:\x\y: the file under the prefix that a drive path names.
unix_path() {
  local letter=${1:0:1} rest=${1:3}
  printf '%s/drive_%s/%s' "$prefix" "${letter,,}" "${rest//\\//}"
}
swap_on_request() {
  local request="$prefix/drive_c/swap-request" folder target
  while :; do
    if [ -f "$request" ]; then
      read -r folder target <"$request"
      rm -f "$request"
      mv "$(unix_path "$folder")" "$(unix_path "$folder")-moved"
      ln -s "$(unix_path "$target")" "$(unix_path "$folder")"
      touch "$prefix/drive_c/swap-done"
    fi
    sleep 0.1
  done
}
if [ "$link_swaps" = 1 ]; then
  swap_on_request &
  swapper_pid=$!
fi
cd "$prefix/drive_c"
status=0
wine 'C:\bin\gui_driver.exe' "--gtest_filter=$filter" </dev/null || status=$?
exit $status
