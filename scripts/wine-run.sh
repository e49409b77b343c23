#!/usr/bin/env bash
# Runs one Windows program of the build under Wine: wine-run.sh PREFIX PROGRAM.exe [ARGS...].
# The program is copied into C:\bin of the prefix and started from there, so it sees ordinary Windows paths.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-lib.sh"
prefix=$1; program=$2; shift 2
if [ ! -f "$prefix/system.reg" ]; then
  echo "wine-run.sh: no Wine prefix at $prefix (build the wine_prefix target first)" >&2
  exit 2
fi
name=$(basename "$program")
mkdir -p "$prefix/drive_c/bin"
if ! cmp -s "$program" "$prefix/drive_c/bin/$name"; then
  cp "$program" "$prefix/drive_c/bin/.$name.$$"
  mv -f "$prefix/drive_c/bin/.$name.$$" "$prefix/drive_c/bin/$name"
fi
wine_env "$prefix"
wine_start_server "$prefix" 30
cd "$prefix/drive_c"
exec wine "C:\\bin\\$name" "$@"
