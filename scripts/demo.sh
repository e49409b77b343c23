#!/usr/bin/env bash
# The tool's main job: builds the programs, plants Vexlor traces on a sandboxed Wine machine, runs a removal
# in this terminal, then shows what is left on that machine.   scripts/demo.sh [--gui]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/poll.sh

mode=console
[ "${1:-}" = "--gui" ] && mode=gui

bash scripts/setup.sh
# The shipped programs are 32-bit; a machine that cannot run 32-bit programs runs their 64-bit build instead
# (PURGEWELL_TEST_WIN64=1 asks for it anywhere, as it does of the test command).
tree=win32 toolchain=cmake/mingw-i686.cmake
why=""
if [ "${PURGEWELL_TEST_WIN64:-}" = 1 ]; then
  why="PURGEWELL_TEST_WIN64=1 is set"
elif ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  why="this machine cannot run 32-bit programs (Wine's 32-bit loader fails)"
fi
if [ -n "$why" ]; then
  tree=win64 toolchain=cmake/mingw-x86_64.cmake
  export PURGEWELL_WINE_LOADER=64
  echo "Running the 64-bit build of the programs on a 64-bit Windows sandbox: $why."
fi
. scripts/wine-lib.sh
echo "Building the programs..."
cmake --no-warn-unused-cli -S . -B "build/$tree" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=$toolchain >/dev/null
cmake --build "build/$tree" -j "$(nproc)" --target PurgewellConsole Purgewell traces_sleeper >/dev/null

template="$root/build/$tree/wine/template"
machine="$root/build/demo/machine"
echo "Making the sandbox machine in build/demo/machine..."
wine_template "$template" "$(wine_tree_arch "build/$tree")"
wine_copy "$template" "$machine"
wine_map_drive "$machine" d drive_d hd
wine_env "$machine"
if [ "$mode" = gui ]; then
  # A private display with Wine's virtual desktop, so the window frames are drawn in the screenshots.
  display=90
  while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$display"
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f >/dev/null 2>&1 </dev/null
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 800x600 /f >/dev/null 2>&1 </dev/null
  wine_stop_server "$machine"
fi
wine_start_server "$machine"
cleanup() {
  wine_stop_server "$machine"
  [ -z "${xvfb_pid:-}" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

forge=tests/tools/forge-crc32.py
c="$machine/drive_c"
windows="$c/windows"

# Forged Vexlor files: one nested deep on C:, one read-only and hidden on D:.
deep="$c/Program Files/Common Files/Shared Tools/cache/a1/b2/c3"
mkdir -p "$deep" "$machine/drive_d/Downloads"
printf 'stand-in for a Vexlor.a body\n' > "$deep/msupdate.exe"
"$forge" "$deep/msupdate.exe" 0x7278A0B5
printf 'stand-in for a Vexlor.y body\n' > "$machine/drive_d/Downloads/free-game.exe"
"$forge" "$machine/drive_d/Downloads/free-game.exe" 0xB566B395
(cd "$c" && wine attrib +r +h 'D:\Downloads\free-game.exe' >/dev/null 2>&1 </dev/null)

# The start-up value and the file it starts, in the Windows directory.
printf 'stand-in start-up program\n' > "$windows/fooding.exe"
wine reg add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run' /v 'Tiny AV' /t REG_SZ \
  /d 'fooding.exe -antivirus service' /f >/dev/null 2>&1 </dev/null

# Dropped files and a log.
for name in zip1.tmp base64.tmp zipo0.txt; do printf 'dropped\n' > "$windows/$name"; done
printf 'log\n' > "$windows/pk_zip1.log"

# A running Vexlor process: our sleeper, copied and forged to the CRC of Vexlor.k.
mkdir -p "$c/Temp"
cp "build/$tree/tests/traces/traces_sleeper.exe" "$c/Temp/svch0st.exe"
"$forge" "$c/Temp/svch0st.exe" 0x411A3D2A
(cd "$c" && exec wine 'C:\Temp\svch0st.exe' </dev/null >/dev/null 2>&1) &
sleeper_pid=$!

mkdir -p "$c/bin"
cp "build/$tree/console/PurgewellConsole.exe" "build/$tree/gui/Purgewell.exe" "$c/bin/"

planted=(
  "C:\\Program Files\\Common Files\\Shared Tools\\cache\\a1\\b2\\c3\\msupdate.exe|$deep/msupdate.exe"
  "D:\\Downloads\\free-game.exe (read-only, hidden)|$machine/drive_d/Downloads/free-game.exe"
  "C:\\windows\\fooding.exe|$windows/fooding.exe"
  "C:\\windows\\zip1.tmp|$windows/zip1.tmp"
  "C:\\windows\\base64.tmp|$windows/base64.tmp"
  "C:\\windows\\zipo0.txt|$windows/zipo0.txt"
  "C:\\windows\\pk_zip1.log|$windows/pk_zip1.log"
)
echo
echo "Planted on the sandbox machine:"
for item in "${planted[@]}"; do echo "  file     ${item%%|*}"; done
echo "  registry HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run  \"Tiny AV\" = \"fooding.exe -antivirus service\""
echo "  process  C:\\Temp\\svch0st.exe (running)"
echo

if [ "$mode" = gui ]; then
  (cd "$c" && exec wine 'C:\bin\Purgewell.exe' </dev/null >/dev/null 2>&1) &
  gui_pid=$!
  # Keys go to the focused window: Enter presses Start, then OK on the reminder; the scan of this small
  # machine ends within seconds with the removal question, which Enter answers Yes.
  sleep 5; xdotool key Return; sleep 2; xdotool key Return; sleep 8
  import -window root -crop 800x600+0+0 +repage build/demo/purgewell-question.png
  xdotool key Return; sleep 3
  import -window root -crop 800x600+0+0 +repage build/demo/purgewell-removed.png
  echo "Screenshots of Purgewell on the sandbox machine: build/demo/purgewell-question.png (the removal question)"
  echo "and build/demo/purgewell-removed.png (after removal)."
  xdotool key Return; sleep 1
  kill "$gui_pid" 2>/dev/null || true
else
  echo "Running PurgewellConsole on the sandbox machine. Answer its question with y to remove what it finds."
  echo "------------------------------------------------------------------------------------------------"
  if [ -t 0 ] && [ -t 1 ]; then
    (cd "$c" && wine 'C:\bin\PurgewellConsole.exe') || true
  else
    # No terminal to answer in (for example under CI): run it in a private tmux pane and answer y.
    socket="purgewell-demo-$$"
    tmux -L "$socket" new-session -d -x 120 -y 50 -c "$c" \
      "wine 'C:\\bin\\PurgewellConsole.exe'; tmux -L $socket wait-for -S demo-done; sleep 600"
    asks() { tmux -L "$socket" capture-pane -p -S - | grep -q 'Would you like to remove'; }
    poll 120 asks || true
    tmux -L "$socket" send-keys y
    timeout 60 tmux -L "$socket" wait-for demo-done || true
    tmux -L "$socket" capture-pane -p -S - 2>/dev/null | sed -e :a -e '/^\n*$/{$d;N;ba' -e '}' || true
    tmux -L "$socket" kill-server 2>/dev/null || true
  fi
  echo "------------------------------------------------------------------------------------------------"
fi

echo
echo "Left on the sandbox machine:"
left=0
for item in "${planted[@]}"; do
  if [ -e "${item#*|}" ]; then echo "  file     ${item%%|*}"; left=$((left + 1)); fi
done
if wine reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run' /v 'Tiny AV' >/dev/null 2>&1 </dev/null; then
  echo "  registry value \"Tiny AV\""; left=$((left + 1))
fi
state=$(ps -o stat= -p "$sleeper_pid" 2>/dev/null || true)
if [ -n "$state" ] && [ "${state#Z}" = "$state" ]; then
  echo "  process  C:\\Temp\\svch0st.exe is still running"; left=$((left + 1))
fi
[ $left -eq 0 ] && echo "  nothing: every planted trace is gone."
exit 0
