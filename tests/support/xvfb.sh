# What the Xvfb tests share, sourced by each test script: a real X window this time
# (no offscreen platform), the tools checked (exit 77 skips the test), a work folder
# removed at the end, `fail`, and `run_x TIMEOUT [SCREEN]`, which runs the driver
# script $work/drive.sh in a fresh X server (through $XVFB_WRAP when it is set, a
# session bus for instance). The driver has this file sourced too
# (XVFB_DRIVER=1), for `open_window`, `wait_window`, `focus`, `press` and `quit`.
if [ -n "${XVFB_DRIVER:-}" ]; then
  # open_window OPTION VALUE PROGRAM ARGS...: starts the program and waits for its
  # window (xdotool search OPTION VALUE), one not shown before it started, so that a
  # second window of the same name is told apart; sets $app and $win, the window focused.
  open_window() {
    local option=$1 value=$2 before
    shift 2
    before=$(xdotool search --onlyvisible "$option" "$value" 2>/dev/null | sort)
    "$@" &
    app=$!
    for i in $(seq 200); do
      win=$(comm -13 <(echo "$before") <(xdotool search --onlyvisible "$option" "$value" 2>/dev/null | sort) | head -n 1)
      [ -n "$win" ] && break
      sleep 0.1
    done
    focus "$win" 0.5
  }
  # wait_window TITLE: prints the id of a visible window whose title matches TITLE (a
  # pattern), waiting up to 5 s; fails when none came.
  wait_window() {
    for i in $(seq 50); do
      xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 | grep . && return 0
      sleep 0.1
    done
    return 1
  }
  # focus WIN [SECONDS]: the window in front, then a pause (0.3 s) for it to settle;
  # press KEYS...: the keys, then the same pause.
  focus() { xdotool windowfocus --sync "$1"; sleep "${2:-0.3}"; }
  press() { xdotool key "$@"; sleep 0.3; }
  # quit PID NAME: Ctrl+X to the window in front; the program must end within 5 s.
  quit() {
    xdotool key ctrl+x
    for i in $(seq 50); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$1" 2>/dev/null; then kill "$1"; echo "$2 did not end on Ctrl+X"; exit 1; fi
    wait "$1"
  }
  return 0
fi
set -euo pipefail
unset QT_QPA_PLATFORM
for tool in xvfb-run xdotool; do
  command -v $tool >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
xvfb_lib=$(readlink -f "${BASH_SOURCE[0]}")
fail() { echo "$1"; exit 1; }
run_x() {
  timeout "$1" xvfb-run -a -s "-screen 0 ${2:-1024x768x24}" ${XVFB_WRAP:-} \
    env XVFB_DRIVER=1 bash -c 'set -eu; source "$0"; source "$1"' "$xvfb_lib" "$work/drive.sh"
}
