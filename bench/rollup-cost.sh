#!/usr/bin/env bash
# What the roll-up's owner rule costs: N reports in one folder of a Wine machine, read as the roll-up reads them,
# with and without asking each file's owner (PurgewellRollupCost, alternating rounds). Not a test.
#   bench/rollup-cost.sh [--reports N] [--rounds N] [--build DIR]
#   --reports N  reports in the folder (default 10000)
#   --rounds N   alternating rounds (default 5)
#   --build DIR  the cross build tree (default build/win32, or build/win64 where 32-bit programs cannot run)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/scripts/wine-lib.sh"
reports=10000 rounds=5 build=""
while [ $# -gt 0 ]; do
  case $1 in
    --reports) reports=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    *) echo "rollup-cost.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
[ -n "$build" ] || build=$repo/build/$([ "$PURGEWELL_WINE_LOADER" = 64 ] && echo win64 || echo win32)
cmake --build "$build" --target bench_rollup_cost >/dev/null
work=$(mktemp -d /var/tmp/purgewell-rollup-cost.XXXXXX)
prefix="$work/prefix"
cleanup() { wine_stop_server "$prefix"; rm -rf "$work"; }
trap cleanup EXIT
wine_template "$build/wine/template" "$(wine_tree_arch "$build")"
wine_copy "$build/wine/template" "$prefix"
mkdir -p "$prefix/drive_c/reports"
python3 - "$prefix/drive_c/reports" "$reports" <<'PYEOF'
import json, sys
folder, count = sys.argv[1], int(sys.argv[2])
for i in range(count):
    machine = "PC-%05d" % i
    report = {"schema": "purgewell-scan-report", "schema_version": 1, "program": "PurgewellScan", "machine": machine,
              "outcome": "cleaned", "exit_code": 1, "ended": "2026-12-10T08:00:00Z",
              "findings": [{"kind": "infected_file", "path": "C:\\Temp\\svch0st.exe", "action": "quarantined"}]}
    with open("%s/%s.json" % (folder, machine), "w") as f:
        json.dump(report, f)
PYEOF
cp "$(find "$build/bench" -name PurgewellRollupCost.exe)" "$prefix/drive_c/"
wine_start_server "$prefix"
echo "== $reports reports, $rounds rounds ($(basename "$build") programs, Wine $(wine --version 2>/dev/null))"
(wine_env "$prefix" && cd "$prefix/drive_c" && wine 'C:\PurgewellRollupCost.exe' 'C:\reports' "$rounds") </dev/null |
  tr -d '\r'
