#!/usr/bin/env bash
# Runs one Windows test program in a private copy of the tree's Wine template, deleted afterwards:
# run-in-prefix.sh TEMPLATE PREFIX PROGRAM.exe [FILE...]. The program and the files go to C:\bin.
set -euo pipefail
here=$(cd "$(dirname "$0")/../../scripts" && pwd)
. "$here/wine-lib.sh"
template=$1 prefix=$2 program=$3
shift 3
cleanup() {
  wine_stop_server "$prefix"
  rm -rf "$prefix"
}
trap cleanup EXIT
wine_copy "$template" "$prefix"
mkdir -p "$prefix/drive_c/bin"
cp "$program" "$@" "$prefix/drive_c/bin/"
wine_env "$prefix"
wine_start_server "$prefix"
cd "$prefix/drive_c"
status=0
wine "C:\\bin\\$(basename "$program")" </dev/null || status=$?
exit $status
