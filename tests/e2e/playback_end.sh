#!/usr/bin/env bash
# Playback through a real sound server ends when its sound ends. The real program runs
# under a real X server; a 4 s recording is chosen in the open dialog of the main window
# (which starts it playing) and, once that has ended, played again with the playback
# window's Play. Each time the TX button keys the transmitter during the sound, and the
# end of playback releases it: the release must come within 4.1 s of the sound's start,
# as the sound server saw the stream begin. The keying is read from the log of the pty's
# modem lines (the preloaded library).
#
#   playback_end.sh TONVOGEL SOURCE_FOLDER NET_FILE PTYLINE PTY_HOLD
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
station_begin playback "$@"

# The playback window (player/playback_form.h, in twips) and its English title.
PLAYBACK_TITLE='^Playback$'
PLAY=(60 2460 800 390)      # lblFreqNorm
TX=(4560 2460 720 390)      # lbl_TX
LOAD_WAVE=(800 30 1300 240) # lbl_LoadWave in the main window

sound=$STATION_FOLDER/four.wav
"$STATION_NET_FILE" make "$sound" talk:4 >/dev/null || fail "tv_net_file make failed"
station_settings
pulse_watch "$STATION_WORK/events"

step "starting Xvfb and the program"
drive_start_display "$STATION_WORK" || fail "no display"
station_start
main=$(await 30 drive_find_window "$DRIVE_MAIN_TITLE_GB" "$DRIVE_MAIN_WIDTH") ||
  fail "no main window"

# The sound server's events of the program's streams: "TIME new|remove INDEX".
streams() {
  sed -n "s/^\([0-9.]*\) Event '\(new\|remove\)' on sink-input #\([0-9]*\)$/\1 \2 \3/p" \
    "$STATION_WORK/events"
}
# The times the transmitter keyed by TX was released.
released_times() {
  line_events TIOCMBIC | awk '/ was=DTR / && / dtr=0 / {split($2, a, "="); print a[2]}'
}
released_more_than() { [ "$(released_times | wc -l)" -gt "$1" ]; }
keyed_now() { line_events | tail -n 1 | grep -q 'dtr=1'; }

# measure RELEASES_BEFORE: waits for the next release; RELEASED is its time, TOOK the
# seconds from the start of the last stream before it.
measure() {
  await 15 released_more_than "$1" || fail "playback did not end within 15 s"
  local start
  RELEASED=$(released_times | sed -n "$(($1 + 1))p")
  start=$(streams | awk -v r="$RELEASED" '$2 == "new" && $1 < r {s = $1} END {print s}')
  [ -n "$start" ] || fail "no stream of the program before the release at $RELEASED"
  TOOK=$(awk -v s="$start" -v r="$RELEASED" 'BEGIN {printf "%.3f", r - s}')
}

check() {
  awk -v d="$1" 'BEGIN {exit !(d >= 3.95 && d <= 4.1)}' ||
    fail "$2: released $1 s after the sound started, not within 4.1 s of a 4 s sound"
}

step "choosing the recording in the open dialog: it plays"
drive_click "$main" "${LOAD_WAVE[@]}"
dialog=$(await 10 drive_find_window 'Open Wave File') || fail "no open dialog"
# The file name field has the keyboard once the dialog has settled.
sleep 0.5
xdotool type --window "$dialog" "$sound"
xdotool key --window "$dialog" Return
player=$(await 10 drive_find_window "$PLAYBACK_TITLE") || fail "no playback window"
drive_click "$player" "${TX[@]}"
await 5 keyed_now || fail "TX did not key the transmitter"
measure 0
first=$TOOK
echo "e2e: the chosen recording: released $first s after its sound started"
check "$first" "the chosen recording"

step "Play, once more from the start"
xdotool mousemove --window "$player" $(((PLAY[0] + PLAY[2] / 2) / 15)) $(((PLAY[1] + PLAY[3] / 2) / 15))
sleep 0.2
clicked=$EPOCHREALTIME
xdotool click 1
sleep 0.3
drive_click "$player" "${TX[@]}"
await 5 keyed_now || fail "TX did not key the transmitter"
measure 1
second=$TOOK
from_click=$(awk -v c="$clicked" -v r="$RELEASED" 'BEGIN {printf "%.3f", r - c}')
echo "e2e: Play: released $second s after its sound started, $from_click s after the click"
check "$second" "Play"

station_stop
echo "e2e: [$SECONDS s] passed: playback ended $first s and $second s after its 4 s sound started"
station_cleanup
rm -rf "$STATION_WORK"
exit 0
