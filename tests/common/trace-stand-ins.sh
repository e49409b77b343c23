# Shell helpers for Wine tests that plant Vexlor stand-ins: forged copies of our sleeper, started and waited for.
# Source it after wine-lib.sh and poll.sh; the caller defines prefix, sleeper (our do-nothing program), root, the
# array sleeper_pids and fail MESSAGE.
# shellcheck shell=bash
# shellcheck disable=SC2154  # prefix, sleeper and root are the caller's

in_prefix() { (wine_env "$prefix" && cd "$prefix/drive_c" && "$@"); }

# forge FILE CRC [SIZE]: the sleeper as a stand-in Vexlor build, padded to SIZE bytes first when given.
forge() {
  local file=$1 crc=$2 size=${3:-}
  mkdir -p "$(dirname "$file")"
  cp "$sleeper" "$file"
  [ -z "$size" ] || truncate -s "$size" "$file"
  "$root/tests/tools/forge-crc32.py" "$file" "$crc"
}

# start_sleeper WINDOWS_PATH NAME: runs it under Wine in the background; waits until it has started.
start_sleeper() {
  local exe=$1 ready="C:\\vexlor\\ready-$2"
  # exec keeps the process id: the Wine process of the sleeper is the one we wait for.
  (wine_env "$prefix" && cd "$prefix/drive_c" && exec wine "$exe" "$ready") </dev/null >/dev/null 2>&1 &
  sleeper_pids+=($!)
  poll 20 test -e "$prefix/drive_c/vexlor/ready-$2" || fail "$exe did not start"
}

# process_ended PID: true when the process is gone or a zombie waiting for us.
process_ended() {
  local state
  state=$(ps -o stat= -p "$1" 2>/dev/null || true)
  [ -z "$state" ] || [ "${state:0:1}" = Z ]
}

# expect_exit_status PID STATUS WHAT: the process must end (soon) with STATUS. Run in this shell, not in a
# subshell, so that wait reaches our own child.
expect_exit_status() {
  local pid=$1 expected=$2 what=$3 status=0
  poll 10 process_ended "$pid" || fail "$what is still running"
  wait "$pid" || status=$?
  [ "$status" = "$expected" ] || fail "$what ended with exit code $status, not $expected"
}

# hold_tool_mutex WINDOWS_PATH: runs our mutex holder (tests/gui/mutex_holder.cpp) in $prefix until a probe finds
# "PurgewellToolMutex" held; its process id is left in holder_pid. A probe that runs while the holder starts
# owns the mutex for a moment and makes the holder give up, so a holder that ended is started again.
hold_tool_mutex() {
  holder_pid=""
  poll 20 holding_tool_mutex "$1" || fail "the mutex holder did not start"
}

holding_tool_mutex() {
  local exe=$1
  if [ -n "$holder_pid" ] && ! in_prefix wine "$exe" probe </dev/null >/dev/null 2>&1; then return 0; fi
  if [ -z "$holder_pid" ] || process_ended "$holder_pid"; then
    [ -z "$holder_pid" ] || wait "$holder_pid" 2>/dev/null || true
    (wine_env "$prefix" && cd "$prefix/drive_c" && exec wine "$exe" hold) </dev/null >/dev/null 2>&1 &
    holder_pid=$!
  fi
  return 1
}
