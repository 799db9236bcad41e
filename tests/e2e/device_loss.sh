#!/usr/bin/env bash
# The input goes away during a transmission and comes back: the sound server has exactly
# one sink, the receiver, so there is no other to move the program's stream to, and its
# module is unloaded five seconds into a transmission, as an unplugged card goes. The
# take up to the loss must be filed (sample for sample the net's), the program must say
# so, and once the sink is loaded again it must record the next transmission sample for
# sample, without anyone switching the recorder on again.
#
#   device_loss.sh TONVOGEL SOURCE_FOLDER NET_FILE PTYLINE PTY_HOLD
#
# Exit status 77 (a skip for CTest) when PulseAudio is not installed.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export PULSE_SINKS=receiver PULSE_DEFAULT_SINK=receiver PULSE_DEFAULT_SOURCE=receiver.monitor
# shellcheck source=tests/e2e/station.sh
source "$here/station.sh" || exit 1
# shellcheck source=scripts/common.sh
source "$2/scripts/common.sh" || exit 1
station_begin loss "$@"

step "two nets, the program recording from the server's default"
before=$STATION_WORK/before.wav
after=$STATION_WORK/after.wav
"$STATION_NET_FILE" make "$before" quiet:6 talk:10 quiet:1 >/dev/null &&
  "$STATION_NET_FILE" make "$after" quiet:8 talk:4 quiet:6 >"$STATION_WORK/after.talks" ||
  fail "tv_net_file make failed"
# Minimum recording time 2 s, pause after silence 4 s, the recorder on from the start. The
# second net's quiet outlasts the pause: the take that begins when the input comes back
# has ended before the transmission, which is a take of its own.
station_settings 10=2 12=4 16=1 20=0
program_listens() { [ "$(pulse_streams source-outputs tonvogel)" -gt 0 ]; }

step "the receiver goes away five seconds into a transmission"
# The net first: the program's first take, begun at its start, then holds the net's
# quiet and nothing from before it.
pulse_play "$before" 2>/dev/null &
player=$!
started=$EPOCHREALTIME
station_start
await 5 program_listens || fail "the program does not record from the sound server within 5 s"
sleep "$(awk -v s="$started" -v now="$EPOCHREALTIME" 'BEGIN {print 11 - (now - s)}')"
pulse_remove_sink receiver || fail "the receiver's module could not be unloaded"
wait "$player"
told_lost() { grep -q 'sound input .* stopped' "$STATION_WORK/program.err"; }
await 10 told_lost || fail "the program did not tell that its input stopped"
grep 'sound input .* stopped' "$STATION_WORK/program.err" | head -n 1
# The take up to the loss: the last filed, after the one of the net's quiet that began
# with the program.
talk_filed() {
  local recording span
  for recording in "$STATION_FOLDER"/W/*.wav; do
    span=$("$STATION_NET_FILE" find "$before" "$recording" 2>/dev/null) || continue
    # The talk began at 6 s; the take must hold it up to near the loss at 11 s.
    if [ "${span#* }" -gt $((PULSE_RATE * 10)) ]; then
      echo "$recording $span"
      return 0
    fi
  done
  return 1
}
await 10 talk_filed >/dev/null || fail "the take up to the loss was not filed"
read -r lost_take span_first span_end < <(talk_filed)
for recording in "$STATION_FOLDER"/W/*.wav; do
  span=$("$STATION_NET_FILE" find "$before" "$recording" 2>&1) ||
    fail "$(basename "$recording"), filed before the loss, is not the net's sound: $span"
done
echo "e2e: the take up to the loss holds samples $span_first to $span_end of the first net"
mapfile -t first < <(find "$STATION_FOLDER/W" -maxdepth 1 -name '*.wav')

step "the receiver comes back: the program records again by itself"
pulse_add_sink receiver || fail "the receiver could not be loaded again"
await 15 program_listens || fail "the program did not open its input again"
grep 'sound input .* there' "$STATION_WORK/program.err" | head -n 1
pulse_play "$after" 2>"$STATION_WORK/paplay.err" || fail "paplay failed: $(cat "$STATION_WORK/paplay.err")"
station_stop

step "the next transmission is recorded sample for sample"
# The take that began when the input came back holds the server's silence before the
# net: the transmission is looked for in the recordings, not they in the net.
read -r _ talk_first talk_end <"$STATION_WORK/after.talks"
tail -c +$((44 + talk_first + 1)) "$after" | head -c $((talk_end - talk_first)) \
  >"$STATION_WORK/talk.raw"
tonvogel_wav8 "$PULSE_RATE" "$STATION_WORK/talk.raw" >"$STATION_WORK/talk.wav"
found=""
for recording in "$STATION_FOLDER"/W/*.wav; do
  printf '%s\n' "${first[@]}" | grep -qxF "$recording" && continue
  if span=$("$STATION_NET_FILE" find "$recording" "$STATION_WORK/talk.wav" 2>/dev/null); then
    found="$(basename "$recording"), samples $span"
  fi
done
[ -n "$found" ] || fail "the transmission after the return is in no recording, unchanged"
echo "e2e: the transmission after the return is in $found"

echo "e2e: [$SECONDS s] passed: the take up to the loss filed, the next one recorded whole"
station_cleanup
rm -rf "$STATION_WORK"
exit 0
