# shellcheck shell=bash
# Console programs in tmux windows of 120 x 40 for every console end-to-end test: start a pane, wait for its text,
# read its screen, and take the exit code from the pane's shell (tmux itself now and then never collects it).
# Before use, set pane_socket (a tmux socket of the test's own) and pane_work (a folder for the panes' files),
# and define fail MESSAGE, which the helpers call when a wait runs out or the program ends too early.
: "${pane_socket:?set pane_socket first}" "${pane_work:?set pane_work first}"
pane_common=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$pane_common/../../scripts/poll.sh"

# pane_recorded WINDOW COMMAND: the command line that runs COMMAND and keeps its exit code for pane_wait_exit.
pane_recorded() { printf "{ %s; echo \$? >'%s'; }" "$2" "$pane_work/$1.status"; }

# pane_start WINDOW DIRECTORY COMMAND_LINE: a new window (the first one starts the tmux server) in DIRECTORY.
pane_start() {
  local window=$1 directory=$2 command=$3
  rm -f "$pane_work/$window.status"
  if tmux -L "$pane_socket" has-session -t main 2>/dev/null; then
    tmux -L "$pane_socket" new-window -d -t main -n "$window" -c "$directory" "$command"
    return
  fi
  printf 'set -g remain-on-exit on\nset -g remain-on-exit-format ""\nset -g default-size 120x40\nset -g history-limit 10000\n' \
    >"$pane_work/tmux.conf"
  tmux -L "$pane_socket" -f "$pane_work/tmux.conf" new-session -d -s main -n "$window" -x 120 -y 40 \
    -c "$directory" "$command"
}

pane_stop() { tmux -L "$pane_socket" kill-server 2>/dev/null || true; }

pane_ended() { [ -s "$pane_work/$1.status" ]; }

# The window's text as tmux holds it (trailing spaces are dropped by tmux).
pane_capture() { tmux -L "$pane_socket" capture-pane -p -S - -t "main:$1"; }

# The window's whole text, trailing empty lines dropped, times replaced by <WHEN>.
pane_screen() {
  pane_capture "$1" | sed -e 's/ *$//' -e '/^Pane is dead (/d' |
    sed -E 's/[0-9]{2}:[0-9]{2}:[0-9]{2} on [0-9]{1,2} [A-Z][a-z]+ [0-9]{4}/<WHEN>/g' |
    sed -e :a -e '/^\n*$/{$d;N;ba' -e '}'
}

pane_shows() { pane_capture "$1" | grep -qE -- "$2"; }
pane_shows_or_ended() { pane_shows "$1" "$2" || pane_ended "$1"; }

# pane_wait WINDOW REGEX: until a line of the window matches.
pane_wait() {
  local window=$1 pattern=$2
  poll 120 pane_shows_or_ended "$window" "$pattern" || fail "no line matching '$pattern' on $window"
  pane_shows "$window" "$pattern" || fail "$window ended before showing '$pattern'"
}

# pane_wait_exit WINDOW: until the program has ended; its exit code must be 0.
pane_wait_exit() {
  local window=$1 status
  poll 120 pane_ended "$window" || fail "$window did not end"
  status=$(cat "$pane_work/$window.status")
  [ "$status" = 0 ] || fail "$window ended with exit code $status"
}

pane_keys() { tmux -L "$pane_socket" send-keys -t "main:$1" -l "$2"; }
pane_ctrl_c() { tmux -L "$pane_socket" send-keys -t "main:$1" C-c; }
# pane_show WINDOW FORMAT: a tmux format of the window's pane, such as #{pane_tty}.
pane_show() { tmux -L "$pane_socket" display -p -t "main:$1" "$2"; }
