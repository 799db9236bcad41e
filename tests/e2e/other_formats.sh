#!/usr/bin/env bash
# Sound files of other programs play through a real sound server. A 3 s talk is made into
# a file of the format TV_FORMAT names (flac, opus, mp3, ...), chosen in the main
# window's "Sound files" dialog (which starts it playing) while the transmit sink's
# monitor is recorded; the decoded sound must stand there, as long as it is (±50 ms).
#
#   TV_FORMAT=flac TV_SOUND_CONVERT=CONVERTER \
#     other_formats.sh TONVOGEL SOURCE_FOLDER NET_FILE PTYLINE PTY_HOLD
#   (the converter of tests/support/sndfile makes the file)
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
station_begin formats "$@"
[ -x "${TV_SOUND_CONVERT:-}" ] || fail "no converter in TV_SOUND_CONVERT"

PLAYBACK_TITLE='^Playback$'
LOAD_WAVE=(800 30 1300 240) # lbl_LoadWave in the main window
TALK_SECONDS=3

format=${TV_FORMAT:-flac}
talk=$STATION_WORK/talk.wav
file=$STATION_WORK/talk.$format
"$STATION_NET_FILE" make "$talk" "talk:$TALK_SECONDS" >/dev/null || fail "tv_net_file make failed"
# Opus takes no rate of 11,025 Hz: it gets 48 kHz, as other programs write it.
"$TV_SOUND_CONVERT" "$talk" "$file" $([ "$format" = opus ] && echo 48000) ||
  fail "cannot make the $format file"
station_settings

step "starting Xvfb and the program"
drive_start_display "$STATION_WORK" || fail "no display"
station_start
main=$(await 30 drive_find_window "$DRIVE_MAIN_TITLE_GB" "$DRIVE_MAIN_WIDTH") ||
  fail "no main window"

step "choosing the $format file in the open dialog: it plays"
raw=$STATION_WORK/heard.raw
pulse_record "$PULSE_TRANSMITTER" "$raw"
sleep 0.5
drive_click "$main" "${LOAD_WAVE[@]}"
dialog=$(await 10 drive_find_window 'Open Wave File') || fail "no open dialog"
# The file name field has the keyboard once the dialog has settled.
sleep 0.5
xdotool type --window "$dialog" "$file"
xdotool key --window "$dialog" Return
await 10 drive_find_window "$PLAYBACK_TITLE" >/dev/null || fail "no playback window"
sleep $((TALK_SECONDS + 3))
kill "$PULSE_RECORD_PID"
wait "$PULSE_RECORD_PID" 2>/dev/null
read -r first end < <("$STATION_NET_FILE" loud "$raw")
ms=$(((end - first) * 1000 / 11025))
[ "$end" -gt 0 ] || fail "the $format file was not heard on the transmitter"
[ $((ms - TALK_SECONDS * 1000)) -le 50 ] && [ $((TALK_SECONDS * 1000 - ms)) -le 50 ] ||
  fail "the $format file sounded for $ms ms, not $((TALK_SECONDS * 1000)) ms"

station_stop
echo "e2e: [$SECONDS s] passed: the $format file sounded for $ms ms on the transmitter"
station_cleanup
rm -rf "$STATION_WORK"
exit 0
