#!/usr/bin/env bash
# A simulated fleet: eight Wine machines, each its own prefix and computer name, infected differently, share one
# network-type drive N: holding PurgewellScan.exe and the Group Policy start-up script. Every machine runs the
# script; the roll-up of the share's reports must show each machine's true state, and after a second round
# (one machine left out) the cleaned machines as clean and the one left out as silent.
# The start-up script is stamped with the program's SHA-256 and checks it with certutil (a stand-in of ours: Wine
# has none) on every machine but m08, which lacks it as Windows XP does; a changed program then runs nowhere.
# fleet-e2e TREE PROGRAM SLEEPER MUTEX_HOLDER CERTUTIL
set -euo pipefail
tree=$(cd "$1" && pwd) program=$2 sleeper=$3 mutex_holder=$4 certutil=$5
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/scripts/wine-lib.sh"
. "$root/scripts/poll.sh"

work="$tree/tests/fleet/work"
share="$work/share"
machines=(m01 m02 m03 m04 m05 m06 m07 m08)
run_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
sleeper_pids=()
holder_pid=""
prefix=""

cleanup() {
  local pid machine
  for pid in "${sleeper_pids[@]}" $holder_pid; do kill "$pid" 2>/dev/null || true; done
  for machine in "${machines[@]}"; do wine_stop_server "$work/$machine"; done
  for pid in "${sleeper_pids[@]}" $holder_pid; do wait "$pid" 2>/dev/null || true; done
  [ ! -e "$work/m06/drive_d/stuck.exe" ] || chattr -i "$work/m06/drive_d/stuck.exe" 2>/dev/null || true
  [ -n "${FLEET_E2E_KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL (fleet): $*" >&2
  [ -f "$work/rollup" ] && { echo "--- roll-up ---" >&2; cat "$work/rollup" >&2; }
  exit 1
}

. "$root/tests/common/trace-stand-ins.sh"

# on MACHINE COMMAND...: runs a Wine command on that machine, under its own computer name.
on() {
  local machine=$1
  shift
  # shellcheck disable=SC2016  # the inner shell expands them
  (wine_env "$work/$machine" && cd "$work/$machine/drive_c" &&
    exec unshare -u sh -c 'hostname "$0" && exec "$@"' "fleet-$machine" "$@") </dev/null
}

# startup MACHINE EXPECTED_STATUS [SCRIPT]: the machine boots and runs its start-up script from the share.
startup() {
  local machine=$1 expected=$2 script=${3:-purgewell-startup.cmd} status=0
  on "$machine" wine cmd /c "N:\\$script" >"$work/$machine.out" 2>&1 || status=$?
  [ "$status" = "$expected" ] || fail "the start-up script on $machine ended with $status, not $expected"
  [ -f "$share/reports/FLEET-${machine^^}.json" ] || fail "no report from $machine on the share"
}

# Wine keeps no owners: every file is owned by the user that runs Wine, which the roll-up trusts as a gatherer
# here (the owner rule itself is tested on the host). A forged report is still caught by its end time.
wine_user=$(id -un)
rollup() {
  on m01 wine 'N:\PurgewellScan.exe' /rollup:N:\\reports "/trust:$wine_user" "$@" | tr -d '\r' |
    sed -E 's/[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}Z/....-..-..T..:..:..Z/g' >"$work/rollup"
}

expect_rollup() {
  if ! diff -u <(printf '%s\n' "$1") "$work/rollup" >"$work/diff"; then
    fail "the roll-up differs (- expected, + shown):
$(cat "$work/diff")"
  fi
}

forged_file() {
  mkdir -p "$(dirname "$1")"
  printf 'stand-in %s' "$1" >"$1"
  "$root/tests/tools/forge-crc32.py" "$1" "$2"
}

# ---- the machines and the share ----

rm -rf "$work"
mkdir -p "$share"
cp "$program" "$share/PurgewellScan.exe"
"$root/deploy/stamp-startup.sh" "$share/PurgewellScan.exe" >"$share/purgewell-startup.cmd"
wine_template "$tree/wine/template" "$(wine_tree_arch "$tree")"
for machine in "${machines[@]}"; do
  wine_copy "$tree/wine/template" "$work/$machine"
  ln -s "$share" "$work/$machine/share"
  wine_map_drive "$work/$machine" n share network
  wine_map_drive "$work/$machine" d drive_d hd
  echo "an ordinary file" >"$work/$machine/drive_d/notes.txt"
  mkdir -p "$work/$machine/drive_c/vexlor" "$work/$machine/drive_c/bin"
  # Wine's own certutil.exe is a stub that prints nothing: ours takes its place (and is run as native code),
  # except on m08, which has none.
  rm -f "$work/$machine/drive_c/windows/system32/certutil.exe"
  [ "$machine" = m08 ] || cp "$certutil" "$work/$machine/drive_c/windows/system32/certutil.exe"
  # A session's first process sets the computer name of the whole session: one lasting session per machine,
  # begun under its own name.
  wine_stop_server "$work/$machine"
  on "$machine" wineserver -p
  on "$machine" wine cmd /c exit >/dev/null 2>&1
  on "$machine" wine reg add 'HKCU\Software\Wine\DllOverrides' /v certutil.exe /d native /f >/dev/null 2>&1
done

# m01 stays clean. m02: an infected file. m03: the Run value and its file. m04: a dropped file and a log.
forged_file "$work/m02/drive_c/Temp/svch0st.exe" 0xB566B395
on m03 wine reg add "$run_key" /v "Tiny AV" /t REG_SZ /d "fooding.exe -antivirus service" /f >/dev/null 2>&1
forged_file "$work/m03/drive_c/windows/fooding.exe" 0x411A3D2A
echo "written by the stand-in" >"$work/m04/drive_c/windows/zip1.tmp"
echo "written by the stand-in" >"$work/m04/drive_c/windows/pk_zip1.log"
# m05: a running stand-in process. m06: an infected file nothing can move (immutable).
prefix="$work/m05"
forge "$prefix/drive_c/vexlor/svch0st.exe" 0x411A3D2A
start_sleeper 'C:\vexlor\svch0st.exe' svch0st
forged_file "$work/m06/drive_d/stuck.exe" 0xB566B395
chattr +i "$work/m06/drive_d/stuck.exe" || fail "chattr is needed for this test"
# m07: infected, but another copy of the tool holds the mutex in the first round. m08: a file deep down.
forged_file "$work/m07/drive_d/games/free-game.exe" 0xB566B395
cp "$mutex_holder" "$work/m07/drive_c/bin/mutex_holder.exe"
prefix="$work/m07"
hold_tool_mutex 'C:\bin\mutex_holder.exe'
forged_file "$work/m08/drive_d/a/b/c/d/e/f/g/h/deep.exe" 0xCA75F998

# ---- first round ----

# One machine's forgery: PC-2 clean, in a report that ends long after the roll-up.
mkdir -p "$share/reports"
python3 - "$share/reports/zz.json" <<'EOF'
import json, sys
json.dump({"schema": "purgewell-scan-report", "schema_version": 1, "machine": "FLEET-M02", "outcome": "clean",
           "exit_code": 0, "ended": "2099-01-01T00:00:00Z", "findings": []}, open(sys.argv[1], "w"))
EOF

round1=(0 1 1 1 1 2 5 1)
for i in "${!machines[@]}"; do startup "${machines[$i]}" "${round1[$i]}"; done
[ -z "$(find "$share/reports" -name '*.partial')" ] || fail "a partial report was left on the share"
# Only m08, without certutil, ran the program unchecked, and its report says so.
python3 - "$share/reports" <<'EOF' || fail "the reports' notes are not as they should be"
import glob, json, os, sys
notes = {os.path.basename(f): json.load(open(f)).get("note") for f in glob.glob(sys.argv[1] + "/*.json")}
unchecked = "certutil is missing, so the program was run without checking its SHA-256; the share's access lists are the only guard"
assert notes.pop("FLEET-M08.json") == unchecked, notes
assert set(notes.values()) == {None}, notes
EOF

rollup
expect_rollup "MACHINE                  STATE          LAST REPORT           FINDINGS  LEFT EXIT
FLEET-M01                clean          ....-..-..T..:..:..Z         0     0    0
FLEET-M02                cleaned        ....-..-..T..:..:..Z         1     0    1
FLEET-M03                cleaned        ....-..-..T..:..:..Z         2     0    1
FLEET-M04                cleaned        ....-..-..T..:..:..Z         2     0    1
FLEET-M05                cleaned        ....-..-..T..:..:..Z         2     0    1
FLEET-M06                left infected  ....-..-..T..:..:..Z         1     1    2
FLEET-M07                incomplete     ....-..-..T..:..:..Z         0     0    5
FLEET-M08                cleaned        ....-..-..T..:..:..Z         1     0    1
Machines: clean 1, cleaned 5, left infected 1, incomplete 1, silent 0, total 8
Untrusted reports (counted for no machine):
  zz.json (owner FLEET-M01\\$wine_user, says FLEET-M02): it says it ended after this roll-up began

machine,state,last_report,findings,left,exit_code,report,owner
\"FLEET-M01\",\"clean\",\"....-..-..T..:..:..Z\",0,0,0,\"FLEET-M01.json\",\"FLEET-M01\\$wine_user\"
\"FLEET-M02\",\"cleaned\",\"....-..-..T..:..:..Z\",1,0,1,\"FLEET-M02.json\",\"FLEET-M01\\$wine_user\"
\"FLEET-M03\",\"cleaned\",\"....-..-..T..:..:..Z\",2,0,1,\"FLEET-M03.json\",\"FLEET-M01\\$wine_user\"
\"FLEET-M04\",\"cleaned\",\"....-..-..T..:..:..Z\",2,0,1,\"FLEET-M04.json\",\"FLEET-M01\\$wine_user\"
\"FLEET-M05\",\"cleaned\",\"....-..-..T..:..:..Z\",2,0,1,\"FLEET-M05.json\",\"FLEET-M01\\$wine_user\"
\"FLEET-M06\",\"left infected\",\"....-..-..T..:..:..Z\",1,1,2,\"FLEET-M06.json\",\"FLEET-M01\\$wine_user\"
\"FLEET-M07\",\"incomplete\",\"....-..-..T..:..:..Z\",0,0,5,\"FLEET-M07.json\",\"FLEET-M01\\$wine_user\"
\"FLEET-M08\",\"cleaned\",\"....-..-..T..:..:..Z\",1,0,1,\"FLEET-M08.json\",\"FLEET-M01\\$wine_user\"
\"FLEET-M02\",\"untrusted\",\"....-..-..T..:..:..Z\",0,0,0,\"zz.json\",\"FLEET-M01\\$wine_user\""

# The machines themselves: traces gone into each one's quarantine, the stuck file and m07's file still there.
[ ! -e "$work/m02/drive_c/Temp/svch0st.exe" ] || fail "m02's infected file is still there"
! on m03 wine reg query "$run_key" /v "Tiny AV" >/dev/null 2>&1 || fail "m03's Run value is still there"
[ ! -e "$work/m03/drive_c/windows/fooding.exe" ] || fail "m03's Run file is still there"
expect_exit_status "${sleeper_pids[0]}" 0 "m05's stand-in process"
[ -e "$work/m06/drive_d/stuck.exe" ] || fail "m06's immovable file is gone"
[ -e "$work/m07/drive_d/games/free-game.exe" ] || fail "m07 removed something while another copy ran"
for machine in m02 m03 m04 m05 m08; do
  [ -n "$(find "$work/$machine/drive_c/ProgramData/Purgewell/Quarantine" -name '*.body')" ] ||
    fail "nothing in $machine's quarantine"
done

# ---- second round, without m08, after the first round's last report ----

kill "$holder_pid"
wait "$holder_pid" 2>/dev/null || true
holder_pid=""
last=$(python3 -c '
import glob, json, sys
print(max(json.load(open(f))["ended"] for f in glob.glob(sys.argv[1] + "/FLEET-*.json")))' "$share/reports")
since=$(date -u -d "${last%Z} UTC + 1 second" +%Y-%m-%dT%H:%M:%SZ)
# The second round's reports must end at or after that time: wait for the clock to reach it.
clock_reached() { [[ "$(date -u +%Y-%m-%dT%H:%M:%SZ)" > "${since%Z}" ]]; }
poll 10 clock_reached || fail "the clock did not pass $since"

round2=(0 0 0 0 0 2 1)
for i in "${!round2[@]}"; do startup "${machines[$i]}" "${round2[$i]}"; done

rollup "/since:$since" /csv:N:\\rollup.csv
expect_rollup "MACHINE                  STATE          LAST REPORT           FINDINGS  LEFT EXIT
FLEET-M01                clean          ....-..-..T..:..:..Z         0     0    0
FLEET-M02                clean          ....-..-..T..:..:..Z         0     0    0
FLEET-M03                clean          ....-..-..T..:..:..Z         0     0    0
FLEET-M04                clean          ....-..-..T..:..:..Z         0     0    0
FLEET-M05                clean          ....-..-..T..:..:..Z         0     0    0
FLEET-M06                left infected  ....-..-..T..:..:..Z         1     1    2
FLEET-M07                cleaned        ....-..-..T..:..:..Z         1     0    1
FLEET-M08                silent         ....-..-..T..:..:..Z         1     0    1
Machines: clean 5, cleaned 1, left infected 1, incomplete 0, silent 1, total 8
Untrusted reports (counted for no machine):
  zz.json (owner FLEET-M01\\$wine_user, says FLEET-M02): it says it ended after this roll-up began"
grep -qx '"FLEET-M08","silent",.*' "$share/rollup.csv" || fail "the CSV on the share does not show m08 as silent"
[ "$(wc -l <"$share/rollup.csv")" = 10 ] || fail "the CSV does not hold a header, eight machines and the forgery"
grep -q '^"FLEET-M02","untrusted",.*"zz.json"' "$share/rollup.csv" || fail "the CSV does not show the forgery as untrusted"
for machine in m01 m06 m07; do
  result=$(on "$machine" wine reg query 'HKLM\SOFTWARE\Purgewell' /v LastResult 2>/dev/null | tr -d '\r' |
    awk '$1 == "LastResult" {print $3}')
  case $machine in m01) want=0x0 ;; m06) want=0x2 ;; m07) want=0x1 ;; esac
  [ "$result" = "$want" ] || fail "$machine's marker says LastResult $result, not $want"
done

# ---- a changed program, and a script never stamped: nothing runs, and the script's own report says why ----

# refused MACHINE WHY: the machine's report is the start-up script's refusal, for WHY.
refused() {
  python3 - "$share/reports/FLEET-${1^^}.json" "$2" <<'EOF' || fail "$1's report is not the start-up script's refusal"
import json, sys
r = json.load(open(sys.argv[1]))
assert r["program"] == "purgewell-startup.cmd" and r["outcome"] == "not_run" and r["exit_code"] == 13, r
assert r["error"] == sys.argv[2], r["error"]
assert set(r) == {"schema", "schema_version", "program", "machine", "outcome", "exit_code", "error", "expected_sha256"}, r
EOF
}
forged_file "$work/m01/drive_d/after.exe" 0xB566B395
printf 'x' >>"$share/PurgewellScan.exe"
startup m01 13
refused m01 "the program on the share does not have the SHA-256 this start-up script was stamped with, or it could not be read: nothing was run"
[ -e "$work/m01/drive_d/after.exe" ] || fail "the changed program ran on m01"
cp "$root/deploy/purgewell-startup.cmd" "$share/unstamped.cmd"
startup m02 13 unstamped.cmd
refused m02 "this start-up script was never stamped with a release's SHA-256 (deploy/stamp-startup.sh), so it runs nothing"
echo "PASS (fleet)"
