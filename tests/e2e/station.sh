# A station for end-to-end tests of the real program: its own program folder with a
# settings file written by the test (so no installation window appears), its own home
# and session folders, a sound server of its own (tests/support/pulse/pulse.sh) and a
# pseudo-terminal as the serial port, whose modem lines the preloaded
# tests/support/ptyline library plays and logs, and lock-file and by-id folders of its
# own ($TONVOGEL_LOCK_DIR, $TONVOGEL_SERIAL_BY_ID). Sourced by the e2e scripts.
#
#   station_begin NAME BINARY SOURCE_FOLDER NET_FILE PTYLINE PTY_HOLD
#                               sets up $STATION_WORK with the sound server and the pty;
#                               exits 77 when a tool is missing (the last three are the
#                               test tools of tests/support: tv_net_file, the preload
#                               library, tv_pty_hold)
#   station_settings [LINE=TEXT]...
#                               writes Tonvogel.ini: a quiet station (no recording at
#                               start, no settings window, English) keying DTR on the
#                               pty, with the given lines replaced; its send key is DCD,
#                               pressed while the test writes DCD into $STATION_INPUTS
#   station_start [ARGUMENT]... starts the program (QT_QPA_PLATFORM as set, offscreen
#                               by default); STATION_PID
#   station_start_scheduled FIRST_SECONDS SECOND_SECONDS
#                               starts it with a schedule file that sends two loud files
#                               of those lengths a few seconds later, at STATION_MOMENT,
#                               once STATION_READY (default station_port_ready) holds
#   station_stop                ends it by SIGTERM, as the desktop's logout does
#   station_ended               whether the program has ended
#   station_port_ready          whether it has opened the port and cleared its lines
#   station_keyed [LINE]        whether it has raised DTR (or LINE: dtr, rts)
#   seconds_between A B, within VALUE LOW HIGH
#                               reckoning with the times of the logs
#   step TEXT / fail TEXT / await SECONDS COMMAND...
#   station_lock_file           the UUCP lock file of the pty in $TONVOGEL_LOCK_DIR
#   station_also_end PID...     processes the test started (another program holding the
#                               port) that end with the station, also when it fails
#   line_events [CAUSE]         the running program's lines of the modem-line log
#                               ($STATION_LINES_LOG; see tests/support/ptyline), or
#                               those with that cause; field LINE NAME reads one value
#
# Every failure prints the program's standard error, the modem-line log and the tail of
# the sound server's log, and keeps the test's folder.
# shellcheck shell=bash

STATION_PID=""
STATION_PTY_PID=""
STATION_OTHER_PIDS=()
STATION_STEP="setting up"
STATION_DEADLINE=$((SECONDS + 85))

station_begin() {
  local name=$1 source_folder=$3 pty_hold=$6
  STATION_BINARY=$(readlink -f "$2")
  STATION_NET_FILE=$4
  STATION_PTYLINE=$5
  # shellcheck source=tests/support/pulse/pulse.sh
  source "$source_folder/tests/support/pulse/pulse.sh" || exit 1
  local missing
  if missing=$(pulse_missing_tool); then
    echo "e2e: skipped: $missing missing"
    exit 77
  fi
  STATION_WORK=$(mktemp -d "${TMPDIR:-/tmp}/tonvogel-$name.XXXXXX")
  STATION_FOLDER=$STATION_WORK/program
  STATION_LINES_LOG=$STATION_WORK/lines.log
  STATION_INPUTS=$STATION_WORK/inputs
  export LC_ALL=C.UTF-8
  export HOME=$STATION_WORK/home
  export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
  export XDG_CACHE_HOME=$HOME/.cache XDG_DESKTOP_DIR=$HOME/Desktop
  export XDG_RUNTIME_DIR=$STATION_WORK/runtime
  export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
  export TONVOGEL_LOCK_DIR=$STATION_WORK/lock TONVOGEL_SERIAL_BY_ID=$STATION_WORK/by-id
  unset DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER TONVOGEL_DIALOGS
  mkdir -p "$STATION_FOLDER" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" "$TONVOGEL_LOCK_DIR" \
    "$TONVOGEL_SERIAL_BY_ID" || exit 1
  chmod 700 "$XDG_RUNTIME_DIR"
  cp -r "$source_folder/resources/." "$STATION_FOLDER/" || exit 1
  : >"$STATION_WORK/program.err"
  : >"$STATION_LINES_LOG"
  : >"$STATION_INPUTS"
  trap station_cleanup EXIT
  # A crash the test provokes leaves no core file behind.
  ulimit -c 0

  step "starting the sound server and the serial port"
  pulse_start "$STATION_WORK" 2>"$STATION_WORK/pulse.err" ||
    fail "the sound server did not start: $(cat "$STATION_WORK/pulse.err")"
  "$pty_hold" >"$STATION_WORK/pty" 2>&1 &
  STATION_PTY_PID=$!
  await 10 test -s "$STATION_WORK/pty" || fail "no pseudo-terminal"
  STATION_PTY=$(head -n 1 "$STATION_WORK/pty")
  [[ $STATION_PTY == /dev/pts/* ]] || fail "no pseudo-terminal: $STATION_PTY"
}

station_cleanup() {
  local other
  for other in "${STATION_OTHER_PIDS[@]}"; do
    kill "$other" 2>/dev/null
  done
  STATION_OTHER_PIDS=()
  if [ -n "$STATION_PID" ]; then
    kill "$STATION_PID" 2>/dev/null
    wait "$STATION_PID" 2>/dev/null
    STATION_PID=""
  fi
  if [ -n "$STATION_PTY_PID" ]; then
    kill "$STATION_PTY_PID" 2>/dev/null
    wait "$STATION_PTY_PID" 2>/dev/null
    STATION_PTY_PID=""
  fi
  pulse_stop
  [ -n "${DRIVE_XVFB_PID:-}" ] && drive_stop_display
}

step() {
  STATION_STEP=$1
  echo "e2e: [$SECONDS s] $1"
}

fail() {
  echo "e2e: FAILED at step: $STATION_STEP"
  echo "e2e: $*"
  if [ -n "$STATION_PID" ] && station_ended; then
    wait "$STATION_PID"
    echo "e2e: the program has ended, with status $?"
    STATION_PID=""
  fi
  echo "e2e: --- the program's standard error ---"
  cat "$STATION_WORK/program.err"
  echo "e2e: --- the modem lines ($STATION_LINES_LOG) ---"
  cat "$STATION_LINES_LOG"
  echo "e2e: --- the sound server's log, last lines ---"
  tail -n 30 "$(pulse_log)" 2>/dev/null
  echo "e2e: --- end; files kept in $STATION_WORK"
  trap - EXIT
  station_cleanup
  exit 1
}

# await SECONDS COMMAND...: runs COMMAND until it succeeds, for at most SECONDS and never
# past the test's deadline; gives up once the program has ended.
await() {
  local left=$((STATION_DEADLINE - SECONDS))
  [ "$left" -lt 1 ] && left=1
  [ "$1" -lt "$left" ] && left=$1
  shift
  local until=$((SECONDS + left))
  while ! "$@"; do
    if [ -n "$STATION_PID" ] && station_ended; then
      "$@"
      return
    fi
    [ "$SECONDS" -ge "$until" ] && return 1
    sleep 0.1
  done
}

# Gone, or a zombie. The shell may reap the program at any moment (while it forks for
# any command): then its /proc entry has gone too.
station_ended() {
  local state
  state=$(cut -d' ' -f3 "/proc/$STATION_PID/stat" 2>/dev/null) || return 0
  [ "$state" = Z ]
}

station_settings() {
  local lines=(
    "$STATION_FOLDER/Tonvogel.ini written by the end-to-end test"
    "$STATION_FOLDER" QQ0QQ 11025 2 1 "$STATION_PTY"
    "41-689    //COM-9pin: Pin 1=PTT on; -2=PTT off; -3=Polung; -4=Roger2; -5=Roger1; -6=Parrot"
    40 3 180 4 5 3 50 0 0 0 1 1 0 10 0 0 0 6 "15        15" 15 15 6760 5325 15 0 300
  )
  local change
  for change in "$@"; do
    lines[${change%%=*} - 1]=${change#*=}
  done
  printf '%s\r\n' "${lines[@]}" >"$STATION_FOLDER/Tonvogel.ini"
}

station_start() {
  env LD_PRELOAD="$STATION_PTYLINE" PTYLINE_LOG="$STATION_LINES_LOG" \
    PTYLINE_INPUTS="$STATION_INPUTS" \
    "$STATION_BINARY" --program-folder "$STATION_FOLDER" "$@" \
    >"$STATION_WORK/program.out" 2>"$STATION_WORK/program.err" &
  STATION_PID=$!
}

station_stop() {
  kill -TERM "$STATION_PID" 2>/dev/null
  await 20 station_ended || fail "the program does not end on SIGTERM"
  wait "$STATION_PID"
  STATION_PID=""
}

line_events() { grep " pid=$STATION_PID .*cause=${1:-}" "$STATION_LINES_LOG"; }

# The program has raised DTR, the keying line of its settings, or the line named.
station_keyed() { line_events TIOCMBIS | grep -q "${1:-dtr}=1"; }

# The serial port is open and its lines cleared: the settings have been applied.
station_port_ready() {
  line_events | awk '/cause=open/ {o = 1} o && /cause=TIOCMBIC/ && /dtr=0 rts=0/ {f = 1}
    END {exit !f}'
}

station_start_scheduled() {
  local lead at first=$STATION_FOLDER/first.wav second=$STATION_FOLDER/second.wav
  "$STATION_NET_FILE" make "$first" "talk:$1" >/dev/null &&
    "$STATION_NET_FILE" make "$second" "talk:$2" >/dev/null || fail "tv_net_file make failed"
  # A slow start could miss the moment, which comes again only an hour later: the
  # program is started anew with more time when it was not ready in good time.
  for lead in 6 12 24; do
    at=$(($(date +%s) + lead))
    printf '%s\r\n%s\r\n%s\r\n' "$(date -d "@$at" +%M:%S)" "$first" "$second" \
      >"$STATION_FOLDER/XW.DAT"
    station_start
    if await $((lead - 2)) "${STATION_READY:-station_port_ready}" &&
      [ "$(date +%s)" -lt $((at - 1)) ]; then
      STATION_MOMENT=$at
      return 0
    fi
    echo "e2e: the program was not ready $lead s ahead; once more with more time"
    kill -KILL "$STATION_PID" 2>/dev/null
    wait "$STATION_PID" 2>/dev/null
  done
  fail "the program was never ready for its schedule"
}

station_also_end() { STATION_OTHER_PIDS+=("$@"); }

station_lock_file() {
  local name=${STATION_PTY#/dev/}
  echo "$TONVOGEL_LOCK_DIR/LCK..${name//\//_}"
}

# seconds_between A B: B - A, to the millisecond.
seconds_between() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", b - a}'; }
# within VALUE LOW HIGH: whether LOW <= VALUE <= HIGH.
within() { awk -v v="$1" -v l="$2" -v h="$3" 'BEGIN {exit !(v >= l && v <= h)}'; }

# field LINE NAME: the value of NAME=... in a line of the modem-line log.
field() { tr ' ' '\n' <<<"$1" | sed -n "s/^$2=//p"; }

