# A PulseAudio server of a test's own, for tests of the real program's sound: a paced
# sound card on a machine without one. Sourced by end-to-end tests and back-end test
# wrappers.
#
# The server has two null sinks at 11,025 Hz, unsigned 8-bit mono, the program's own
# format, so nothing is resampled or converted on the way:
#   receiver     what the receiver hears: a test plays the net into it (pulse_play); its
#                monitor is the default source, the program's input;
#   transmitter  the default sink, the program's output: what it sends can be recorded
#                from its monitor (pulse_record) and never reaches its input.
# A program on ALSA's `default` reaches the server through ALSA's pulse plugin once
# pulse_start has exported PULSE_SERVER.
#
# Set before pulse_start, for a server laid out otherwise:
#   PULSE_SINKS                   the sinks to make (default "receiver transmitter"); a
#                                 sink named desktop stands for a desktop's own speakers
#   PULSE_DEFAULT_SINK            the default sink (default transmitter)
#   PULSE_DEFAULT_SOURCE          the default source (default receiver.monitor)
# With PULSE_SINKS=receiver there is exactly one sink and so no other for the server to
# move a stream to when it goes.
#
#   pulse_missing_tool            the first tool missing (printed), else false
#   pulse_start DIR               starts the server in DIR/pulse, exports the client
#                                 environment (PULSE_SERVER, PULSE_CLIENTCONFIG,
#                                 PULSE_COOKIE); false, with the reason on stderr, when
#                                 it does not answer. Call it from the test's own shell,
#                                 not a subshell: the server ends when that shell does
#   pulse_stop                    stops it (also done when the test's shell is gone)
#   pulse_log                     prints the server's log file
#   pulse_play FILE [SINK]        plays a WAV file into SINK (receiver), sample for sample
#                                 but for its first few milliseconds, which the sink may
#                                 skip while it takes the stream up
#   pulse_record SINK FILE        records SINK's monitor as raw samples into FILE in the
#                                 background; sets PULSE_RECORD_PID
#   pulse_streams KIND BINARY     how many streams of KIND (sink-inputs, source-outputs)
#                                 the program file BINARY has open
#   pulse_watch FILE              writes the server's events into FILE in the background,
#                                 each line led by the wall-clock time it was seen
#                                 (seconds since the epoch)
#   pulse_remove_sink SINK        unloads SINK's module, as an unplugged card goes
#   pulse_add_sink SINK           loads SINK again (with its keeper), as a card comes back
#
# Every test starts its own server, with its socket, runtime and home folders in the
# test's own folder: tests run side by side without hearing each other, the user's own
# server and settings are never touched, and nothing is started behind the test's back
# (no autospawn). Works as root.
# shellcheck shell=bash

PULSE_PID=""
PULSE_WATCHDOG_PID=""
PULSE_KEEPER_PIDS=()
PULSE_RECORD_PID=""
PULSE_WATCH_PID=""
PULSE_DIR=""
PULSE_RATE=11025
PULSE_RECEIVER=receiver
PULSE_TRANSMITTER=transmitter
PULSE_SINKS=${PULSE_SINKS:-"$PULSE_RECEIVER $PULSE_TRANSMITTER"}
PULSE_DEFAULT_SINK=${PULSE_DEFAULT_SINK:-$PULSE_TRANSMITTER}
PULSE_DEFAULT_SOURCE=${PULSE_DEFAULT_SOURCE:-$PULSE_RECEIVER.monitor}
# The player's latency towards the receiver: large enough that a busy machine never lets
# the stream run dry, which would put silence into the net.
PULSE_PLAY_LATENCY_MS=250

pulse_missing_tool() {
  local tool
  for tool in pulseaudio pactl paplay parec; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      echo "$tool"
      return 0
    fi
  done
  return 1
}

pulse_answers() { pactl info >/dev/null 2>&1; }

pulse_alive() { [ -n "$PULSE_PID" ] && kill -0 "$PULSE_PID" 2>/dev/null; }

pulse_log() { echo "$PULSE_DIR/pulse.log"; }

# The module line that makes sink $1, described by its name with a capital.
pulse_sink_module() {
  echo "module-null-sink sink_name=$1 format=u8 rate=$PULSE_RATE channels=1" \
    "sink_properties=device.description=${1^}"
}

pulse_start() {
  local dir=$1/pulse waited=0 sink
  PULSE_DIR=$dir
  mkdir -p "$dir/home/.config/pulse" "$dir/runtime" "$dir/state" || return 1
  chmod 700 "$dir/runtime"
  : >"$dir/pulse.log"
  {
    for sink in $PULSE_SINKS; do echo "load-module $(pulse_sink_module "$sink")"; done
    echo "load-module module-native-protocol-unix socket=$dir/native auth-anonymous=1"
    echo "set-default-sink $PULSE_DEFAULT_SINK"
    echo "set-default-source $PULSE_DEFAULT_SOURCE"
  } >"$dir/server.pa"
  # Its own daemon.conf replaces the machine's; the defaults are the program's format.
  cat >"$dir/home/.config/pulse/daemon.conf" <<EOF
default-sample-format = u8
default-sample-rate = $PULSE_RATE
default-sample-channels = 1
exit-idle-time = -1
flat-volumes = no
EOF
  printf 'autospawn = no\n' >"$dir/client.conf"

  # Without a display and a session bus the server looks for neither.
  env -u DISPLAY -u DBUS_SESSION_BUS_ADDRESS -u PULSE_SERVER \
    HOME="$dir/home" XDG_CONFIG_HOME="$dir/home/.config" XDG_RUNTIME_DIR="$dir/runtime" \
    PULSE_RUNTIME_PATH="$dir/runtime" PULSE_STATE_PATH="$dir/state" \
    pulseaudio --daemonize=no -n -F "$dir/server.pa" --use-pid-file=no --system=no \
    --exit-idle-time=-1 --realtime=no --high-priority=no --log-level=info \
    --log-target="file:$dir/pulse.log" </dev/null >>"$dir/pulse.log" 2>&1 &
  PULSE_PID=$!
  # Should the test's shell die without stopping the server (a time-out kills it), the
  # server goes with it.
  local shell=$BASHPID
  (
    trap - EXIT
    while kill -0 "$shell" 2>/dev/null && kill -0 "$PULSE_PID" 2>/dev/null; do sleep 1; done
    kill "$PULSE_PID" 2>/dev/null
  ) </dev/null >/dev/null 2>&1 &
  PULSE_WATCHDOG_PID=$!

  export PULSE_SERVER="unix:$dir/native"
  export PULSE_CLIENTCONFIG="$dir/client.conf"
  export PULSE_COOKIE="$dir/cookie"
  unset PULSE_SINK PULSE_SOURCE

  while ! pulse_answers; do
    if ! pulse_alive; then
      echo "pulse: the server ended at its start; its log, $dir/pulse.log:" >&2
      tail -n 20 "$dir/pulse.log" >&2
      PULSE_PID=""
      return 1
    fi
    if [ "$waited" -ge 200 ]; then
      echo "pulse: the server does not answer after 20 s; its log, $dir/pulse.log:" >&2
      tail -n 20 "$dir/pulse.log" >&2
      pulse_stop
      return 1
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
  local sinks
  sinks=$(pactl list short sinks 2>&1)
  for sink in $PULSE_SINKS; do
    if ! grep -q "^[0-9]*[[:space:]]$sink[[:space:]]" <<<"$sinks"; then
      echo "pulse: the server lacks its sink $sink; it has:" >&2
      echo "$sinks" >&2
      pulse_stop
      return 1
    fi
  done

  # A null sink that no one asks for a short latency renders two seconds ahead, and a
  # stream that starts then sounds only after those: the sound would start late and end
  # late. A listener asking for 10 ms on each monitor keeps the sinks rendering only
  # just ahead, as a sound card does; what they had rendered at the start runs out first.
  for sink in $PULSE_SINKS; do pulse_keep "$sink"; done
  waited=0
  until pulse_sinks_prompt; do
    if [ "$waited" -ge 100 ]; then
      echo "pulse: the sinks still render far ahead after 10 s:" >&2
      pactl list sinks 2>&1 | grep -E 'Name:|Latency:' >&2
      pulse_stop
      return 1
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
}

pulse_keep() {
  parec --device="$1.monitor" --latency-msec=10 --format=u8 --rate="$PULSE_RATE" \
    --channels=1 --raw --client-name=tonvogel-test-keeper >/dev/null 2>>"$PULSE_DIR/keeper.log" &
  PULSE_KEEPER_PIDS+=($!)
}

# Whether every sink renders no more than 50 ms ahead.
pulse_sinks_prompt() {
  local count
  count=$(wc -w <<<"$PULSE_SINKS")
  pactl list sinks 2>/dev/null | awk -v count="$count" '
    /^[[:space:]]*Latency:/ {n++; if ($2 > 50000) slow = 1}
    END {exit !(n >= count && !slow)}'
}

pulse_remove_sink() {
  local module
  module=$(pactl list short modules | awk -v name="sink_name=$1" '$2 == "module-null-sink" {
    for (i = 3; i <= NF; i++) if ($i == name) print $1 }')
  [ -n "$module" ] && pactl unload-module "$module"
}

pulse_add_sink() {
  # shellcheck disable=SC2046
  pactl load-module $(pulse_sink_module "$1") >/dev/null || return 1
  pulse_keep "$1"
}

pulse_stop() {
  local pid
  for pid in "$PULSE_RECORD_PID" "$PULSE_WATCH_PID" "${PULSE_KEEPER_PIDS[@]}" "$PULSE_PID" \
    "$PULSE_WATCHDOG_PID"; do
    [ -n "$pid" ] || continue
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  PULSE_RECORD_PID=""
  PULSE_WATCH_PID=""
  PULSE_KEEPER_PIDS=()
  PULSE_PID=""
  PULSE_WATCHDOG_PID=""
}

pulse_play() {
  paplay --device="${2:-$PULSE_RECEIVER}" --latency-msec="$PULSE_PLAY_LATENCY_MS" \
    --client-name=tonvogel-test "$1"
}

pulse_record() {
  parec --device="$1.monitor" --format=u8 --rate="$PULSE_RATE" --channels=1 --raw \
    --client-name=tonvogel-test >"$2" &
  PULSE_RECORD_PID=$!
}

pulse_streams() {
  pactl list "$1" 2>/dev/null |
    awk -v binary="\"$2\"" '$1 == "application.process.binary" && $3 == binary {n++} END {print n + 0}'
}

pulse_stamp_lines() {
  local line LC_ALL=C
  while IFS= read -r line; do printf '%s %s\n' "$EPOCHREALTIME" "$line"; done
}

pulse_watch() {
  # pactl's output goes through a pipe, which it would otherwise hand on in blocks. The
  # stamping ends when pactl does.
  stdbuf -oL pactl subscribe 2>/dev/null > >(pulse_stamp_lines >"$1") &
  PULSE_WATCH_PID=$!
}
