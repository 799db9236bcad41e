#!/usr/bin/env bash
# The hourly announcement of the real program at its moment or not at all, and only into
# a clear channel, read from the log of the pty's modem lines (the preloaded library).
#
# 1. libfaketime steps the program's wall clock (not its monotonic clock) 30 minutes
#    forward, over a moment 40 s ahead, as a wake from suspend does: nothing is keyed
#    then, and the skip stands in the program's log.
# 2. A net talks into the program's input through the sound server's receiver when the
#    moment comes: the announcement waits for the end of the talk and keys in the clear
#    (the busy-channel lockout, on by default).
#
#   schedule_clock.sh TONVOGEL SOURCE_FOLDER NET_FILE PTYLINE PTY_HOLD
#
# Exit status 77 (a skip for CTest) when PulseAudio or libfaketime is not installed.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
faketime_lib=$(find /usr/lib -name libfaketime.so.1 2>/dev/null | head -n 1)
if [ -z "$faketime_lib" ]; then
  echo "e2e: skipped: libfaketime missing"
  exit 77
fi
# shellcheck source=tests/e2e/station.sh
source "$here/station.sh" || exit 1
station_begin clock "$@"

first=$STATION_FOLDER/first.wav
second=$STATION_FOLDER/second.wav
"$STATION_NET_FILE" make "$first" talk:2 >/dev/null &&
  "$STATION_NET_FILE" make "$second" talk:2 >/dev/null || fail "tv_net_file make failed"
write_schedule() {
  printf '%s\r\n%s\r\n%s\r\n' "$(date -d "@$1" +%M:%S)" "$first" "$second" \
    >"$STATION_FOLDER/XW.DAT"
}
keyings() { line_events TIOCMBIS | grep -c 'dtr=1'; }

step "a moment 40 s ahead, and the wall clock stepped 30 minutes over it"
station_settings
moment=$(($(date +%s) + 40))
write_schedule "$moment"
echo "+0" >"$STATION_WORK/faketime"
env LD_PRELOAD="$STATION_PTYLINE $faketime_lib" PTYLINE_LOG="$STATION_LINES_LOG" \
  PTYLINE_INPUTS="$STATION_INPUTS" FAKETIME_TIMESTAMP_FILE="$STATION_WORK/faketime" \
  FAKETIME_NO_CACHE=1 FAKETIME_DONT_FAKE_MONOTONIC=1 \
  "$STATION_BINARY" --program-folder "$STATION_FOLDER" \
  >"$STATION_WORK/program.out" 2>"$STATION_WORK/program.err" &
STATION_PID=$!
await 20 station_port_ready || fail "the program did not open its port"
while [ "$(date +%s)" -lt $((moment - 10)) ]; do sleep 0.2; done
echo "+1800" >"$STATION_WORK/faketime"
skipped() { grep -q "is skipped: the clock came" "$STATION_WORK/program.err"; }
await 5 skipped || fail "no skip of the moment stepped over in the program's log"
while [ "$(date +%s)" -lt $((moment + 5)) ]; do sleep 0.2; done
[ "$(keyings)" -eq 0 ] || fail "keyed although the clock stepped over the moment"
station_stop

step "a net talking into the input when the moment comes"
STATION_DEADLINE=$((SECONDS + 85))
: >"$STATION_WORK/program.err"
talk=$STATION_WORK/talk.wav
"$STATION_NET_FILE" make "$talk" talk:5 >/dev/null || fail "tv_net_file make failed"
moment=$(($(date +%s) + 12))
write_schedule "$moment"
station_start
await 10 station_port_ready || fail "the program did not open its port"
while [ "$(date +%s)" -lt $((moment - 2)) ]; do sleep 0.05; done
talk_start=$(date +%s.%N)
pulse_play "$talk" &
talk_pid=$!
await 20 station_keyed || fail "the announcement was not keyed within the wait"
wait "$talk_pid"
talk_end=$(date +%s.%N)
keyed_at=$(line_events TIOCMBIS | awk '/dtr=1/ {split($2, a, "="); print a[2]; exit}')
echo "e2e: talk from $talk_start to $talk_end; keyed at $keyed_at (moment $moment)"
# Not before the talk has ended (its last sound leaves the player's buffer up to a few
# hundred ms before paplay returns), and no later than the wait of 10 s.
awk -v k="$keyed_at" -v e="$talk_end" -v m="$moment" 'BEGIN {exit !(k >= e - 0.3 && k <= m + 10)}' ||
  fail "keyed at $keyed_at, not in the clear after the talk ending at $talk_end"
station_stop

echo "e2e: [$SECONDS s] passed: a stepped-over moment keyed nothing; keyed $(
  awk -v k="$keyed_at" -v e="$talk_end" 'BEGIN {printf "%.2f", k - e}') s after the talk ended"
station_cleanup
rm -rf "$STATION_WORK"
exit 0
