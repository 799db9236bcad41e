# Runs the real program without a display, on Qt's offscreen platform, in program folders
# and a home of a test's own. Nothing is clicked: the settings file is written beforehand,
# and the program's log, which it copies to standard error without a display, says what
# it does.
#
# Sourced by tests/e2e/start_at_login.sh, one_copy.sh and archive_command.sh, which call
# offscreen_begin first and offscreen_passed last.
# shellcheck shell=bash

OFFSCREEN_PIDS=()

# offscreen_begin BINARY: the program to run ($OFFSCREEN_BINARY), a work folder ($work)
# with a home of its own, and the programs still running ended when the script ends.
offscreen_begin() {
  OFFSCREEN_BINARY=$(readlink -f "$1")
  work=$(mktemp -d "${TMPDIR:-/tmp}/tonvogel-e2e.XXXXXX")
  offscreen_home "$work"
  trap offscreen_cleanup EXIT
}

offscreen_cleanup() {
  local pid
  for pid in "${OFFSCREEN_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
}

# offscreen_fail TEXT: the failure, with every program's standard error.
offscreen_fail() {
  local f
  echo "e2e: FAILED: $*"
  for f in "$work"/*.err; do
    echo "e2e: --- $f ---"
    cat "$f"
  done
  echo "e2e: files kept in $work"
  exit 1
}

offscreen_passed() {
  echo "e2e: passed${1:+: $1}"
  trap - EXIT
  rm -rf "$work"
  exit 0
}

# offscreen_run NAME FOLDER: starts the program in FOLDER and waits until it has started;
# its pid is in $started, its standard error in $work/NAME.err.
offscreen_run() {
  "$OFFSCREEN_BINARY" --program-folder "$2" >"$work/$1.out" 2>"$work/$1.err" &
  started=$!
  OFFSCREEN_PIDS+=("$started")
  offscreen_until 30 offscreen_started "$work/$1.err" || offscreen_fail "$1 did not start"
}

# offscreen_end NAME PID: ends the program as logging out would (it saves and applies its
# settings once more on the way), and fails unless it ends with status 0.
offscreen_end() {
  kill -TERM "$2"
  offscreen_until 20 offscreen_gone "$2" || offscreen_fail "$1 did not end"
  wait "$2"
  local status=$?
  [ "$status" -eq 0 ] || offscreen_fail "$1 ended with status $status"
}

offscreen_gone() { ! offscreen_alive "$1"; }

# offscreen_home WORK: a home, configuration, desktop and runtime folder inside WORK,
# exported for every program started from now on.
offscreen_home() {
  export HOME=$1/home
  export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
  export XDG_CACHE_HOME=$HOME/.cache XDG_STATE_HOME=$HOME/.local/state
  export XDG_RUNTIME_DIR=$1/runtime
  export QT_QPA_PLATFORM=offscreen
  unset DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER TONVOGEL_DIALOGS DISPLAY WAYLAND_DISPLAY
  mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
}

# offscreen_settings FOLDER START_AT_LOGIN: a settings file of the Windows version's 33
# lines in FOLDER (created), in English, with the recorder off at start and start at login
# on (1) or off (0).
offscreen_settings() {
  local folder=$1 n
  mkdir -p "$folder"
  local lines=(
    "$folder/Tonvogel.ini created 07.12.2026, 10:00:00" "$folder" QQ0QQ 11025 2 1 2
    "71+689    //COM-9pin: Pin 1=PTT on; -2=PTT off; -3=Polung; -4=Roger2; -5=Roger1; -6=Parrot"
    67 10 180 8 5 3 50
    0 0 0 1 0 0 10 0 1 0 # 16-25: no recording at start, no settings window
    6 "15        15" 15 15 6760 5325 15 "$2")
  for n in "${lines[@]}"; do printf '%s\r\n' "$n"; done >"$folder/Tonvogel.ini"
}

# offscreen_started ERRFILE: whether the program writing ERRFILE has finished starting:
# its last step tells that there is no notification area, which offscreen never has.
offscreen_started() { grep -q ' desktop: ' "$1" 2>/dev/null; }

# offscreen_alive PID: the process runs (and is not a zombie).
offscreen_alive() {
  kill -0 "$1" 2>/dev/null && [ "$(cut -d' ' -f3 "/proc/$1/stat" 2>/dev/null)" != Z ]
}

# offscreen_until SECONDS COMMAND...: COMMAND succeeds within SECONDS.
offscreen_until() {
  local until=$((SECONDS + $1))
  shift
  while ! "$@"; do
    [ "$SECONDS" -ge "$until" ] && return 1
    sleep 0.2
  done
}
