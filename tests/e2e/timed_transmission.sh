#!/usr/bin/env bash
# The timed transmission of a schedule file through a real sound server: at its moment the
# transmitter is keyed, a 2 s file and, after a pause of 275 ms, a 4 s file are played,
# and the transmitter is released as soon as the second has sounded: keyed for
# 6.3 s ± 0.3 s, not until a guard gives up on an end the sound server never reports.
# The keying is read from the log of the pty's modem lines (the preloaded library), the
# sound from the monitor of the server's transmitter.
#
#   timed_transmission.sh TONVOGEL SOURCE_FOLDER NET_FILE PTYLINE PTY_HOLD
#
# Exit status 77 (a skip for CTest) when PulseAudio is not installed.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/station.sh
source "$here/station.sh" || exit 1
station_begin timed "$@"

step "a schedule file that sends 2 s and then 4 s"
station_settings
pulse_record "$PULSE_TRANSMITTER" "$STATION_WORK/sent.raw"
station_start_scheduled 2 4

step "waiting for the keying at $(date -d "@$STATION_MOMENT" +%T) and its end"
released() { line_events | awk '/TIOCMBIS.*dtr=1/ {k = 1} k && /dtr=0/ {r = 1} END {exit !r}'; }
await 15 station_keyed || fail "the transmitter was not keyed"
await 15 released || fail "the transmitter was not released within 15 s"
span=$(line_events | awk '
  /TIOCMBIS.*dtr=1/ && !on {split($1, a, "="); on = a[2]}
  on && /dtr=0/ {split($1, a, "="); printf "%.3f", a[2] - on; exit}')
# The last of the sound reaches the server's monitor a moment later.
sleep 0.5
kill "$PULSE_RECORD_PID"
read -r loud_first loud_end < <("$STATION_NET_FILE" loud "$STATION_WORK/sent.raw")
sounded=$(awk -v a="$loud_first" -v b="$loud_end" -v r="$PULSE_RATE" 'BEGIN {printf "%.3f", (b - a) / r}')
echo "e2e: keyed for $span s; the transmitter's sink sounded for $sounded s"
awk -v s="$span" 'BEGIN {exit !(s >= 6.0 && s <= 6.6)}' ||
  fail "keyed for $span s, not 6.3 s ± 0.3 s"
# Both files and the pause between them, 6.275 s and what opening the second file takes.
awk -v s="$sounded" 'BEGIN {exit !(s >= 6.2 && s <= 6.6)}' ||
  fail "the transmitter's sink sounded for $sounded s, not the 6.275 s of the two files"
# The key comes just before the sound and goes just after it.
awk -v k="$span" -v s="$sounded" 'BEGIN {exit !(k - s >= -0.02 && k - s <= 0.25)}' ||
  fail "keyed for $span s around $sounded s of sound"

step "ending the program"
station_stop

echo "e2e: [$SECONDS s] passed: keyed for $span s around $sounded s of sound"
station_cleanup
rm -rf "$STATION_WORK"
exit 0
