# Shared set-up of the end-to-end scripts that drive the real program inside tmux.
# Sourced as: source tmux_harness.bash BUILD_DIR SOURCE_DIR SESSION_PREFIX
# Gives: build, source_dir, rptcarry, work (removed at exit unless KEEP is set), root (a
# fresh demo installation), tmux_session, failures, and the helpers skip, fail, pane,
# wait_for, wait_gone and wait_for_file. Skips (exit 0) when tmux or the programs are missing.
build="$(cd "$1" && pwd)"
source_dir="$(cd "$2" && pwd)"
rptcarry="$build/bin/rptcarry"

skip() { echo "SKIP: $*"; exit 0; }
command -v tmux >/dev/null || skip "tmux is not installed"
[ -x "$rptcarry" ] || skip "$rptcarry has not been built"
[ -x "$build/bin/orbdata" ] || skip "the data tool (orbdata) has not been built: no demo data"

work="$(mktemp -d)"; [ -n "${KEEP:-}" ] && echo "work: $work"
tmux_session="rptcarry_${3}_$$"
# A tmux server of the script's own, kept alive by an idle session: scripts running side by
# side never end each other's server, and a session ended and started again does not meet a
# server that is just going away because its last session ended.
tmux_socket="rptcarry_${3}_$$"
tmux() { command tmux -L "$tmux_socket" "$@"; }
tmux new-session -d -s keeper "sleep 100000" || { echo "FAIL: cannot start tmux"; exit 1; }
cleanup() {
  tmux kill-session -t "$tmux_session" 2>/dev/null
  command tmux -L "$tmux_socket" kill-server 2>/dev/null
  [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$source_dir/scripts/demo-install.sh" "$build" "$work/demo" >/dev/null 2>&1 ||
  { echo "FAIL: demo installation"; exit 1; }
root="$work/demo"

pane() { tmux capture-pane -p -t "$tmux_session" 2>/dev/null; }
# wait_for TEXT [SECONDS]: until the pane shows TEXT.
wait_for() {
  local text="$1" tries=$(( ${2:-10} * 10 ))
  while [ "$tries" -gt 0 ]; do
    pane | grep -qF -- "$text" && return 0
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}
# wait_gone TEXT: until the pane no longer shows TEXT.
wait_gone() {
  local text="$1" tries=100
  while [ "$tries" -gt 0 ]; do
    pane | grep -qF -- "$text" || return 0
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}
# wait_for_file FILE: until FILE exists and is not empty.
wait_for_file() {
  local file="$1" tries=100
  while [ "$tries" -gt 0 ]; do
    [ -s "$file" ] && return 0
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}
