#!/usr/bin/env bash
# A minute of a radio net heard through a real sound server: the real program records
# from ALSA's `default` (the server's receiver) while the test plays the net into the
# receiver. Every transmission longer than the minimum recording time must be filed as a
# recording of its own, and every recording must hold samples of the net unchanged, in
# order, none dropped and none doubled.
#
#   net_recording.sh TONVOGEL SOURCE_FOLDER NET_FILE PTYLINE PTY_HOLD
#
# Exit status 77 (a skip for CTest) when PulseAudio is not installed.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/station.sh
source "$here/station.sh" || exit 1
station_begin net "$@"

# Minimum recording time 5 s, pause after silence 4 s: the gaps outlast the pause, so
# each transmission is a take of its own; the one of a second stays below the minimum.
min_seconds=5
net=$STATION_WORK/net.wav
step "making the net"
"$STATION_NET_FILE" make "$net" quiet:9 talk:6 quiet:7 talk:1 quiet:7 talk:10.5 quiet:7 \
  talk:5.5 quiet:7 >"$STATION_WORK/talks" || fail "tv_net_file make failed"
station_settings 10=$min_seconds 12=4 16=1 20=0

step "playing the net into the receiver, then starting the program"
# The net first: the program's first take, begun at its start, then holds the net's
# quiet and nothing from before it.
pulse_play "$net" 2>"$STATION_WORK/paplay.err" &
player=$!
started=$SECONDS
station_start
program_listens() { [ "$(pulse_streams source-outputs tonvogel)" -gt 0 ]; }
await 20 program_listens || fail "the program does not record from the sound server"
[ $((SECONDS - started)) -lt 8 ] ||
  fail "the program listened only $((SECONDS - started)) s into the net, after its first talk"

step "the net sounds for a minute"
wait "$player" || fail "paplay failed: $(cat "$STATION_WORK/paplay.err")"
step "ending the program"
station_stop

step "every recording holds the net's samples unchanged"
mapfile -t recordings < <(find "$STATION_FOLDER/W" -maxdepth 1 -type f -name '*.wav' | sort)
[ "${#recordings[@]}" -gt 0 ] || fail "no recording in $STATION_FOLDER/W"
: >"$STATION_WORK/found"
for recording in "${recordings[@]}"; do
  span=$("$STATION_NET_FILE" find "$net" "$recording" 2>&1) ||
    fail "$(basename "$recording") is not the net's sound: $span"
  echo "$span $(basename "$recording")" >>"$STATION_WORK/found"
done
cat "$STATION_WORK/found"

step "every long transmission filed, each in a recording of its own"
# talks: "talk FIRST END" in samples; found: "FIRST END NAME".
report=$(awk -v rate="$PULSE_RATE" -v min="$min_seconds" '
  NR == FNR {talk_first[++talks] = $2; talk_end[talks] = $3; next}
  {first[++files] = $1; end[files] = $2; name[files] = $3}
  END {
    for (f = 1; f <= files; f++) {
      held = 0
      for (t = 1; t <= talks; t++)
        if (talk_first[t] < end[f] && talk_end[t] > first[f]) held++
      if (held > 1) {print "FAIL " name[f] " holds " held " transmissions"; bad = 1}
    }
    for (t = 1; t <= talks; t++) {
      seconds = (talk_end[t] - talk_first[t]) / rate
      where = ""
      for (f = 1; f <= files; f++)
        if (first[f] <= talk_first[t] && end[f] >= talk_end[t]) {where = name[f]; from = first[f]}
      if (where != "")
        printf "transmission at %.2f s (%.1f s long) is in %s, from %.3f s before its start\n",
          talk_first[t] / rate, seconds, where, (talk_first[t] - from) / rate
      else if (seconds > min) {
        printf "FAIL the transmission at %.2f s (%.1f s long) is in no recording\n",
          talk_first[t] / rate, seconds
        bad = 1
      } else
        printf "transmission at %.2f s (%.1f s long, below the minimum) is not filed\n",
          talk_first[t] / rate, seconds
    }
    exit bad
  }' "$STATION_WORK/talks" "$STATION_WORK/found")
status=$?
echo "$report"
[ "$status" -eq 0 ] || fail "$(grep FAIL <<<"$report")"

echo "e2e: [$SECONDS s] passed: ${#recordings[@]} recordings, each sample for sample in the net"
station_cleanup
rm -rf "$STATION_WORK"
exit 0
