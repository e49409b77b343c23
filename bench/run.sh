#!/usr/bin/env bash
# Scan-speed benchmark: a whole PurgewellConsole (and Purgewell, and PurgewellScan) run against the floor program under Wine.
#
# bench/run.sh [--files N] [--dir DIR] [--runs N] [--unpinned-runs N] [--build DIR] [--console EXE] [--no-doc] [--label TEXT]
#   --files N          files in the generated tree (PURGEWELL_BENCH_FILES, default 50000)
#   --dir DIR          where the tree, the Wine prefixes and the run logs live (PURGEWELL_BENCH_DIR, default /var/tmp/purgewell-bench)
#   --runs N           timed runs of each program with Wine pinned to CPU 0 (default 5)
#   --unpinned-runs N  timed runs of each program without pinning (default 3)
#   --build DIR        the cross build tree to build and take the programs from (default build/win32-bench)
#   --console [NAME=]EXE  time this PurgewellConsole.exe instead of the build's; repeat it to time several builds
#                      side by side in the same alternating rounds
#   --console-unchecked [NAME=]EXE  the same for a prototype that cannot find the files (no checksum): only the
#                      finished line is checked
#   --gui [NAME=]EXE   time this Purgewell.exe instead of the build's (repeatable); --no-gui leaves it out
#   --gui-poll MS      how often the windowed program's driver looks for its windows (default 10)
#   --no-scan          leave out PurgewellScan (timed by default: a report-only run with /quiet and a JSON report)
#   --no-clamscan      leave out ClamAV's clamscan (timed by default when installed, natively on the same tree, with a
#                      database of the forged files' MD5 hashes only)
#   --no-doc           print the figures only; do not rewrite the results section of docs/performance.md
#   --label TEXT       a note on what was measured, printed and written with the figures
# The tree is generated once (bench/make-tree.py) and kept; the Wine template is kept next to it; the prefix copy is removed at the end.
set -euo pipefail
shopt -s inherit_errexit

repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/scripts/wine-lib.sh"
. "$repo/scripts/poll.sh"

files=${PURGEWELL_BENCH_FILES:-50000}
bench_dir=${PURGEWELL_BENCH_DIR:-/var/tmp/purgewell-bench}
runs=5
unpinned_runs=3
build=$repo/build/win32-bench
consoles=()
write_doc=1
gui_wanted=1
gui_poll=10
guis=()
gui_note=
label=
scan_wanted=1
clam_wanted=1

while [ $# -gt 0 ]; do
  case $1 in
    --files) files=$2; shift 2 ;;
    --dir) bench_dir=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --unpinned-runs) unpinned_runs=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --console) consoles+=("checked:$2"); shift 2 ;;
    --console-unchecked) consoles+=("unchecked:$2"); shift 2 ;;
    --gui) guis+=("$2"); shift 2 ;;
    --no-gui) gui_wanted=0; shift ;;
    --no-scan) scan_wanted=0; shift ;;
    --no-clamscan) clam_wanted=0; shift ;;
    --gui-poll) gui_poll=$2; shift 2 ;;
    --no-doc) write_doc=0; shift ;;
    --label) label=$2; shift 2 ;;
    -h|--help) sed -n '2,23p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "bench/run.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
  esac
done

mkdir -p "$bench_dir"
bench_dir=$(realpath "$bench_dir")
tree=$bench_dir/tree
template=$bench_dir/wine-template
prefix=$bench_dir/wine-prefix
work=$bench_dir/logs
socket=purgewell-bench-$$
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

say() { printf 'bench: %s\n' "$*" >&2; }

xvfb_pid=
cleanup() {
  tmux -L "$socket" kill-server 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  wine_stop_server "$prefix"
  rm -rf "$prefix"
}
trap cleanup EXIT

# --- Programs ---------------------------------------------------------------------------------------------------------
if [ ! -f "$build/CMakeCache.txt" ]; then
  say "configuring $build"
  cmake -S "$repo" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-i686.cmake" -DPURGEWELL_WERROR=ON \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
targets=(bench_floor bench_drive_types)
[ ${#consoles[@]} -gt 0 ] || targets+=(PurgewellConsole)
[ "$scan_wanted" = 0 ] || targets+=(PurgewellScan)
say "building ${targets[*]}"
cmake --build "$build" --target "${targets[@]}" -j"$(nproc)" >"$bench_dir/build.log" 2>&1 || {
  tail -20 "$bench_dir/build.log" >&2; exit 1; }
floor_exe=$build/bench/PurgewellFloor.exe

# The windowed program, when it is built and can be driven (bench/gui_timer.cpp), runs under Xvfb.
if [ "$gui_wanted" = 1 ]; then
  if [ ${#guis[@]} = 0 ]; then
    if cmake --build "$build" --target Purgewell bench_gui_timer -j"$(nproc)" >>"$bench_dir/build.log" 2>&1; then
      guis=("Purgewell=$build/gui/Purgewell.exe")
    else
      gui_note="Purgewell.exe was not timed: it does not build here yet (see $bench_dir/build.log)."
    fi
  else
    cmake --build "$build" --target bench_gui_timer >>"$bench_dir/build.log" 2>&1
  fi
  if [ ${#guis[@]} -gt 0 ] && ! command -v Xvfb >/dev/null; then
    gui_note="Purgewell.exe was not timed: Xvfb is not installed."; guis=()
  fi
else
  gui_note="Purgewell.exe was not timed (--no-gui)."
fi
[ ${#consoles[@]} -gt 0 ] || consoles=("checked:PurgewellConsole=$build/console/PurgewellConsole.exe")
console_names=(); console_files=(); console_checks=()
for entry in "${consoles[@]}"; do
  console_checks+=("${entry%%:*}"); entry=${entry#*:}
  if [[ $entry == *=* ]]; then name=${entry%%=*} file=${entry#*=}; else name=PurgewellConsole-$((${#console_names[@]} + 1)) file=$entry; fi
  [ -f "$file" ] || { say "no program at $file"; exit 2; }
  console_names+=("$name"); console_files+=("$(realpath "$file")")
done

# --- The tree -----------------------------------------------------------------------------------
tree_line=$("$repo/bench/make-tree.py" --files "$files" --dir "$bench_dir")
say "${tree_line#make-tree.py: }"
forged_count=$(wc -l <"$bench_dir/forged.list")

# --- ClamAV's clamscan, a peer: a hash database of the forged files only (never a signature download) -------------------
clam_note=
if [ "$clam_wanted" = 1 ] && ! command -v clamscan >/dev/null; then
  clam_wanted=0 clam_note="clamscan was not timed: ClamAV is not installed (scripts/setup.sh installs it)."
elif [ "$clam_wanted" = 0 ]; then
  clam_note="clamscan was not timed (--no-clamscan)."
fi
clam_db=$bench_dir/forged.hdb
if [ "$clam_wanted" = 1 ]; then
  : >"$clam_db"
  while IFS=$'\t' read -r path variant; do
    file=$tree/${path//\\//}
    printf '%s:%s:%s\n' "$(md5sum <"$file" | cut -d' ' -f1)" "$(stat -c %s "$file")" "$variant" >>"$clam_db"
  done <"$bench_dir/forged.list"
fi

# --- The bench prefix: the tree as D:, the only fixed drive ----------------------------------------------------------
say "preparing the Wine prefix"
wine_template "$template"
wine_copy "$template" "$prefix"
# C: stays Wine's system drive but is not fixed, so the scan walks only D:.
wine_map_drive "$prefix" c drive_c network
wine_map_drive "$prefix" d "$(realpath --relative-to="$prefix" "$tree")" hd
mkdir -p "$prefix/drive_c/bench"
cp "$floor_exe" "$build/bench/PurgewellDriveTypes.exe" "$prefix/drive_c/bench/"
gui_names=(); gui_files=()
for entry in "${guis[@]}"; do
  if [[ $entry == *=* ]]; then name=${entry%%=*} file=${entry#*=}; else name=Purgewell-$((${#gui_names[@]} + 1)) file=$entry; fi
  [ -f "$file" ] || { say "no program at $file"; exit 2; }
  gui_names+=("$name"); gui_files+=("$(realpath "$file")")
  mkdir -p "$prefix/drive_c/bench/g$((${#gui_files[@]} - 1))"
  cp "$file" "$prefix/drive_c/bench/g$((${#gui_files[@]} - 1))/Purgewell.exe"
done
[ ${#gui_files[@]} = 0 ] || cp "$build/bench/PurgewellGuiTimer.exe" "$prefix/drive_c/bench/"
if [ "$scan_wanted" = 1 ]; then
  mkdir -p "$prefix/drive_c/bench/s0"
  cp "$build/scan/PurgewellScan.exe" "$prefix/drive_c/bench/s0/"
fi
for k in "${!console_files[@]}"; do
  mkdir -p "$prefix/drive_c/bench/c$k"
  cp "${console_files[$k]}" "$prefix/drive_c/bench/c$k/PurgewellConsole.exe"
done
wine_stop_server "$prefix"
wine_env "$prefix"
drive_types=$(cd "$prefix/drive_c" && wine 'C:\bench\PurgewellDriveTypes.exe' </dev/null 2>/dev/null | tr -d '\r')
fixed=$(printf '%s\n' "$drive_types" | awk '$2 == 3 { print $1 }' | tr '\n' ' ')
if [ "$fixed" != 'D:\ ' ]; then
  say "the fixed drives are '$fixed', not D: alone:"; printf '%s\n' "$drive_types" >&2; exit 1
fi
say "drive types (GetDriveTypeA): $(printf '%s\n' "$drive_types" | tr '\n' ' ')"
wine_stop_server "$prefix"

rm -rf "$work"
mkdir -p "$work"
cat >"$work/pane.sh" <<'EOF'
# Runs one timed program in the tmux pane and records its wall time; the pane then stays until the server is killed.
result=$1; shift
start=$EPOCHREALTIME
"$@"
status=$?
end=$EPOCHREALTIME
echo "$start $end $status" >"$result.tmp"
mv "$result.tmp" "$result"
exec sleep 3600
EOF

start_server() {  # start_server PIN...: one persistent wineserver, primed so its services run with the same pinning
  wine_stop_server "$prefix"
  wine_env "$prefix"
  "$@" wineserver -p
  (cd "$prefix/drive_c" && "$@" wine cmd /c exit </dev/null >/dev/null 2>&1)
}

wait_for() {  # wait_for FILE SECONDS
  poll "$2" test -f "$1" || { say "timed out waiting for $1"; return 1; }
}

pane_text() { tmux -L "$socket" capture-pane -p -S - -t bench; }
scan_started() { pane_text | grep -q 'Removal process started'; }

# timed_console NAME PROGRAM PIN...: one run in a fresh 120x40 tmux console; prints the wall time in seconds.
timed_console() {
  local name=$1 program=$2; shift 2
  local result=$work/$name.time
  rm -f "$result"
  local command
  if [[ $program == PurgewellFloor.exe/* ]]; then
    command=$(printf '%q ' bash "$work/pane.sh" "$result" "$@" wine 'C:\bench\PurgewellFloor.exe' "/${program#*/}")
  elif [[ $program == *PurgewellScan.exe ]]; then
    rm -f "$prefix/drive_c/bench/scan-report.json"
    command=$(printf '%q ' bash "$work/pane.sh" "$result" "$@" wine "C:\\bench\\$program" /quiet \
      '/report:C:\bench\scan-report.json')
  else
    command=$(printf '%q ' bash "$work/pane.sh" "$result" "$@" wine "C:\\bench\\$program")
  fi
  tmux -L "$socket" -f /dev/null new-session -d -s bench -x 120 -y 40 -c "$prefix/drive_c" "$command"
  if [[ $program == *PurgewellConsole.exe ]]; then
    # The answers are typed ahead once the scan has started: n (no removal), then y (sure); the console buffers them.
    poll 60 scan_started || { say "$name: the scan did not start"; pane_text >&2; return 1; }
    tmux -L "$socket" send-keys -t bench n
    tmux -L "$socket" send-keys -t bench y
  fi
  wait_for "$result" 600
  pane_text >"$work/$name.screen"
  tmux -L "$socket" kill-server
  read -r start end status <"$result"
  check_screen "$name" "$program" "$status"
  awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f\n", e - s }'
}

check_screen() {
  local name=$1 program=$2 status=$3 screen=$work/$1.screen expected=0
  # A report-only run that finds the forged files ends with 2: traces left in place.
  [[ $program != *PurgewellScan.exe ]] || expected=2
  [ "$status" = "$expected" ] || { say "$name: exit status $status"; cat "$screen" >&2; return 1; }
  if [[ $program == *PurgewellScan.exe ]]; then
    python3 - "$prefix/drive_c/bench/scan-report.json" "$forged_count" <<'PY' || { say "$name: the report does not list the forged files"; return 1; }
import json, sys
report = json.load(open(sys.argv[1]))
assert report["completed"] and len(report["findings"]) == int(sys.argv[2]), (report["completed"], len(report["findings"]))
PY
  elif [[ $program == *PurgewellConsole.exe ]] && [ "${console_checks[${program:1:1}]}" = unchecked ]; then
    grep -q 'Removal process finished' "$screen" || { say "$name: the run did not finish:"; cat "$screen" >&2; return 1; }
  elif [[ $program == *PurgewellConsole.exe ]]; then
    local found
    found=$(grep -c 'infected file was found' "$screen" || true)
    if [ "$found" != "$forged_count" ] || ! grep -q 'Would you like to remove the infected files' "$screen" ||
       ! grep -q 'Are you sure you want to continue' "$screen" || grep -q 'successfully removed' "$screen" ||
       ! grep -q 'Removal process finished' "$screen"; then
      say "$name: the run did not find $forged_count files and keep them:"; cat "$screen" >&2; return 1
    fi
  else
    grep -q "floor: $files files listed" "$screen" || { say "$name: unexpected floor output"; cat "$screen" >&2; return 1; }
  fi
}

# timed_gui NAME K PIN...: one whole windowed run of build K driven by PurgewellGuiTimer.exe; prints the wall time in seconds
# from the program's start to its removal question (the same span as a console run up to its question).
timed_gui() {
  local name=$1 k=$2; shift 2
  (cd "$prefix/drive_c" && "$@" wine 'C:\bench\PurgewellGuiTimer.exe' "C:\\bench\\g$k\\Purgewell.exe" "$gui_poll" \
    </dev/null >"$work/$name.out" 2>&1) || true
  tr -d '\r' <"$work/$name.out" >"$work/$name.screen"
  if ! grep -q "^gui_timer: whole .*Vexlor was found in $forged_count files" "$work/$name.screen"; then
    say "$name: the windowed run did not end as expected:"; cat "$work/$name.screen" >&2; return 1
  fi
  sed -n 's/^gui_timer: whole \([0-9.]*\) s.*/\1/p' "$work/$name.screen"
}

# timed_clam NAME PIN...: one clamscan of the tree with the forged files' database, skipping files over 41984 bytes as
# the engine does; prints the wall time in seconds after checking that it found every forged file.
timed_clam() {
  local name=$1; shift
  local start end status=0 found
  start=$EPOCHREALTIME
  "$@" clamscan --database="$clam_db" --recursive --infected --no-summary --max-filesize=41984 --max-scansize=41984 --max-dir-recursion=100 \
    "$tree" >"$work/$name.screen" 2>&1 || status=$?
  end=$EPOCHREALTIME
  found=$(grep -c ' FOUND$' "$work/$name.screen" || true)
  # Exit status 1: something was found.
  if [ "$status" != 1 ] || [ "$found" != "$forged_count" ]; then
    say "$name: clamscan ended with $status and found $found files, not $forged_count:"; cat "$work/$name.screen" >&2
    return 1
  fi
  awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f\n", e - s }'
}

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f\n", a / b }'; }

# --- Warm-up ----------------------------------------------------------------------------------------------------------
say "warming the cache"
find "$tree" -type f -print0 | xargs -0 cat >/dev/null
# The display comes first: Wine's desktop process starts with the server's first program.
if [ ${#gui_files[@]} -gt 0 ]; then
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  poll 5 test -s "$work/display" || true
  DISPLAY=:$(cat "$work/display")
  export DISPLAY
fi
start_server taskset -c 0
timed_console warm-floor PurgewellFloor.exe taskset -c 0 >/dev/null
for k in "${!gui_files[@]}"; do timed_gui "warm-g$k" "$k" taskset -c 0 >/dev/null; done
for k in "${!console_files[@]}"; do timed_console "warm-c$k" "c$k\\PurgewellConsole.exe" taskset -c 0 >/dev/null; done
[ "$scan_wanted" = 0 ] || timed_console warm-s0 's0\PurgewellScan.exe' taskset -c 0 >/dev/null
[ "$clam_wanted" = 0 ] || timed_clam warm-clam taskset -c 0 >/dev/null

# --- Timed runs, alternating (the order rotates every round) ---------------------------------------------------------
# Each run's time is appended to $work/times-PHASE-WHO; WHO is floor, ufloor (wide calls), c0, c1..., wfloor or g0, g1...
round() {  # round PHASE INDEX PIN...: one run of the floor and of each console build
  local phase=$1 index=$2; shift 2
  local who=(floor ufloor) k n line=""
  for k in "${!console_files[@]}"; do who+=("c$k"); done
  for k in "${!gui_files[@]}"; do who+=("g$k"); done
  [ ${#gui_files[@]} = 0 ] || who+=(wfloor)
  [ "$scan_wanted" = 0 ] || who+=(s0)
  [ "$clam_wanted" = 0 ] || who+=(clam)
  n=${#who[@]}
  for ((k = 0; k < n; k++)); do
    local w=${who[$(((k + index) % n))]} program t
    if [[ $w == g* ]]; then
      t=$(timed_gui "$w-$phase-$index" "${w#g}" "$@")
    elif [ "$w" = clam ]; then
      t=$(timed_clam "$w-$phase-$index" "$@")
    else
      case $w in
        floor) program=PurgewellFloor.exe ;;
        wfloor) program=PurgewellFloor.exe/window ;;
        s0) program='s0\PurgewellScan.exe' ;;
        ufloor) program=PurgewellFloor.exe/wide ;;
        *) program="$w\\PurgewellConsole.exe" ;;
      esac
      t=$(timed_console "$w-$phase-$index" "$program" "$@")
    fi
    echo "$t" >>"$work/times-$phase-$w"
    line+=" $w $t s"
  done
  say "$phase $index:$line"
}

for i in $(seq 1 "$runs"); do round pinned "$i" taskset -c 0; done
if [ "$unpinned_runs" -gt 0 ]; then
  start_server env
  for i in $(seq 1 "$unpinned_runs"); do round unpinned "$i" env; done
fi
wine_stop_server "$prefix"

# --- Figures ----------------------------------------------------------------------------------------------------------
times() { [ -f "$work/times-$1-$2" ] && tr '\n' ' ' <"$work/times-$1-$2" | sed 's/ $//'; }
median_of() {  # median_of PHASE WHO: "-" when there were no runs
  [ -f "$work/times-$1-$2" ] || { echo -; return; }
  sort -g "$work/times-$1-$2" |
    awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
ratio() { if [ "$1" = - ] || [ "$2" = - ]; then echo -; else awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f\n", a / b }'; fi; }

load_after=$(cut -d' ' -f1-3 /proc/loadavg)
cpu=$(lscpu | sed -n 's/^Model name:[[:space:]]*//p' | head -1)
memory=$(free -h | awk '/^Mem:/ { print $2 }')
wine_version=$(wine --version)
commit=$(git -C "$repo" describe --always --dirty 2>/dev/null || echo unknown)

table="| program | Wine | runs | median | / floor |
|---|---|---|---|---|"
all_runs=""
for phase in pinned unpinned; do
  # shellcheck disable=SC2016 # the backquotes are Markdown for the results table
  if [ "$phase" = pinned ]; then count=$runs shown='pinned (`taskset -c 0`)'; else count=$unpinned_runs shown=unpinned; fi
  [ "$count" -gt 0 ] || continue
  mf=$(median_of "$phase" floor)
  table+=$'\n'"| floor | $shown | $count | $mf s | 1.00 |"
  all_runs+="floor $phase: $(times "$phase" floor)."$'\n'
  mu=$(median_of "$phase" ufloor)
  table+=$'\n'"| floor, wide calls (\`/wide\`) | $shown | $count | $mu s | $(ratio "$mu" "$mf") |"
  all_runs+="wide floor $phase: $(times "$phase" ufloor)."$'\n'
  for k in "${!console_files[@]}"; do
    mc=$(median_of "$phase" "c$k")
    table+=$'\n'"| ${console_names[$k]} | $shown | $count | $mc s | $(ratio "$mc" "$mf") ($(ratio "$mc" "$mu") of the wide floor) |"
    all_runs+="${console_names[$k]} $phase: $(times "$phase" "c$k")."$'\n'
  done
  if [ ${#gui_files[@]} -gt 0 ]; then
    mw=$(median_of "$phase" wfloor)
    table+=$'\n'"| floor with a visible window | $shown | $count | $mw s | $(ratio "$mw" "$mf") |"
    all_runs+="floor with a visible window $phase: $(times "$phase" wfloor)."$'\n'
  fi
  if [ "$scan_wanted" = 1 ]; then
    ms=$(median_of "$phase" s0)
    table+=$'\n'"| PurgewellScan (report only, /quiet, JSON report) | $shown | $count | $ms s | $(ratio "$ms" "$mf") |"
    all_runs+="PurgewellScan $phase: $(times "$phase" s0)."$'\n'
  fi
  if [ "$clam_wanted" = 1 ]; then
    mk=$(median_of "$phase" clam)
    table+=$'\n'"| clamscan (ClamAV $(clamscan --version | cut -d/ -f1 | sed 's/^ClamAV //'), native, forged files' hashes) | $shown | $count | $mk s | $(ratio "$mk" "$mf") |"
    all_runs+="clamscan $phase: $(times "$phase" clam)."$'\n'
  fi
  for k in "${!gui_files[@]}"; do
    mg=$(median_of "$phase" "g$k")
    table+=$'\n'"| ${gui_names[$k]} (windowed) | $shown | $count | $mg s | $(ratio "$mg" "$mf") ($(ratio "$mg" "$mw") of the windowed floor) |"
    all_runs+="${gui_names[$k]} $phase: $(times "$phase" "g$k")."$'\n'
  done
done
builds=""
for k in "${!console_files[@]}"; do builds+="${console_names[$k]}: sha256 $(sha256sum "${console_files[$k]}" | cut -c1-12)…; "; done
for k in "${!gui_files[@]}"; do builds+="${gui_names[$k]}: sha256 $(sha256sum "${gui_files[$k]}" | cut -c1-12)…; "; done

clam_line=$clam_note
[ "$clam_wanted" = 0 ] || clam_line="Each clamscan run is ClamAV's scanner run natively (not under Wine) over the same tree, with --max-filesize=41984 (and folders to any depth) and a database holding only the forged files' MD5 hashes; it must find every forged file."
scan_line=
[ "$scan_wanted" = 0 ] || scan_line="Each PurgewellScan run is a whole report-only run (/quiet, the report written to C:) in the same console; it must list every forged file."
if [ ${#gui_files[@]} -gt 0 ]; then
  gui_line="Each Purgewell run (Xvfb) is timed by PurgewellGuiTimer.exe from the program's start to its removal question"
  gui_line+=" (the reminder box answered at once, windows polled every $gui_poll ms); it answers No, Yes and closes the window."
  gui_line+=" The floor with a visible window is the same floor program showing a plain window first (\`/window\`)."
else
  gui_line=$gui_note
fi

report=$(cat <<EOF
Measured $(date -u '+%Y-%m-%d %H:%M UTC') at commit $commit${label:+ — $label}.

Machine: $(nproc) CPUs ($cpu), $memory memory, $wine_version, Linux $(uname -r).
Load average before / after: $load_before / $load_after.
Tree: $(printf "%s" "${tree_line#make-tree.py: }" | sed "s/ (up to date)$//"); D: the only fixed drive (GetDriveTypeA: $(printf '%s\n' "$drive_types" | tr '\n' ' ' | sed 's/ *$//')).
${builds% }
Each PurgewellConsole run is a whole run in a 120×40 tmux console, answers n then y typed ahead (nothing deleted).
${scan_line}
${clam_line}
$gui_line

$table

All runs (s):
$all_runs
EOF
)
printf '\n%s\n' "$report"

if [ "$write_doc" = 1 ]; then
  doc=$repo/docs/performance.md
  mkdir -p "$(dirname "$doc")"
  [ -f "$doc" ] || printf '# Scan speed\n\n<!-- bench/run.sh results begin -->\n<!-- bench/run.sh results end -->\n' >"$doc"
  python3 - "$doc" "$report" <<'PY'
import sys
path, report = sys.argv[1], sys.argv[2]
begin, end = "<!-- bench/run.sh results begin -->", "<!-- bench/run.sh results end -->"
text = open(path).read()
head, _, rest = text.partition(begin)
_, _, tail = rest.partition(end)
open(path, "w").write(head + begin + "\n" + report.rstrip() + "\n" + end + tail)
PY
  say "figures written to docs/performance.md"
fi
