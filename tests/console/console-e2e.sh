#!/usr/bin/env bash
# End-to-end tests of PurgewellConsole.exe under Wine, in a tmux pane of 120 x 40 on a private test machine.
# console-e2e.sh CASE TREE PROGRAM ADVPACK_DLL PLANTED_PSAPI
#   TREE is the build tree (its wine/template is copied), PROGRAM the built exe, ADVPACK_DLL the ADVPACK.DLL
#   stand-in, whose IsNTAdmin answers 0 and which marks C:\planted-advpack-loaded when loaded, PLANTED_PSAPI
#   a psapi.dll that marks C:\planted-psapi-loaded. A CASE named winxp_NAME runs NAME on a machine set to
#   Windows XP.
# Each case checks the exact screen (times shown as <WHEN>), the exit code and the files left on the drives;
# trailing spaces, which the screen capture drops, are checked in a run with standard output redirected.
set -euo pipefail
case_name=$1 tree=$(cd "$2" && pwd) program=$3 advpack_dll=$4 planted_psapi=$5
run_name=$case_name windows_version=""
case $case_name in winxp_*) windows_version=winxp case_name=${case_name#winxp_} ;; esac
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/scripts/wine-lib.sh"

work="$tree/tests/console/work/$run_name"
prefix="$work/prefix"
pane_socket="purgewell-console-$run_name-$$" pane_work=$work
. "$root/tests/common/console-pane.sh"
overrides="mscoree,mshtml="
check="$here/console_output_check.py"
# A redirected standard output has no window: the program assumes 80 columns, so paths get 69 characters.
redirected_width=69
screen_width=109

cleanup() {
  [ -z "${CONSOLE_E2E_KEEP:-}" ] || return 0
  pane_stop
  wine_stop_server "$prefix"
  rm -rf "$prefix"
}
trap cleanup EXIT

fail() {
  echo "FAIL ($run_name): $*" >&2
  local window
  for window in $(tmux -L "$pane_socket" list-windows -F '#{window_name}' 2>/dev/null); do
    echo "--- screen of $window ---" >&2
    pane_screen "$window" >&2 || true
  done
  exit 1
}

# ---- the test machine ----

# A copy of the tree's template with fixed fixture drives D:, E:, F: and the program in C:\bin.
make_machine() {
  wine_template "$tree/wine/template" "$(wine_tree_arch "$tree")"
  rm -rf "$work"
  mkdir -p "$work"
  wine_copy "$tree/wine/template" "$prefix"
  local letter
  for letter in d e f; do wine_map_drive "$prefix" "$letter" "drive_$letter" hd; done
  if [ -n "$windows_version" ]; then
    wine_set_windows_version "$prefix" "$windows_version"
    [ "$(wine_windows_version "$prefix")" = "Microsoft Windows 5.1.2600" ] || fail "the machine is not Windows XP"
  fi
  # A server started before the last drive existed would not show it to the program.
  wine_stop_server "$prefix"
  mkdir -p "$prefix/drive_c/bin"
  cp "$program" "$prefix/drive_c/bin/PurgewellConsole.exe"
}

# Ordinary files that must survive every run.
add_clean_files() {
  mkdir -p "$prefix/drive_d/docs" "$prefix/drive_e/music"
  echo "a letter" >"$prefix/drive_d/docs/letter.txt"
  head -c 30000 /dev/zero >"$prefix/drive_e/music/song.bin"
}

# forged FILE CRC: a stand-in Vexlor build, an ordinary file whose CRC-32 is that of a known build.
forged() {
  local file=$1 crc=$2
  mkdir -p "$(dirname "$file")"
  printf 'stand-in body of %s\n' "$(basename "$file")" >"$file"
  "$root/tests/tools/forge-crc32.py" "$file" "$crc"
}

# The system's ADVPACK.DLL replaced by ours, answering "not an administrator".
install_not_admin_advpack() {
  cp "$advpack_dll" "$prefix/drive_c/windows/system32/advpack.dll"
  overrides="mscoree,mshtml=;advpack=n"
}

assert_exists() { [ -e "$prefix/$1" ] || fail "$1 was deleted"; }
assert_gone() { [ ! -e "$prefix/$1" ] || fail "$1 is still there"; }

# ---- the program in tmux ----

# start WINDOW [OUTPUT [PATTERN]]: runs the program in a new tmux window; with OUTPUT, standard output goes to
# that file; with PATTERN too, through a pipe that slows the program down once PATTERN is out (see the
# checker's throttle).
start() {
  local window=$1 output=${2:-} pattern=${3:-}
  local arch command
  arch=$(wine_tree_arch "$tree")
  command="env WINEPREFIX='$prefix' WINEARCH=$arch WINEDEBUG=-all WINEDLLOVERRIDES='$overrides' LANG=C.UTF-8"
  command="$command wine 'C:\\bin\\PurgewellConsole.exe'"
  if [ -n "$pattern" ]; then
    command="$(pane_recorded "$window" "$command") | python3 '$check' throttle '$output' '$pattern'"
  else
    [ -n "$output" ] && command="$command >'$output'"
    command=$(pane_recorded "$window" "$command")
  fi
  wine_start_server "$prefix"
  pane_start "$window" "$prefix/drive_c" "$command"
}

# wait_path FILE: until FILE exists.
wait_path() { poll 60 test -e "$1" || fail "$1 never appeared"; }

# wait_file FILE REGEX: until a line of the redirected output matches.
file_shows() { [ -f "$1" ] && tr '\r' '\n' <"$1" | grep -qE -- "$2"; }
wait_file() { poll 60 file_shows "$1" "$2" || fail "no line matching '$2' in $1"; }

assert_running() { ! pane_ended "$1" || fail "$1 ended while its dialogue was still due"; }

# expect_screen WINDOW [SED]: the screen (edited by the sed script SED) must equal standard input exactly.
expect_screen() {
  local window=$1 edit=${2:-}
  if ! diff -u <(cat) <(pane_screen "$window" | sed -e "$edit") >"$work/screen.diff"; then
    fail "screen of $window differs (- expected, + shown):
$(cat "$work/screen.diff")"
  fi
}

# expect_redirected FILE: the redirected output must show standard input exactly, trailing spaces included.
expect_redirected() {
  local file=$1
  cat >"$work/expected.txt"
  python3 "$check" redirected "$file" "$work/expected.txt" "$redirected_width" || fail "redirected output of $file"
}

BANNER="Vexlor Removal Tool - Console version
Purgewell 1.0.0.0 - free removal tool by the Purgewell developers
"
START_LINES="The removal process will now start. Press CTRL+C to stop.

--- Removal process started at <WHEN> ---"
SPACES_1=" "
SPACES_15="               "
SPACES_16="                "
SPACES_40="                                        "
# A long message as the 120-column console shows it: cut into rows, trailing spaces dropped.
rows() { printf '%s\n' "$1" | fold -w 120 | sed 's/ *$//'; }
ADMIN_QUESTION=$(rows "You do not appear to have Administration priveleges which may be required to fully remove Vexlor from your computer. Do you want to continue? Y/N")
ALREADY_RUNNING=$(rows "Vexlor Removal Tool is already running. Please switch to the first instance of Vexlor Removal Tool or use the Task Manager to terminate the existing instance.")

# ---- cases ----

case_clean_machine() {
  make_machine
  add_clean_files
  start screen
  pane_wait_exit screen
  expect_screen screen <<EOF
$BANNER
$START_LINES
--- Removal process finished at <WHEN> ---
Vexlor was not found on your computer!
EOF
  start redirected "$work/out.txt"
  pane_wait_exit redirected
  expect_redirected "$work/out.txt" <<EOF
$BANNER
$START_LINES
--- Removal process finished at <WHEN> ---$SPACES_15
Vexlor was not found on your computer!$SPACES_40
EOF
  assert_exists drive_d/docs/letter.txt
  assert_exists drive_e/music/song.bin
}

TWO_FOUND="$BANNER
$START_LINES
A Vexlor.y infected file was found: D:\\tools\\setup.exe
A Vexlor.a infected file was found: E:\\games\\old\\patch.dll
--- Removal process finished at <WHEN> ---
Vexlor was found in 2 files on your PC. Would you like to remove the infected files? Y/N"
NOT_SURE="Warning! Your computer may still be infected by Vexlor. Are you sure you want to continue? Y/N"

# two_found KEYS DELETED: the two-file machine answered with KEYS (one or two keys); DELETED is yes or no.
two_found() {
  local keys=$1 deleted=$2 tail=$3
  make_machine
  add_clean_files
  forged "$prefix/drive_d/tools/setup.exe" 0xB566B395
  forged "$prefix/drive_e/games/old/patch.dll" 0x7278A0B5
  start screen
  pane_wait screen 'Would you like to remove the infected files'
  pane_keys screen "${keys:0:1}"
  if [ ${#keys} -eq 2 ]; then
    pane_wait screen 'Are you sure you want to continue'
    pane_keys screen "${keys:1:1}"
  fi
  pane_wait_exit screen
  expect_screen screen <<EOF
$TWO_FOUND
$tail
EOF
  if [ "$deleted" = yes ]; then
    assert_gone drive_d/tools/setup.exe
    assert_gone drive_e/games/old/patch.dll
  else
    assert_exists drive_d/tools/setup.exe
    assert_exists drive_e/games/old/patch.dll
  fi
  assert_exists drive_d/docs/letter.txt
  assert_exists drive_e/music/song.bin
}

case_two_found_y() { two_found y yes "2 out of 2 files were successfully removed!"; }
case_two_found_Y() { two_found Y yes "2 out of 2 files were successfully removed!"; }
case_two_found_n_n() { two_found nn yes "$NOT_SURE
2 out of 2 files were successfully removed!"; }
case_two_found_n_y() { two_found ny no "$NOT_SURE"; }
case_two_found_n_other() { two_found nx no "$NOT_SURE"; }
case_two_found_q() { two_found q yes "Warning! You did not type either Y or N. Defaulting to Y.
2 out of 2 files were successfully removed!"; }

case_read_only_and_gone() {
  make_machine
  forged "$prefix/drive_d/locked.exe" 0xB566B395
  chmod 444 "$prefix/drive_d/locked.exe"
  forged "$prefix/drive_e/plain.exe" 0xE100707E
  forged "$prefix/drive_f/gone.exe" 0x67081651
  start screen
  pane_wait screen 'Would you like to remove the infected files'
  # Gone between the scan and the answer: it cannot be deleted and lowers the count.
  rm -f "$prefix/drive_f/gone.exe"
  pane_keys screen y
  pane_wait_exit screen
  expect_screen screen <<EOF
$BANNER
$START_LINES
A Vexlor.y infected file was found: D:\\locked.exe
A Vexlor.r infected file was found: E:\\plain.exe
A Vexlor.z infected file was found: F:\\gone.exe
--- Removal process finished at <WHEN> ---
Vexlor was found in 3 files on your PC. Would you like to remove the infected files? Y/N
2 out of 3 files were successfully removed!
EOF
  assert_gone drive_d/locked.exe
  assert_gone drive_e/plain.exe
}

# Wine's "pause" sometimes shows the key that ended it, sometimes not before the program ends.
PAUSE_ECHO='s/^\(Press any key to continue\.\.\.\) k$/\1/'
# E: holds thousands of small files under a path too long to show whole, so a scan stays there for a while.
LONG_DIRECTORY='E:\archive-of-scanned-documents-from-the-old-office\second-floor-filing-cabinet-drawer-three\letters-and-invoices'
add_long_scan() {
  local folder="$prefix/drive_e/${LONG_DIRECTORY#E:\\}"
  folder=${folder//\\//}
  mkdir -p "$folder"
  # One byte each: the walk opens and reads every one (an empty file is passed without an open).
  python3 - "$folder" <<'PY'
import os, sys
for number in range(1, 40001):
    with open(os.path.join(sys.argv[1], "f%05d.txt" % number), "w") as file:
        file.write("x")
PY
}

STOPPED="$BANNER
$START_LINES
A Vexlor.y infected file was found: D:\\found.exe
--- Removal process stopped at <WHEN> ---
Vexlor was found in 1 files on your PC. Would you like to remove the infected files? Y/N
1 out of 1 files were successfully removed!
Press any key to continue..."

case_ctrl_c_long_scan() {
  make_machine
  forged "$prefix/drive_d/found.exe" 0xB566B395
  add_long_scan
  start screen
  pane_wait screen '^Scanning: E:\\archive'
  # The 120-column window gives progressWidth 109: the long path shows compacted to 108 characters.
  local line
  line=$(pane_capture screen | grep -m1 '^Scanning: E:\\archive' || true)
  python3 "$check" compacted "$line" "$LONG_DIRECTORY" "$screen_width" || fail "progress line '$line'"
  pane_ctrl_c screen
  pane_wait screen 'Would you like to remove the infected files'
  assert_running screen
  pane_keys screen y
  pane_wait screen '^Press any key to continue'
  assert_running screen
  pane_keys screen k
  pane_wait_exit screen
  expect_screen screen "$PAUSE_ECHO" <<EOF
$STOPPED
EOF
  assert_gone drive_d/found.exe

  # With output to a file the scan runs too fast to catch: a pipe holds it once it is in E:.
  forged "$prefix/drive_d/found.exe" 0xB566B395
  start redirected "$work/out.txt" 'Scanning: E:'
  wait_path "$work/out.txt.slow"
  pane_ctrl_c redirected
  wait_file "$work/out.txt" 'Would you like to remove the infected files'
  pane_keys redirected y
  wait_file "$work/out.txt" '^Press any key to continue'
  pane_keys redirected k
  pane_wait_exit redirected
  wait_path "$work/out.txt.done"
  python3 - "$work/out.txt" <<'PY'
import sys
raw = open(sys.argv[1], "rb").read()
# cmd's "pause" ends its line itself; the checker wants complete lines.
if not raw.endswith(b"\r\n"):
    open(sys.argv[1], "ab").write(b"\r\n")
PY
  expect_redirected "$work/out.txt" <<EOF
$BANNER
$START_LINES
A Vexlor.y infected file was found: D:\\found.exe
--- Removal process stopped at <WHEN> ---$SPACES_16
Vexlor was found in 1 files on your PC. Would you like to remove the infected files? Y/N
1 out of 1 files were successfully removed!
Press any key to continue...$SPACES_1
EOF
  assert_gone drive_d/found.exe
}

# A hostile machine: names Windows maps to devices (a Vexlor copy among them), a FIFO and a link to /dev/zero
# on D:, names outside the ANSI code page on E: and F:, a path of almost 600 characters on C:, shown whole. The scan ends, the
# console shows the real names, redirected output writes "?" for each character the code page cannot spell.
LONG_FOLDER=long
for letter in a b c d e f g h; do LONG_FOLDER+="/$(printf "$letter%.0s" {1..72})"; done
LONG_PATH="C:\\${LONG_FOLDER//\//\\}\\v.exe"
add_hostile_files() {
  forged "$prefix/drive_c/$LONG_FOLDER/v.exe" 0xE100707E
  forged "$prefix/drive_d/dev/aux.log" 0xB566B395
  local name
  for name in com1.dat nul.txt con prn lpt1.log; do echo "plain text" >"$prefix/drive_d/dev/$name"; done
  mkfifo "$prefix/drive_d/dev/fifo"
  ln -s /dev/zero "$prefix/drive_d/dev/zero"
  forged "$prefix/drive_e/Документы/файл.exe" 0x7278A0B5
  forged "$prefix/drive_f/文件/病毒.exe" 0x411A3D2A
}

# A run on the screen whose removal question is answered y, after running BEFORE_ANSWER if given.
remove_on_screen() {
  local before_answer=${1:-}
  start screen
  pane_wait screen 'Would you like to remove the infected files'
  [ -z "$before_answer" ] || "$before_answer"
  pane_keys screen y
  pane_wait_exit screen
}

case_hostile_machine() {
  make_machine
  add_hostile_files
  start redirected "$work/out.txt"
  wait_file "$work/out.txt" 'Would you like to remove the infected files'
  pane_keys redirected n
  wait_file "$work/out.txt" 'Are you sure you want to continue'
  pane_keys redirected y
  pane_wait_exit redirected
  expect_redirected "$work/out.txt" <<EOF
$BANNER
$START_LINES
A Vexlor.r infected file was found: $LONG_PATH
A Vexlor.y infected file was found: D:\\dev\\aux.log
A Vexlor.a infected file was found: E:\\?????????\\????.exe
A Vexlor.k infected file was found: F:\\??\\??.exe
--- Removal process finished at <WHEN> ---$SPACES_15
Vexlor was found in 4 files on your PC. Would you like to remove the infected files? Y/N
$NOT_SURE
EOF
  remove_on_screen
  expect_screen screen <<EOF
$BANNER
$START_LINES
$(rows "A Vexlor.r infected file was found: $LONG_PATH")
A Vexlor.y infected file was found: D:\\dev\\aux.log
A Vexlor.a infected file was found: E:\\Документы\\файл.exe
A Vexlor.k infected file was found: F:\\文件\\病毒.exe
--- Removal process finished at <WHEN> ---
Vexlor was found in 4 files on your PC. Would you like to remove the infected files? Y/N
4 out of 4 files were successfully removed!
EOF
  assert_gone "drive_c/$LONG_FOLDER/v.exe"
  assert_gone drive_d/dev/aux.log
  assert_gone drive_e/Документы/файл.exe
  assert_gone drive_f/文件/病毒.exe
  for name in com1.dat nul.txt con prn lpt1.log fifo zero; do [ -e "$prefix/drive_d/dev/$name" ] || [ -L "$prefix/drive_d/dev/$name" ] || fail "drive_d/dev/$name was deleted"; done
}

# A folder seen a second time through a directory link on the same drive: its Vexlor copy is listed once.
case_link_listed_once() {
  make_machine
  forged "$prefix/drive_d/tools/setup.exe" 0xB566B395
  ln -s tools "$prefix/drive_d/again"
  remove_on_screen
  expect_screen screen <<EOF
$BANNER
$START_LINES
A Vexlor.y infected file was found: D:\\tools\\setup.exe
--- Removal process finished at <WHEN> ---
Vexlor was found in 1 files on your PC. Would you like to remove the infected files? Y/N
1 out of 1 files were successfully removed!
EOF
  assert_gone drive_d/tools/setup.exe
  [ -L "$prefix/drive_d/again" ] || fail "the link was removed"
}

# The place of a found file taken over between the question and the answer: the removal deletes nothing and
# says so. The decoy, a copy of the found file in a folder outside every drive, must survive.
SWAPPED_FOUND="$BANNER
$START_LINES
A Vexlor.y infected file was found: D:\\x\\victim.dll
--- Removal process finished at <WHEN> ---
Vexlor was found in 1 files on your PC. Would you like to remove the infected files? Y/N
0 out of 1 files were successfully removed!"
# swapped_before_answer SWAP: the found D:\x\victim.dll and its decoy; SWAP changes the machine at the question.
swapped_before_answer() {
  make_machine
  forged "$prefix/drive_d/x/victim.dll" 0xB566B395
  mkdir -p "$work/elsewhere"
  cp -p "$prefix/drive_d/x/victim.dll" "$work/elsewhere/victim.dll"
  cp -p "$prefix/drive_d/x/victim.dll" "$work/victim.original"
  remove_on_screen "$1"
  expect_screen screen <<EOF
$SWAPPED_FOUND
EOF
  cmp -s "$work/elsewhere/victim.dll" "$work/victim.original" || fail "the decoy was deleted or changed"
}
folder_to_link() {
  mv "$prefix/drive_d/x" "$prefix/drive_d/x-moved"
  ln -s "$work/elsewhere" "$prefix/drive_d/x"
}
file_to_link() {
  rm "$prefix/drive_d/x/victim.dll"
  ln -s "$work/elsewhere/victim.dll" "$prefix/drive_d/x/victim.dll"
}
file_to_copy() {
  rm "$prefix/drive_d/x/victim.dll"
  cp -p "$work/victim.original" "$prefix/drive_d/x/victim.dll"
}
# Two names of one file (a hard link): each name is found, and both are removed.
case_hard_linked_file() {
  make_machine
  forged "$prefix/drive_d/tools/setup.exe" 0xB566B395
  mkdir -p "$prefix/drive_d/more"
  ln "$prefix/drive_d/tools/setup.exe" "$prefix/drive_d/more/setup.exe"
  remove_on_screen
  expect_screen screen <<EOF
$BANNER
$START_LINES
A Vexlor.y infected file was found: D:\\more\\setup.exe
A Vexlor.y infected file was found: D:\\tools\\setup.exe
--- Removal process finished at <WHEN> ---
Vexlor was found in 2 files on your PC. Would you like to remove the infected files? Y/N
2 out of 2 files were successfully removed!
EOF
  assert_gone drive_d/tools/setup.exe
  assert_gone drive_d/more/setup.exe
}

# Names that differ only in case, both ways round: Wine's folders are case-sensitive, and after the delete the
# found name opens the neighbour by a case-insensitive match. Each Vexlor copy is removed and counted; each
# neighbour keeps its bytes.
case_case_neighbours() {
  make_machine
  forged "$prefix/drive_d/a/Mixed.exe" 0xB566B395
  echo "an ordinary program" >"$prefix/drive_d/a/mixed.exe"
  forged "$prefix/drive_d/b/mixed.exe" 0x411A3D2A
  echo "another ordinary program" >"$prefix/drive_d/b/Mixed.exe"
  cp "$prefix/drive_d/a/mixed.exe" "$work/neighbour-a"
  cp "$prefix/drive_d/b/Mixed.exe" "$work/neighbour-b"
  remove_on_screen
  expect_screen screen <<EOF
$BANNER
$START_LINES
A Vexlor.y infected file was found: D:\\a\\Mixed.exe
A Vexlor.k infected file was found: D:\\b\\mixed.exe
--- Removal process finished at <WHEN> ---
Vexlor was found in 2 files on your PC. Would you like to remove the infected files? Y/N
2 out of 2 files were successfully removed!
EOF
  assert_gone drive_d/a/Mixed.exe
  assert_gone drive_d/b/mixed.exe
  cmp -s "$prefix/drive_d/a/mixed.exe" "$work/neighbour-a" || fail "drive_d/a/mixed.exe was changed or deleted"
  cmp -s "$prefix/drive_d/b/Mixed.exe" "$work/neighbour-b" || fail "drive_d/b/Mixed.exe was changed or deleted"
}

# A Linux name holding a backslash beside a real folder of that name: joined to D:\ it would name the folder's
# file. The folder's Vexlor copy is found and removed once; the other file is never taken for it.
case_backslash_name() {
  make_machine
  forged "$prefix/drive_d/bs/x.exe" 0xB566B395
  echo "an ordinary file" >"$prefix/drive_d/bs\\x.exe"
  cp "$prefix/drive_d/bs\\x.exe" "$work/backslash-name"
  remove_on_screen
  expect_screen screen <<EOF
$BANNER
$START_LINES
A Vexlor.y infected file was found: D:\\bs\\x.exe
--- Removal process finished at <WHEN> ---
Vexlor was found in 1 files on your PC. Would you like to remove the infected files? Y/N
1 out of 1 files were successfully removed!
EOF
  assert_gone drive_d/bs/x.exe
  cmp -s "$prefix/drive_d/bs\\x.exe" "$work/backslash-name" || fail "the file named bs\\x.exe was changed or deleted"
}

case_folder_swapped_for_link() {
  swapped_before_answer folder_to_link
  [ -L "$prefix/drive_d/x" ] || fail "the link was removed"
  cmp -s "$prefix/drive_d/x-moved/victim.dll" "$work/victim.original" || fail "the moved file was changed"
}
case_file_swapped_for_link() {
  swapped_before_answer file_to_link
  [ -L "$prefix/drive_d/x/victim.dll" ] || fail "the link was removed"
}
# The same name, size, contents and last-write time, but another file.
case_file_swapped_for_copy() {
  swapped_before_answer file_to_copy
  cmp -s "$prefix/drive_d/x/victim.dll" "$work/victim.original" || fail "the other file was deleted"
}

# A key typed while the scan runs is not echoed and not lost: it answers the question.
case_key_during_scan() {
  make_machine
  forged "$prefix/drive_d/found.exe" 0xB566B395
  add_long_scan
  start screen
  pane_wait screen '^Scanning: E:\\archive'
  # The terminal must not echo keys itself: its echo lands wherever the cursor is, as in the question's answer.
  local terminal
  terminal=$(pane_show screen '#{pane_tty}')
  stty -a <"$terminal" | grep -qE '(^| )-echo( |$)' || fail "the terminal echoes keys during the scan: $(stty <"$terminal")"
  pane_keys screen y
  pane_wait_exit screen
  expect_screen screen <<EOF
$BANNER
$START_LINES
A Vexlor.y infected file was found: D:\\found.exe
--- Removal process finished at <WHEN> ---
Vexlor was found in 1 files on your PC. Would you like to remove the infected files? Y/N
1 out of 1 files were successfully removed!
EOF
  assert_gone drive_d/found.exe
}

case_second_copy() {
  make_machine
  install_not_admin_advpack
  start first
  pane_wait first 'you want to continue\? Y/N'
  start second
  pane_wait_exit second
  expect_screen second <<EOF
$BANNER
$ALREADY_RUNNING
EOF
  pane_keys first n
  pane_wait_exit first
  expect_screen first <<EOF
$BANNER
$ADMIN_QUESTION
EOF
}

# admin_answer KEY TAIL: the question of a user without rights, answered with KEY.
admin_answer() {
  local answer=$1 tail=$2
  make_machine
  install_not_admin_advpack
  forged "$prefix/drive_d/kept.exe" 0xB566B395
  start screen
  pane_wait screen 'you want to continue\? Y/N'
  pane_keys screen "$answer"
  [ "$answer" != y ] || { pane_wait screen 'Would you like to remove'; pane_keys screen n; pane_wait screen 'Are you sure'; pane_keys screen y; }
  pane_wait_exit screen
  expect_screen screen <<EOF
$BANNER
$ADMIN_QUESTION${tail:+
$tail}
EOF
  assert_exists drive_d/kept.exe
}

case_admin_y() { admin_answer y "$START_LINES
A Vexlor.y infected file was found: D:\\kept.exe
--- Removal process finished at <WHEN> ---
Vexlor was found in 1 files on your PC. Would you like to remove the infected files? Y/N
$NOT_SURE"; }
case_admin_n() { admin_answer n ""; }
case_admin_other() { admin_answer x "Warning! You did not type either Y or N. Defaulting to N."; }

# Without any ADVPACK.DLL the user counts as an administrator: no question.
case_admin_missing_library() {
  make_machine
  rm -f "$prefix/drive_c/windows/system32/advpack.dll"
  overrides="mscoree,mshtml=;advpack=n"
  start screen
  pane_wait_exit screen
  expect_screen screen <<EOF
$BANNER
$START_LINES
--- Removal process finished at <WHEN> ---
Vexlor was not found on your computer!
EOF
}

# planted_library DLL FILE_NAME OVERRIDE MARKER: DLL copied as FILE_NAME beside the program and into the current
# folder, with Wine searching like Windows (native first); the clean run must look as always, and MARKER, which
# the copy leaves on C: when loaded, must not appear.
planted_library() {
  local dll=$1 name=$2 override=$3 marker=$4
  make_machine
  cp "$dll" "$prefix/drive_c/bin/$name"
  cp "$dll" "$prefix/drive_c/$name"
  overrides="mscoree,mshtml=;$override"
  start screen
  pane_wait_exit screen
  expect_screen screen <<EOF
$BANNER
$START_LINES
--- Removal process finished at <WHEN> ---
Vexlor was not found on your computer!
EOF
  [ ! -e "$prefix/drive_c/$marker" ] || fail "the planted $name was loaded"
}

# The administrator test takes the system's ADVPACK.DLL, which says administrator: no question.
case_admin_planted_library() { planted_library "$advpack_dll" ADVPACK.DLL advpack=n,b planted-advpack-loaded; }
# psapi.dll is no known DLL on XP; the process sweep, which needs it, still runs on every process.
case_psapi_planted_library() { planted_library "$planted_psapi" psapi.dll psapi=n,b planted-psapi-loaded; }

"case_$case_name"
echo "PASS ($run_name)"
