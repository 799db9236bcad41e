#!/usr/bin/env bash
# Auto-TX sends its own file at normal speed, whatever the playback window's speed
# slider says. The real program runs under a real X server with a sound server and a
# pty of its own: the CQ call is first opened in the playback window and the speed
# slider pulled to its slowest; then the cycle is started from the CQ window as a user
# does (right click on Auto-TX, "Open CQ file", the file, OK). Three repetitions must
# key the transmitter for the file's own length each, and the transmitter's sink must
# carry the file's samples unchanged three times, as far apart as the keyings.
#
#   auto_tx_speed.sh TONVOGEL SOURCE_FOLDER NET_FILE PTYLINE PTY_HOLD
#
# Exit status 77 (a skip for CTest) when PulseAudio or a tool for driving the display
# is missing.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/drive.sh
source "$here/drive.sh" || exit 1
drive_skip_without_tools
# shellcheck source=tests/e2e/station.sh
source "$here/station.sh" || exit 1
export QT_QPA_PLATFORM=xcb
station_begin autotx "$@"

# Windows and controls, in twips (player/playback_form.h, app/main_form.h,
# transmit/cq_form.h).
PLAYBACK_TITLE='^Playback$'
SPEED=(60 2010 3000 300)      # sli_Speed, 1 to 30, 10 is normal speed
LOAD_WAVE=(800 30 1300 240)   # lbl_LoadWave
AUTO_TX=(2200 30 900 240)     # lblCQ
OPEN_CQ=(2200 450 2400 300)   # the pre-selection's second line, "Open CQ file"
FIRST_CQ=(180 360 4200 210)   # the CQ list's first line
CQ_OK=(180 3450 780 390)      # cmd_CQOK
CQ_SECONDS=2
PAUSE_SECONDS=2

cq=$STATION_FOLDER/CQFiles/CQ_test.wav
mkdir -p "$STATION_FOLDER/CQFiles"
"$STATION_NET_FILE" make "$cq" "talk:$CQ_SECONDS" >/dev/null || fail "tv_net_file make failed"
# The parrot on, a pause of 2 s, no wait for a clear channel (the net is silent anyway),
# the full volume, at which the output passes the samples on unchanged.
station_settings 25=1 "26=$PAUSE_SECONDS" 40=0 15=100

step "starting Xvfb and the program"
drive_start_display "$STATION_WORK" || fail "no display"
station_start
main=$(await 30 drive_find_window "$DRIVE_MAIN_TITLE_GB" "$DRIVE_MAIN_WIDTH") ||
  fail "no main window"
await 20 station_port_ready || fail "the program did not open its port"

step "the CQ call in the playback window, the speed slider at its slowest"
drive_click "$main" "${LOAD_WAVE[@]}"
dialog=$(await 10 drive_find_window 'Open Wave File') || fail "no open dialog"
sleep 0.5
xdotool type --window "$dialog" "$cq"
xdotool key --window "$dialog" Return
player=$(await 10 drive_find_window "$PLAYBACK_TITLE") || fail "no playback window"
# Opening it plays it once; the window takes input once the dialog has gone.
sleep $((CQ_SECONDS + 1))
# The slider's handle, dragged to the left end: the least speed.
handle_x=$(((SPEED[0] + 150 + (10 - 1) * (SPEED[2] - 300) / 29) / 15))
handle_y=$(((SPEED[1] + SPEED[3] / 2) / 15))
xdotool mousemove --window "$player" "$handle_x" "$handle_y" sleep 0.2 mousedown 1 \
  sleep 0.2 mousemove --window "$player" 0 "$handle_y" sleep 0.2 mouseup 1
# The slider plays the file at its rate, which the station log tells: a tenth of the
# file's at the least.
slowest() { grep -q "CQ_test.wav plays at $((11025 / 10)) samples per second" "$STATION_FOLDER/tonvogel.log"; }
await 5 slowest || fail "the speed slider is not at its least: $(grep ' plays at ' "$STATION_FOLDER/tonvogel.log")"
station_keyed && fail "the transmitter was keyed before Auto-TX"

step "starting Auto-TX from the CQ window"
pulse_record "$PULSE_TRANSMITTER" "$STATION_WORK/sent.raw"
drive_click "$main" "${AUTO_TX[@]}" 3
drive_click "$main" "${OPEN_CQ[@]}"
cqwindow=$(await 10 drive_find_window '.*' 304 284) || fail "no CQ window"
drive_click "$cqwindow" "${FIRST_CQ[@]}"
drive_click "$cqwindow" "${CQ_OK[@]}"

# Keyed spans: "START END" in seconds of CLOCK_REALTIME. The open's own raised lines
# are the port's, not a keying.
spans() {
  line_events | awk '
    /cause=TIOCMBIS/ && /dtr=1/ && !on {split($2, a, "="); on = a[2]}
    on && /dtr=0/ {split($2, a, "="); printf "%.3f %.3f\n", on, a[2]; on = 0}'
}
three_spans() { [ "$(spans | wc -l)" -ge 3 ]; }
await 30 three_spans || fail "fewer than three repetitions keyed within 30 s: $(spans | wc -l)"

step "ending the cycle"
drive_click "$main" "${AUTO_TX[@]}"
sleep 0.5
kill "$PULSE_RECORD_PID"

mapfile -t keyed < <(spans | head -n 3)
for span in "${keyed[@]}"; do
  read -r from to <<<"$span"
  length=$(awk -v a="$from" -v b="$to" 'BEGIN {printf "%.3f", b - a}')
  echo "e2e: keyed for $length s"
  # The file's own 2 s and what opening the output takes: never the slow copy's 6 s.
  awk -v l="$length" -v s="$CQ_SECONDS" 'BEGIN {exit !(l >= s - 0.05 && l <= s + 0.4)}' ||
    fail "a repetition was keyed for $length s, not the file's $CQ_SECONDS s"
done

# A sound server rounds a few milliseconds off a stream's start and end.
mapfile -t found < <("$STATION_NET_FILE" every "$STATION_WORK/sent.raw" "$cq" 220)
echo "e2e: the file's samples stand in the transmitter's sound at: ${found[*]}"
[ "${#found[@]}" -ge 3 ] ||
  fail "the transmitter's sink carried the file unchanged ${#found[@]} times, not 3"
# As far apart as the keyings: each copy went out inside its own keyed span.
for i in 1 2; do
  read -r sound_prev _ <<<"${found[$((i - 1))]}"
  read -r sound_this _ <<<"${found[$i]}"
  read -r key_prev _ <<<"${keyed[$((i - 1))]}"
  read -r key_this _ <<<"${keyed[$i]}"
  awk -v s1="$sound_prev" -v s2="$sound_this" -v k1="$key_prev" -v k2="$key_this" \
    -v r="$PULSE_RATE" 'BEGIN {d = (s2 - s1) / r - (k2 - k1); exit !(d > -0.3 && d < 0.3)}' ||
    fail "repetition $((i + 1)) sounded out of step with its keying"
done

station_stop
echo "e2e: [$SECONDS s] passed: three repetitions of $CQ_SECONDS s at normal speed with the slider at its slowest"
station_cleanup
rm -rf "$STATION_WORK"
exit 0
