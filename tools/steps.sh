# Sourced by the commands that run long steps (test.sh, demo.sh): mexsets_step
# CMD... runs one step so that an interruption of the command (Ctrl-C, kill,
# a closed terminal) also ends everything the step started, compilers and
# test programs included, instead of leaving them running in the build
# folders that the next run uses.
_mexsets_tree() {  # the process PID and all its descendants, deepest first
  local child
  for child in $(pgrep -P "$1" 2>/dev/null || true); do _mexsets_tree "$child"; done
  echo "$1"
}
_mexsets_stop() {
  trap - INT TERM HUP
  if [ -n "${_mexsets_child:-}" ]; then
    # shellcheck disable=SC2046  # one pid a word
    kill -TERM $(_mexsets_tree "$_mexsets_child") 2>/dev/null || true
    wait "$_mexsets_child" 2>/dev/null || true
  fi
  echo "mexsets: interrupted; the next run picks up where this one stopped" >&2
  exit 130
}
mexsets_step() {
  trap _mexsets_stop INT TERM HUP
  # In the background so that the trap runs at once, not when the step ends.
  "$@" &
  _mexsets_child=$!
  local status=0
  wait "$_mexsets_child" || status=$?
  _mexsets_child=
  return "$status"
}
