# shellcheck shell=bash
# The one wait loop of the scripts and tests: poll SECONDS COMMAND [ARGS...] runs COMMAND every 50 ms until it
# succeeds, and fails once SECONDS have passed without success. Limits only end broken runs: keep them generous.
poll() {
  local limit=$(($1 * 20)) tries=0
  shift
  until "$@"; do
    tries=$((tries + 1))
    [ "$tries" -lt "$limit" ] || return 1
    sleep 0.05
  done
}
