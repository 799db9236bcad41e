#!/usr/bin/env bash
# A sound file named on the command line, as a file manager's "Open with" starts the
# program. With no copy running in the folder it is shown by a copy of its own that must
# leave the station alone: no recording (no capture stream on the sound server), no
# serial port (not even the blip of an opening in the modem-line log), no folder lock
# (a normal start beside it runs as the station), nothing written into the program
# folder, also when it is ended. With the station running, a second start hands the
# file over and ends with status 0 while the station plays it. A missing file ends the
# start with status 2 and says why.
#
#   open_with.sh TONVOGEL SOURCE_FOLDER NET_FILE PTYLINE PTY_HOLD
#
# Exit status 77 (a skip for CTest) when PulseAudio is not installed.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/station.sh
source "$here/station.sh" || exit 1
station_begin open-with "$@"
# The recorder on at start, transmit control through the pty.
station_settings 16=1 20=1

# streams KIND PID: how many streams of that kind (source-outputs: capture, sink-inputs:
# playback) the process has on the sound server.
streams() {
  pactl list "$1" 2>/dev/null | grep -c "application.process.id = \"$2\""
}
# The folder as a listing of names, sizes and times: what a copy wrote into it.
folder_state() {
  find "$STATION_FOLDER" -printf '%P %s %T@\n' | sort
}

sound="$STATION_WORK/sounds/a net's talk.wav"
mkdir -p "$STATION_WORK/sounds"
"$STATION_NET_FILE" make "$sound" quiet:1 talk:20 quiet:1 >/dev/null || fail "no sound file"

# refused NAME ARGUMENT TEXT: a start with ARGUMENT as the file must end with status 2
# and say TEXT.
refused() {
  "$STATION_BINARY" --program-folder "$STATION_FOLDER" "$2" >/dev/null 2>"$STATION_WORK/$1.err"
  local status=$?
  [ "$status" -eq 2 ] || fail "$1 ended with status $status"
  grep -qF "$3" "$STATION_WORK/$1.err" || fail "no word of $1: $(cat "$STATION_WORK/$1.err")"
}
step "a missing file"
missing=$STATION_WORK/sounds/gone.wav
refused missing "$missing" "cannot show $missing: no such file"
step "a folder in place of a file"
refused folder "$STATION_WORK/sounds" "cannot show $STATION_WORK/sounds: a folder, not a sound file"

# show_only NAME: starts a copy to show the file, with the modem-line log; its pid in
# $shown, its standard error in $STATION_WORK/NAME.err.
show_only() {
  station_start "$sound"
  shown=$STATION_PID
  STATION_PID=""
  station_also_end "$shown"
  # The copy writes on into the file under its new name; the station gets its own.
  mv "$STATION_WORK/program.err" "$STATION_WORK/$1.err"
}
shown_plays() { [ "$(streams sink-inputs "$shown")" -gt 0 ]; }
shown_ended() { ! kill -0 "$shown" 2>/dev/null; }

step "a copy started only to show the file"
before=$(folder_state)
show_only shown
await 20 shown_plays || fail "the copy does not play the file: $(cat "$STATION_WORK/shown.err")"
grep -q "a sound file to show: $sound" "$STATION_WORK/shown.err" ||
  fail "the copy does not name the file: $(cat "$STATION_WORK/shown.err")"
# Time for a recorder or a port watch to show itself.
sleep 3
kill -0 "$shown" 2>/dev/null || fail "the copy has ended: $(cat "$STATION_WORK/shown.err")"
[ "$(streams source-outputs "$shown")" -eq 0 ] || fail "the copy records"
touched=$(grep " pid=$shown " "$STATION_LINES_LOG")
[ -z "$touched" ] || fail "the copy touched the serial port: $touched"

step "the copy that only shows ends as a logout ends it, and has written nothing"
kill -TERM "$shown"
await 20 shown_ended || fail "the copy does not end on SIGTERM"
wait "$shown"
status=$?
[ "$status" -eq 0 ] || fail "the copy ended with status $status"
changed=$(diff <(echo "$before") <(folder_state))
[ -z "$changed" ] || fail "the folder changed: $changed"
touched=$(grep " pid=$shown " "$STATION_LINES_LOG")
[ -z "$touched" ] || fail "the copy touched the serial port on its way out: $touched"

step "a normal start beside a copy that shows runs as the station"
show_only beside
await 20 shown_plays || fail "the copy does not play the file: $(cat "$STATION_WORK/beside.err")"
station_start
await 20 station_port_ready || fail "the station did not open its port"
station_listens() { [ "$(streams source-outputs "$STATION_PID")" -gt 0 ]; }
await 20 station_listens || fail "the station does not record"
grep -q "already runs" "$STATION_WORK/program.err" && fail "the station found the lock taken"
kill -TERM "$shown"
await 20 shown_ended || fail "the copy beside the station does not end on SIGTERM"
grep -q "sound file to show" "$STATION_FOLDER/tonvogel.log" &&
  fail "the copy that only shows wrote into the station's log"

step "a file handed to the running station"
"$STATION_BINARY" --program-folder "$STATION_FOLDER" "$sound" \
  >"$STATION_WORK/second.out" 2>"$STATION_WORK/second.err"
status=$?
[ "$status" -eq 0 ] || fail "the second start ended with status $status"
grep -q "is shown by the copy running in $STATION_FOLDER" "$STATION_WORK/second.err" ||
  fail "the second start did not reach the station: $(cat "$STATION_WORK/second.err")"
await 10 grep -q "a sound file to show: $sound" "$STATION_WORK/program.err" ||
  fail "the station was not handed the file"
station_plays() { [ "$(streams sink-inputs "$STATION_PID")" -gt 0 ]; }
await 20 station_plays || fail "the station does not play the file"
station_ended && fail "the station has ended"
station_listens || fail "the station stopped recording"
station_stop

echo "e2e: passed: open with"
