#!/usr/bin/env bash
# The program on a station without a screen: no DISPLAY, no WAYLAND_DISPLAY and no
# QT_QPA_PLATFORM. Heard from the same net file, `--headless` must file the same
# recordings as the windowed program beside it (Qt's offscreen platform), write its log
# to standard error with time stamps, load no platform plugin, and end with status 0 on
# SIGTERM. Without a settings file, or with a damaged one, it must end at once with a
# non-zero status and leave the folder as it found it.
#
#   headless.sh TONVOGEL SOURCE_FOLDER NET_FILE PTYLINE PTY_HOLD
#
# Exit status 77 (a skip for CTest) when PulseAudio is not installed.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/station.sh
source "$here/station.sh" || exit 1
station_begin headless "$@"
unset DISPLAY WAYLAND_DISPLAY

# tonvogel_alone FOLDER: the program headless in FOLDER, bounded in time; its status.
tonvogel_alone() {
  env -u QT_QPA_PLATFORM timeout 20 "$STATION_BINARY" --headless --program-folder "$1" \
    >>"$STATION_WORK/program.err" 2>&1
}

step "without a settings file it ends at once, and writes none"
missing=$STATION_WORK/missing
mkdir -p "$missing"
tonvogel_alone "$missing"
status=$?
[ "$status" -ne 0 ] && [ "$status" -ne 124 ] ||
  fail "status $status without a settings file (124: it did not end)"
[ -z "$(find "$missing" -iname 'tonvogel.ini*')" ] ||
  fail "a settings file was written: $(ls "$missing")"
grep -q "^[0-9-]* [0-9:]* ERROR settings: $missing/Tonvogel.ini is missing" \
  "$STATION_WORK/program.err" || fail "standard error does not say the settings file is missing"

step "a damaged settings file ends it at once, and stays as it was"
damaged=$STATION_WORK/damaged
mkdir -p "$damaged"
printf '%s\r\n' "$damaged/Tonvogel.ini" "$damaged" QQ0QQ 11025 7 >"$damaged/Tonvogel.ini"
cp "$damaged/Tonvogel.ini" "$STATION_WORK/damaged.ini"
tonvogel_alone "$damaged"
status=$?
[ "$status" -ne 0 ] && [ "$status" -ne 124 ] ||
  fail "status $status with a damaged settings file (124: it did not end)"
cmp -s "$damaged/Tonvogel.ini" "$STATION_WORK/damaged.ini" ||
  fail "the damaged settings file was changed"
[ "$(find "$damaged" -iname 'tonvogel.ini*' | wc -l)" -eq 1 ] ||
  fail "files beside the damaged one: $(ls "$damaged")"

# Minimum recording time 5 s, pause after silence 4 s, as in the net recording test.
min_seconds=5
net=$STATION_WORK/net.wav
step "making the net"
"$STATION_NET_FILE" make "$net" quiet:3 talk:6 quiet:7 talk:1 quiet:7 talk:8 quiet:8 \
  >"$STATION_WORK/talks" || fail "tv_net_file make failed"
net_seconds=40
long_talks=2
station_settings 10=$min_seconds 12=4 16=1 20=0

# The windowed program beside it: a folder of its own, the same settings but its own
# recordings folder, and no serial port (the station's pty is the headless one's).
windowed=$STATION_WORK/windowed
mkdir -p "$windowed"
cp -r "$STATION_FOLDER/." "$windowed/"
sed -e "1,2s|$STATION_FOLDER|$windowed|" -e "7s|.*|$STATION_WORK/no-port\r|" \
  "$STATION_FOLDER/Tonvogel.ini" >"$windowed/Tonvogel.ini"

step "starting both on the net file"
QT_QPA_PLATFORM=offscreen "$STATION_BINARY" --program-folder "$windowed" --input-file "$net" \
  >"$STATION_WORK/windowed.out" 2>"$STATION_WORK/windowed.err" &
windowed_pid=$!
station_also_end "$windowed_pid"
saved_qpa=$QT_QPA_PLATFORM
unset QT_QPA_PLATFORM
station_start --headless --input-file "$net"
export QT_QPA_PLATFORM=$saved_qpa
started=$SECONDS

step "it runs without a window system, its log on standard error"
# The recorder is on at the start: its first take begins when the settings are applied.
logs_on_stderr() {
  grep -q "^[0-9]\{4\}-[0-9][0-9]-[0-9][0-9] [0-9:]\{8\} INFO recorder: take .* begins" \
    "$STATION_WORK/program.err"
}
await 15 logs_on_stderr || fail "no time-stamped log line of the recorder on standard error"
[ -r "/proc/$STATION_PID/maps" ] || fail "the headless program has ended"
! grep -q '/platforms/' "/proc/$STATION_PID/maps" ||
  fail "a platform plugin is loaded: $(grep -o '/[^ ]*/platforms/[^ ]*' "/proc/$STATION_PID/maps" | sort -u)"

step "both hear the net"
filed() { [ "$(find "$1/W" -maxdepth 1 -name '*.wav' 2>/dev/null | wc -l)" -ge "$long_talks" ]; }
both_filed() { filed "$STATION_FOLDER" && filed "$windowed"; }
sleep $((net_seconds - (SECONDS - started) > 0 ? net_seconds - (SECONDS - started) : 0))
await 15 both_filed || fail "not every long transmission was filed: $(ls "$STATION_FOLDER/W" "$windowed/W")"

step "SIGTERM ends both with status 0"
kill -TERM "$STATION_PID" "$windowed_pid"
await 20 station_ended || fail "the headless program does not end on SIGTERM"
wait "$STATION_PID"
status=$?
STATION_PID=""
[ "$status" -eq 0 ] || fail "the headless program ended with status $status on SIGTERM"
wait "$windowed_pid"
status=$?
[ "$status" -eq 0 ] || fail "the windowed program ended with status $status: $(cat "$STATION_WORK/windowed.err")"

step "both filed the same recordings of the net"
# spans FOLDER: "FIRST END" of each recording in the net, in the net's order.
spans() {
  local recording
  for recording in "$1"/W/*.wav; do
    "$STATION_NET_FILE" find "$net" "$recording" || fail "$recording is not the net's sound"
  done | sort -n
}
spans "$STATION_FOLDER" >"$STATION_WORK/headless.spans"
spans "$windowed" >"$STATION_WORK/windowed.spans"
paste "$STATION_WORK/headless.spans" "$STATION_WORK/windowed.spans"
# The two start on their own clocks: a take may begin one level tick earlier or later and
# end one silence count (a second) earlier or later.
report=$(awk -v rate="$PULSE_RATE" -v min="$min_seconds" '
  FNR == 1 {file++}
  file == 1 {if ($3 - $2 > min * rate) {first[++talks] = $2; end[talks] = $3}; next}
  file == 2 {hf[++h] = $1; he[h] = $2; next}
  {wf[++w] = $1; we[w] = $2}
  END {
    if (h != w) {print "FAIL headless filed " h ", windowed " w " recordings"; exit 1}
    if (h != talks) {print "FAIL " h " recordings for " talks " long transmissions"; exit 1}
    for (i = 1; i <= h; i++) {
      if (hf[i] > first[i] || he[i] < end[i] || wf[i] > first[i] || we[i] < end[i]) {
        print "FAIL transmission " i " is not whole in both recordings"; bad = 1
      }
      d = hf[i] - wf[i]; if (d < 0) d = -d
      e = he[i] - we[i]; if (e < 0) e = -e
      if (d > rate / 2 || e > 1.5 * rate) {
        printf "FAIL recording %d differs: starts %.2f s, ends %.2f s apart\n", i, d / rate, e / rate
        bad = 1
      } else printf "recording %d: starts %.3f s, ends %.3f s apart\n", i, d / rate, e / rate
    }
    exit bad
  }' "$STATION_WORK/talks" "$STATION_WORK/headless.spans" "$STATION_WORK/windowed.spans")
status=$?
echo "$report"
[ "$status" -eq 0 ] || fail "$(grep FAIL <<<"$report")"

echo "e2e: [$SECONDS s] passed: the same $long_talks recordings with and without a screen"
station_cleanup
rm -rf "$STATION_WORK"
exit 0
