#!/usr/bin/env bash
# Takes the pictures in docs/: take-screenshots.sh BUILD_DIR OUTPUT_DIR (needs DISPLAY, e.g. a private Xvfb).
# Wine's virtual desktop draws the window frames; the driver poses each window and waits for its picture.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/wine-lib.sh"
. "$here/../../scripts/poll.sh"
build=$(cd "$1" && pwd) output=$(mkdir -p "$2" && cd "$2" && pwd)
prefix="$build/tests/gui/prefix-screenshots"
trap 'wine_stop_server "$prefix"; rm -rf "$prefix"' EXIT
trap "exit 143" INT TERM
wine_copy "$build/wine/template" "$prefix"
wine_map_drive "$prefix" d drive_d hd
mkdir -p "$prefix/drive_c/bin"
cp "$build/gui/Purgewell.exe" "$build/tests/gui/gui_driver.exe" "$prefix/drive_c/bin/"
python3 "$here/../tools/many-files.py" "$prefix/drive_d/many" 20000 "Photos %03d" "holiday picture %05d.jpg"
(
  wine_env "$prefix"
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f >/dev/null 2>&1 </dev/null
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 800x600 /f >/dev/null 2>&1 </dev/null
)
wine_stop_server "$prefix"
wine_env "$prefix"
wine_start_server "$prefix"
cd "$prefix/drive_c"
wine 'C:\bin\gui_driver.exe' --gtest_also_run_disabled_tests '--gtest_filter=DISABLED_Screenshots.*' </dev/null &
driver=$!
# ready NAME: the driver has posed the window for NAME (or has ended, which the caller tells apart).
ready() { [ -f "bin/$1.ready" ] || ! kill -0 "$driver" 2>/dev/null; }
for name in about main removal; do
  poll 120 ready "$name" || true
  [ -f "bin/$name.ready" ] || { echo "take-screenshots.sh: the driver ended early" >&2; exit 1; }
  sleep 0.5  # let the window finish painting
  import -window root -crop "$(cat "bin/$name.ready")" +repage "$output/purgewell-$name.png"
  touch "bin/$name.done"
done
wait "$driver"
