#!/usr/bin/env bash
# End-to-end tests of PurgewellScan.exe under Wine, one case per outcome, each on its own copy of the test machine.
# scan-e2e CASE TREE PROGRAM SLEEPER MUTEX_HOLDER NOT_ADMIN_DLL
# Each case checks the exit code, the exact standard output and error (ids, times and counts shown as <ID>,
# <WHEN> and <N>), the JSON report (it must parse), the registry marker, and the machine afterwards: processes,
# the Run key, the files and the quarantine.
set -euo pipefail
case_name=$1 tree=$(cd "$2" && pwd) program=$3 sleeper=$4 mutex_holder=$5 not_admin_dll=$6
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/scripts/wine-lib.sh"
. "$root/scripts/poll.sh"

work="$tree/tests/scan/work/$case_name"
prefix="$work/prefix"
windows="$prefix/drive_c/windows"
quarantine="$prefix/drive_c/ProgramData/Purgewell/Quarantine"
run_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
socket="purgewell-scan-$case_name-$$"
overrides="mscoree,mshtml="
sleeper_pids=()
holder_pid=""
# A drive on another file system (tmpfs), so that moves between it and C: are copies, as between volumes.
shm_drive=""

cleanup() {
  local pid
  for pid in "${sleeper_pids[@]}" $holder_pid; do kill "$pid" 2>/dev/null || true; done
  tmux -L "$socket" kill-server 2>/dev/null || true
  wine_stop_server "$prefix"
  for pid in "${sleeper_pids[@]}" $holder_pid; do wait "$pid" 2>/dev/null || true; done
  # The case that makes a file immutable gives it back, even when it fails half-way.
  [ ! -e "$prefix/drive_d/games/stuck.exe" ] || chattr -i "$prefix/drive_d/games/stuck.exe" 2>/dev/null || true
  [ -z "${SCAN_E2E_KEEP:-}" ] || return 0
  [ -z "$shm_drive" ] || rm -rf "$shm_drive"
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL ($case_name): $*" >&2
  for file in "$work"/out "$work"/err; do
    [ -f "$file" ] && { echo "--- $(basename "$file") ---" >&2; cat "$file" >&2; }
  done
  exit 1
}

. "$root/tests/common/trace-stand-ins.sh"

# scan EXPECTED_STATUS ARGS...: runs the program with output to files, checks its exit code.
scan() {
  local expected=$1 status=0
  shift
  (wine_env "$prefix" && export WINEDLLOVERRIDES="$overrides" && cd "$prefix/drive_c" &&
    exec wine 'C:\bin\PurgewellScan.exe' "$@") </dev/null >"$work/out.raw" 2>"$work/err.raw" || status=$?
  tr -d '\r' <"$work/out.raw" | normalise >"$work/out"
  tr -d '\r' <"$work/err.raw" | normalise >"$work/err"
  # EXPECTED may list codes: "0,1".
  [[ ",$expected," == *",$status,"* ]] || fail "PurgewellScan $* ended with exit code $status, not $expected"
}

normalise() {
  sed -E -e 's/[0-9]{8}-[0-9]{6}-[0-9]{2,}/<ID>/g' -e 's/[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8}Z/<WHEN>/g' \
    -e 's/, [0-9]+ entries examined/, <N> entries examined/'
}

expect_output() {
  local stream=$1 expected=$2
  if ! diff -u <(printf '%s' "$expected") "$work/$stream" >"$work/diff"; then
    fail "standard $stream differs (- expected, + printed):
$(cat "$work/diff")"
  fi
}

# check_report FILE PYTHON [ARGS...]: the report must parse; PYTHON asserts on it as r (ARGS in sys.argv[3:]).
check_report() {
  local file=$1 code=$2
  [ -f "$file" ] || fail "no report at $file"
  shift 2
  python3 - "$file" "$code" "$@" <<'EOF' || fail "the report does not hold what it should"
import json, sys
r = json.load(open(sys.argv[1], encoding="ascii"))
assert r["schema"] == "purgewell-scan-report" and r["schema_version"] == 1, r
exec(sys.argv[2])
EOF
}

has_value() { in_prefix wine reg query "$run_key" /v "$1" </dev/null >/dev/null 2>&1; }

marker() { in_prefix wine reg query 'HKLM\SOFTWARE\Purgewell' /v "$1" </dev/null 2>/dev/null | tr -d '\r' | awk -v v="$1" '$1 == v {print $3}'; }

same_bytes() { cmp -s "$1" "$2" || fail "$2 does not hold the bytes of $1"; }

# ---- the machine ----

# make_machine [64]: a copy of the tree's template, or with 64 of its 64-bit Windows template (WOW64).
make_machine() {
  local template="$tree/wine/template" arch
  arch=$(wine_tree_arch "$tree")
  [ "${1:-}" != 64 ] || template="$tree/wine/template64" arch=win64
  wine_template "$template" "$arch"
  rm -rf "$work"
  mkdir -p "$work/expected"
  wine_copy "$template" "$prefix"
  wine_map_drive "$prefix" d drive_d hd
  mkdir -p "$prefix/drive_c/bin" "$prefix/drive_c/vexlor" "$prefix/drive_d/data"
  cp "$program" "$prefix/drive_c/bin/PurgewellScan.exe"
  cp "$mutex_holder" "$prefix/drive_c/bin/mutex_holder.exe"
  echo "an ordinary file" >"$prefix/drive_d/data/notes.txt"
  wine_start_server "$prefix"
}

# A running stand-in process, its Run value and file, a dropped file, a log, and a file on D: whose name is
# hostile (an apostrophe, a semicolon, a percent sign and a letter outside ASCII).
plant_traces() {
  forge "$prefix/drive_c/vexlor/svch0st.exe" 0xB566B395
  start_sleeper 'C:\vexlor\svch0st.exe' svch0st
  in_prefix wine reg add "$run_key" /v "Tiny AV" /t REG_SZ /d "fooding.exe -antivirus service" /f \
    </dev/null >/dev/null 2>&1
  printf 'run file' >"$windows/fooding.exe"
  "$root/tests/tools/forge-crc32.py" "$windows/fooding.exe" 0x411A3D2A
  echo "written by the stand-in" >"$windows/zip1.tmp"
  echo "written by the stand-in" >"$windows/pk_zip1.log"
  mkdir -p "$prefix/drive_d/games"
  printf 'game body' >"$prefix/drive_d/games/o'dd; 100% café.exe"
  "$root/tests/tools/forge-crc32.py" "$prefix/drive_d/games/o'dd; 100% café.exe" 0x22B06E5D
  for file in drive_c/vexlor/svch0st.exe drive_c/windows/fooding.exe drive_c/windows/zip1.tmp \
    drive_c/windows/pk_zip1.log "drive_d/games/o'dd; 100% café.exe"; do
    mkdir -p "$work/expected/$(dirname "$file")"
    cp "$prefix/$file" "$work/expected/$file"
  done
}

PLANTED_FILES=(drive_c/vexlor/svch0st.exe drive_c/windows/fooding.exe drive_c/windows/zip1.tmp
  drive_c/windows/pk_zip1.log "drive_d/games/o'dd; 100% café.exe")

all_planted_in_place() {
  local file
  for file in "${PLANTED_FILES[@]}"; do same_bytes "$work/expected/$file" "$prefix/$file"; done
}

all_planted_gone() {
  local file
  for file in "${PLANTED_FILES[@]}"; do [ ! -e "$prefix/$file" ] || fail "$file is still there"; done
}

# The lines every run over the planted machine prints, with the action of each kind.
planted_lines() {
  local process=$1 value=$2 file=$3 e_acute=$'\xe9'
  printf '%s\n' "process Vexlor.y C:\\vexlor\\svch0st.exe: $process" "run_value - Tiny AV: $value" \
    "dropped_file Vexlor.k C:\\windows\\fooding.exe: $file" "dropped_file - C:\\windows\\zip1.tmp: $file" \
    "log_file - C:\\windows\\pk_zip1.log: $file" "infected_file Vexlor.y C:\\vexlor\\svch0st.exe: $file" \
    "infected_file Vexlor.b D:\\games\\o'dd; 100% caf${e_acute}.exe: $file"
}

# ---- the cases ----

case_clean_machine() {
  make_machine
  # A Linux name holding a backslash beside a folder of that name: skipped under its own reason, never read as
  # the folder's file (which the walk reads once, under its own path). With 100 more such names the report
  # names the first 100 entries it could not check and counts the rest.
  mkdir -p "$prefix/drive_d/data/bs" "$prefix/drive_d/many"
  echo "an ordinary file" >"$prefix/drive_d/data/bs/x.txt"
  echo "another ordinary file" >"$prefix/drive_d/data/bs\\x.txt"
  local i
  for i in $(seq 1 100); do echo "$i" >"$prefix/drive_d/many/name\\$i.txt"; done
  scan 0 /report:C:\\report.json
  expect_output out "Result: clean (exit code 0), <N> entries examined
"
  # At most one progress line a second: the run has some, and nothing else went to standard error.
  grep -q . "$work/err" || fail "no progress line"
  ! grep -vE '^Scanning \([0-9]+ examined\): .+$' "$work/err" || fail "standard error holds more than progress"
  check_report "$prefix/drive_c/report.json" '
assert r["outcome"] == "clean" and r["exit_code"] == 0 and r["completed"] and not r["stopped"]
assert r["findings"] == [] and r["mode"] == "report_only" and r["examined"] > 100
assert r["skipped"]["unlistable_directory"] == 0 and r["quarantine"] is None
assert r["skipped"]["unjoinable_name"] == 101, r["skipped"]
listed = sum(n for reason, n in r["skipped"].items() if reason not in ("too_large", "in_quarantine"))
assert len(r["unchecked"]) == min(listed, 100) and r["unchecked_left_out"] == listed - len(r["unchecked"]), r
assert {"reason": "unjoinable_name", "path": "D:\\data\\bs\\x.txt"} in r["unchecked"], r["unchecked"]
assert all(set(entry) == {"reason", "path"} for entry in r["unchecked"]), r["unchecked"]'
  [ "$(marker LastResult)" = 0x0 ] || fail "LastResult is $(marker LastResult), not 0"
  [ "$(marker Version)" = 1.0.0.0 ] || fail "the marker's Version is $(marker Version)"
  [ -n "$(marker LastRun)" ] || fail "no LastRun in the marker"
  [ ! -e "$prefix/drive_c/report.json.partial" ] || fail "the partial report was left behind"
}

case_report_only() {
  make_machine
  plant_traces
  scan 2 /report:C:\\report.json
  expect_output out "$(planted_lines would_terminate would_delete would_remove)
Result: infected (exit code 2), <N> entries examined
"
  check_report "$prefix/drive_c/report.json" '
assert r["outcome"] == "infected" and r["exit_code"] == 2 and r["completed"]
kinds = [(f["kind"], f["action"]) for f in r["findings"]]
assert kinds == [("process", "would_terminate"), ("run_value", "would_delete")] + \
    [(k, "would_remove") for k in ["dropped_file", "dropped_file", "log_file", "infected_file", "infected_file"]], kinds
odd = r["findings"][-1]
assert odd["path"] == "D:\\games\\o\x27dd; 100% café.exe" and "path_hex" not in odd, odd
assert odd["crc32"] == "22b06e5d" and odd["size"] == 13
import hashlib
assert odd["sha256"] == hashlib.sha256(open(sys.argv[1].rsplit("/drive_c/", 1)[0] + "/drive_d/games/o\x27dd; 100% café.exe", "rb").read()).hexdigest()'
  process_ended "${sleeper_pids[0]}" && fail "the stand-in process was terminated by a report-only run"
  has_value "Tiny AV" || fail "the Run value was deleted by a report-only run"
  all_planted_in_place
  [ ! -e "$quarantine" ] || fail "a report-only run made the quarantine"
  [ "$(marker LastResult)" = 0x2 ] || fail "LastResult is $(marker LastResult), not 2"
}

case_quarantine_and_restore() {
  make_machine
  plant_traces
  scan 1 /remove /report:C:\\report.json
  expect_output out "$(planted_lines terminated deleted 'quarantined as <ID>')
Result: cleaned (exit code 1), <N> entries examined
"
  check_report "$prefix/drive_c/report.json" '
assert r["outcome"] == "cleaned" and r["exit_code"] == 1 and r["mode"] == "remove"
assert r["quarantine"] == "C:\\ProgramData\\Purgewell\\Quarantine", r["quarantine"]
files = [f for f in r["findings"] if f["kind"] not in ("process", "run_value")]
assert len(files) == 5 and all(f["action"] == "quarantined" and f["quarantine_id"] for f in files)'
  expect_exit_status "${sleeper_pids[0]}" 0 "the stand-in process"
  ! has_value "Tiny AV" || fail "the Run value is still there"
  all_planted_gone
  [ "$(find "$quarantine" -name '*.body' | wc -l)" = 5 ] || fail "the quarantine does not hold 5 bodies"
  [ "$(find "$quarantine" -name '*.exe' | wc -l)" = 0 ] || fail "a quarantined body can be started by its name"
  scan 0 /list
  [ "$(grep -c ' quarantined ' "$work/out")" = 5 ] || fail "/list does not show 5 quarantined items"
  LC_ALL=C grep -qE "^<ID> +quarantined +Vexlor.b +13  D:.games.o'dd; 100% caf.\.exe$" "$work/out" || fail "/list lacks the D: item"
  scan 0 /restore:all
  all_planted_in_place
  [ "$(find "$quarantine" -name '*.body' | wc -l)" = 0 ] || fail "bodies are left after /restore:all"
  [ "$(grep -c '^Restored <ID>: ' "$work/out")" = 5 ] || fail "/restore:all did not say it restored 5 items"
}

case_restore_refuses_to_overwrite() {
  make_machine
  mkdir -p "$prefix/drive_d/games"
  printf 'game body' >"$prefix/drive_d/games/game.exe"
  "$root/tests/tools/forge-crc32.py" "$prefix/drive_d/games/game.exe" 0xB566B395
  cp "$prefix/drive_d/games/game.exe" "$work/expected/game.exe"
  scan 1 /remove /quarantine:D:\\q
  id=$(basename "$(find "$prefix/drive_d/q" -name '*.body')" .body)
  echo "a new file with the same name" >"$prefix/drive_d/games/game.exe"
  scan 10 /restore:"$id" /quarantine:D:\\q
  expect_output err "PurgewellScan: <ID> not restored: a file exists at D:\\games\\game.exe
"
  grep -qx "a new file with the same name" "$prefix/drive_d/games/game.exe" || fail "the new file was overwritten"
  same_bytes "$work/expected/game.exe" "$prefix/drive_d/q/$id.body"
  scan 11 /restore:19990101-000000-01 /quarantine:D:\\q
  expect_output err "PurgewellScan: no quarantined item <ID>
"
  scan 11 /restore:..\\..\\report /quarantine:D:\\q
  expect_output err "PurgewellScan: no quarantined item ..\\..\\report
"
}

# A file that cannot be moved (immutable, so even root cannot rename it) makes the removal fail: exit code 2.
case_removal_fails() {
  make_machine
  mkdir -p "$prefix/drive_d/games"
  printf 'game body' >"$prefix/drive_d/games/stuck.exe"
  "$root/tests/tools/forge-crc32.py" "$prefix/drive_d/games/stuck.exe" 0xB566B395
  chattr +i "$prefix/drive_d/games/stuck.exe" || fail "chattr is needed for this case"
  scan 2 /remove /report:C:\\report.json
  chattr -i "$prefix/drive_d/games/stuck.exe"
  grep -qx 'infected_file Vexlor.y D:\\games\\stuck.exe: not_quarantined' "$work/out" || fail "the failed move is not shown"
  check_report "$prefix/drive_c/report.json" '
f = r["findings"][0]
assert r["outcome"] == "infected" and f["action"] == "not_quarantined" and f["error"].startswith("move into quarantine failed"), f'
  [ -f "$prefix/drive_d/games/stuck.exe" ] || fail "the file that could not be moved is gone"
  [ "$(find "$quarantine" -type f | wc -l)" = 0 ] || fail "a failed move left a manifest or body in the quarantine"
}

case_delete() {
  make_machine
  plant_traces
  scan 1 /delete /quiet /report:C:\\report.json
  expect_output out ""
  expect_output err ""
  check_report "$prefix/drive_c/report.json" '
assert r["mode"] == "delete" and r["quarantine"] is None
assert [f["action"] for f in r["findings"]] == ["terminated", "deleted"] + ["deleted"] * 5'
  all_planted_gone
  [ ! -e "$quarantine" ] || fail "/delete made the quarantine"
}

case_bad_switch() {
  make_machine
  scan 4 /remove /bogus
  head -n 1 "$work/err" | grep -qx 'PurgewellScan: unknown switch /bogus' || fail "no reason for the bad switch"
  grep -q '^Usage: PurgewellScan' "$work/err" || fail "no usage after the bad switch"
  scan 4 /remove /delete
  head -n 1 "$work/err" | grep -qx 'PurgewellScan: /remove and /delete exclude each other' || fail "no reason"
  scan 4 /report:
  head -n 1 "$work/err" | grep -qx "PurgewellScan: /report needs a value after ':'" || fail "no reason"
}

case_second_instance() {
  make_machine
  hold_tool_mutex 'C:\bin\mutex_holder.exe'
  scan 5 /remove /report:C:\\report.json
  expect_output err "PurgewellScan: another copy of Purgewell is running
"
  check_report "$prefix/drive_c/report.json" '
assert r["outcome"] == "not_run" and r["exit_code"] == 5 and not r["completed"] and r["findings"] == []'
}

case_no_rights() {
  make_machine
  plant_traces
  cp "$not_admin_dll" "$windows/system32/advpack.dll"
  overrides="mscoree,mshtml=;advpack=n"
  scan 6 /remove
  expect_output err "PurgewellScan: /remove and /delete need administrator rights
"
  all_planted_in_place
  # Report only goes ahead and says it ran without rights.
  scan 2 /quiet /report:C:\\report.json
  check_report "$prefix/drive_c/report.json" 'assert r["administrator"] is False and r["outcome"] == "infected"'
}

# Ctrl+C in a console while a long walk runs: the run ends, nothing found is moved, the report says incomplete.
case_ctrl_c() {
  make_machine
  plant_traces
  python3 - "$prefix/drive_d/bulk" <<'EOF'
import os, sys
for d in range(60):
    os.makedirs(f"{sys.argv[1]}/{d:03}", exist_ok=True)
    for f in range(1000):
        open(f"{sys.argv[1]}/{d:03}/{f:03}.txt", "w").write("x")
EOF
  printf 'set -g remain-on-exit on\nset -g history-limit 10000\n' >"$work/tmux.conf"
  tmux -L "$socket" -f "$work/tmux.conf" new-session -d -s main -x 200 -y 40 -c "$prefix/drive_c" \
    "env WINEPREFIX='$prefix' WINEARCH=$(wine_tree_arch "$tree") WINEDEBUG=-all WINEDLLOVERRIDES='$overrides' LANG=C.UTF-8 \
     wine 'C:\\bin\\PurgewellScan.exe' /remove /report:C:\\report.json; echo \$? >'$work/status'"
  # A progress line with a path: the system stages are done and the walk has begun.
  poll 120 walk_shown || fail "the walk never showed its progress, or the scan ended before it could be stopped"
  tmux -L "$socket" send-keys -t main C-c
  poll 120 test -s "$work/status" || fail "the stopped scan did not end"
  [ "$(cat "$work/status")" = 3 ] || fail "the stopped scan ended with $(cat "$work/status"), not 3"
  check_report "$prefix/drive_c/report.json" '
assert r["outcome"] == "incomplete" and r["stopped"] and not r["completed"] and r["exit_code"] == 3
left = [f for f in r["findings"] if f["kind"] not in ("process", "run_value")]
assert left and all(f["action"] == "left" and f["error"] == "the run was stopped before removal" for f in left), left'
  [ -f "$prefix/drive_c/windows/zip1.tmp" ] || fail "a file was removed after the stop"
  [ "$(marker LastResult)" = 0x3 ] || fail "LastResult is $(marker LastResult), not 3"
}

walk_shown() {
  [ ! -s "$work/status" ] || return 2
  tmux -L "$socket" capture-pane -p -t main | grep -qE '^Scanning \([0-9]+ examined\): [A-Z]:'
}

# 64-bit Windows: one file in the real System32 and one in SysWOW64, which a 32-bit program sees under the same
# name unless the redirector is off. Each is quarantined from, and restored to, its own folder.
case_wow64() {
  make_machine 64
  local file
  for file in system32/vx64.dll syswow64/vx32.dll; do
    printf 'body in %s' "$file" >"$windows/$file"
    "$root/tests/tools/forge-crc32.py" "$windows/$file" 0xB566B395
    mkdir -p "$work/expected/$(dirname "$file")"
    cp "$windows/$file" "$work/expected/$file"
  done
  scan 1 /remove /report:C:\\report.json
  check_report "$prefix/drive_c/report.json" '
paths = sorted(f["path"].lower() for f in r["findings"])
assert paths == ["c:\\windows\\system32\\vx64.dll", "c:\\windows\\syswow64\\vx32.dll"], paths
assert all(f["action"] == "quarantined" and f["sha256"] for f in r["findings"]), r["findings"]'
  [ ! -e "$windows/system32/vx64.dll" ] || fail "the System32 file was not moved"
  [ ! -e "$windows/syswow64/vx32.dll" ] || fail "the SysWOW64 file was not moved"
  scan 0 /restore:all
  same_bytes "$work/expected/system32/vx64.dll" "$windows/system32/vx64.dll"
  same_bytes "$work/expected/syswow64/vx32.dll" "$windows/syswow64/vx32.dll"
}

# Drive E: on another file system (tmpfs): moves between it and C: are copies, as between volumes.
add_tmpfs_drive() {
  shm_drive=$(mktemp -d /dev/shm/purgewell-scan-e2e.XXXXXX)
  ln -s "$shm_drive" "$prefix/drive_e"
  wine_stop_server "$prefix"
  wine_map_drive "$prefix" e drive_e hd
  wine_start_server "$prefix"
}

# PurgewellScan /remove killed from outside (TerminateProcess, through Wine's taskkill) once its first manifest
# is in the quarantine, with files to move by rename (C:) and by copy (E:, another file system). Wherever the
# kill lands, one more run leaves exactly one quarantined item per file, each with its body, and /restore:all
# then puts every file back byte for byte.
KILLED_FILES=40
case_killed_from_outside() {
  make_machine
  add_tmpfs_drive
  local i file
  for i in $(seq 1 "$KILLED_FILES"); do
    for file in "drive_c/near/$i.exe" "drive_e/far/$i.exe"; do
      mkdir -p "$prefix/$(dirname "$file")" "$work/expected/$(dirname "$file")"
      head -c 30000 /dev/urandom >"$prefix/$file"
      "$root/tests/tools/forge-crc32.py" "$prefix/$file" 0xB566B395
      cp "$prefix/$file" "$work/expected/$file"
    done
  done
  (wine_env "$prefix" && cd "$prefix/drive_c" &&
    exec env WINEDLLOVERRIDES="$overrides" wine 'C:\bin\PurgewellScan.exe' /remove /quiet /quarantine:C:\\q) \
    </dev/null >/dev/null 2>&1 &
  local run=$!
  poll 300 compgen -G "$prefix/drive_c/q/*.json" >/dev/null || fail "no manifest reached the quarantine"
  in_prefix wine taskkill /f /im PurgewellScan.exe </dev/null >/dev/null 2>&1 || true
  wait "$run" || true
  echo "killed with $(find "$prefix/drive_c/q" -type f | wc -l) files in the quarantine" \
    "and $(find "$prefix/drive_c/near" "$prefix/drive_e/far" -type f | wc -l) of $((2 * KILLED_FILES)) in place"
  scan 0,1 /remove /quarantine:C:\\q
  local names
  names=$(cd "$prefix/drive_c/q" && ls)
  if ! [ "$(grep -c '^[0-9-]*\.body$' <<<"$names")" = $((2 * KILLED_FILES)) ] ||
    ! [ "$(grep -c '^[0-9-]*\.json$' <<<"$names")" = $((2 * KILLED_FILES)) ] ||
    ! [ "$(wc -l <<<"$names")" = $((4 * KILLED_FILES)) ]; then
    fail "after one more run the quarantine does not hold one item with its body per file: $names"
  fi
  [ -z "$(find "$prefix/drive_c/near" "$prefix/drive_e/far" -type f)" ] || fail "a planted file is still in place"
  scan 0 /restore:all /quarantine:C:\\q
  for i in $(seq 1 "$KILLED_FILES"); do
    for file in "drive_c/near/$i.exe" "drive_e/far/$i.exe"; do same_bytes "$work/expected/$file" "$prefix/$file"; done
  done
  names=$(cd "$prefix/drive_c/q" && ls)
  if ! [ "$(grep -c '^[0-9-]*\.restored\.json$' <<<"$names")" = $((2 * KILLED_FILES)) ] ||
    ! [ "$(wc -l <<<"$names")" = $((2 * KILLED_FILES)) ]; then
    fail "after /restore:all the quarantine holds: $names"
  fi
  scan 0 /list /quarantine:C:\\q
  ! grep -E ' (missing|moving|restoring|quarantined) ' "$work/out" || fail "/list shows an item not restored"
}

# Names outside the ANSI code page, one at the end of a path past MAX_PATH: moved in by a rename (D:) and by a
# copy across volumes (E:), listed, and put back byte for byte. The console shows what the code page cannot
# spell as "?"; the report and the manifests keep every name exactly.
LONG_FOLDER="long/$(printf 'a%.0s' {1..72})/$(printf 'b%.0s' {1..72})/$(printf 'c%.0s' {1..72})/$(printf 'd%.0s' {1..72})"
case_unicode_and_long_paths() {
  make_machine
  add_tmpfs_drive
  local files=("drive_d/$LONG_FOLDER/病毒.exe" "drive_e/Документы/файл.exe") file
  for file in "${files[@]}"; do
    mkdir -p "$prefix/$(dirname "$file")" "$work/expected/$(dirname "$file")"
    printf 'body of %s' "$file" >"$prefix/$file"
    "$root/tests/tools/forge-crc32.py" "$prefix/$file" 0xB566B395
    cp "$prefix/$file" "$work/expected/$file"
  done
  scan 1 /remove /report:C:\\report.json
  expect_output out "infected_file Vexlor.y D:\\${LONG_FOLDER//\//\\}\\??.exe: quarantined as <ID>
infected_file Vexlor.y E:\\?????????\\????.exe: quarantined as <ID>
Result: cleaned (exit code 1), <N> entries examined
"
  check_report "$prefix/drive_c/report.json" '
long = "D:\\" + sys.argv[3].replace("/", "\\") + "\\病毒.exe"
assert [f["path"] for f in r["findings"]] == [long, "E:\\Документы\\файл.exe"], r["findings"]
assert all(f["action"] == "quarantined" and "path_hex" not in f for f in r["findings"]), r["findings"]' "$LONG_FOLDER"
  for file in "${files[@]}"; do [ ! -e "$prefix/$file" ] || fail "$file was not moved"; done
  python3 - "$quarantine" <<'EOF2' || fail "a manifest does not hold its exact original path"
import glob, json, sys
paths = [json.load(open(m, encoding="ascii"))["original_path"] for m in glob.glob(sys.argv[1] + "/*.json")]
assert "E:\\Документы\\файл.exe" in paths and len(paths) == 2, paths
EOF2
  scan 0 /list
  [ "$(grep -c ' quarantined ' "$work/out")" = 2 ] || fail "/list does not show 2 quarantined items"
  scan 0 /restore:all
  for file in "${files[@]}"; do same_bytes "$work/expected/$file" "$prefix/$file"; done
  [ "$(find "$quarantine" -name '*.body' | wc -l)" = 0 ] || fail "bodies are left after /restore:all"
  scan 1 /delete /quiet
  for file in "${files[@]}"; do [ ! -e "$prefix/$file" ] || fail "/delete left $file"; done
}

"case_$case_name"
echo "PASS ($case_name)"
