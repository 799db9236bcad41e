#!/usr/bin/env bash
# Keying through a CM108 sound interface's GPIO, with a FIFO named in settings line 39
# standing for its /dev/hidrawN: a timed transmission of 2 s and 4 s through the real
# program on a real sound server must write the key report of GPIO 3 (00 00 04 04 00)
# within 1.5 s of its second, and the release report (00 00 00 04 00) once both files
# have sounded (6.1 s to 6.8 s later). The reports are read from the FIFO five bytes at
# a time and stamped as they arrive.
#
#   cm108_keying.sh TONVOGEL SOURCE_FOLDER NET_FILE PTYLINE PTY_HOLD
#
# Exit status 77 (a skip for CTest) when PulseAudio is not installed.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/station.sh
source "$here/station.sh" || exit 1
station_begin cm108 "$@"

readonly KEY_REPORT="00 00 04 04 00"
readonly RELEASE_REPORT="00 00 00 04 00"
HIDRAW=$STATION_WORK/hidraw
REPORTS=$STATION_WORK/reports.log
mkfifo "$HIDRAW" || fail "no FIFO"
# Held open here as well, so that the program's writes never wait for a reader.
exec 4<>"$HIDRAW"
: >"$REPORTS"
read_reports() {
  local report
  while report=$(dd bs=5 count=1 status=none <&4 | od -An -tx1 | tr -s ' ' | sed 's/^ //'); do
    [ -n "$report" ] && echo "$EPOCHREALTIME $report" >>"$REPORTS"
  done
}
read_reports </dev/null >/dev/null 2>&1 &
READER_PID=$!
# The loop ends by its id; the read it waits in ends on five bytes of its own.
reader_stop() {
  kill "$READER_PID" 2>/dev/null
  wait "$READER_PID" 2>/dev/null
  printf 'stop.' >&4
  exec 4>&-
}
trap 'reader_stop; station_cleanup' EXIT

# The program has opened the interface: the settings are applied.
hidraw_open() {
  local fd
  for fd in /proc/"$STATION_PID"/fd/*; do
    [ "$(readlink "$fd")" = "$HIDRAW" ] && return 0
  done 2>/dev/null
  return 1
}
STATION_READY=hidraw_open
report_at() { awk -v r="$1" 'substr($0, index($0, " ") + 1) == r {print $1; exit}' "$REPORTS"; }
released() { [ -n "$(report_at "$RELEASE_REPORT")" ]; }
keyed() { [ -n "$(report_at "$KEY_REPORT")" ]; }

step "a timed transmission of 2 s and 4 s keyed through GPIO 3 of $HIDRAW"
station_settings 34=300 35= 36= "37=cm108 0" "38=" "39=$HIDRAW 3" 40=0
station_start_scheduled 2 4
await 15 keyed || fail "no key report: $(cat "$REPORTS")"
await 15 released || fail "no release report within 15 s: $(cat "$REPORTS")"
key=$(report_at "$KEY_REPORT")
release=$(report_at "$RELEASE_REPORT")
late=$(seconds_between "$STATION_MOMENT" "$key")
span=$(seconds_between "$key" "$release")
echo "e2e: key report $late s after its second, release report $span s later"
within "$late" 0 1.5 || fail "keyed $late s after its second"
within "$span" 6.1 6.8 || fail "released $span s after the key, not after the 6.275 s of the two files"
station_stop

echo "e2e: [$SECONDS s] passed: key report $late s after its second, released $span s later"
reader_stop
trap station_cleanup EXIT
station_cleanup
rm -rf "$STATION_WORK"
exit 0
