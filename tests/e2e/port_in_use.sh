#!/usr/bin/env bash
# A serial port that another program holds is left untouched: the program is started on
# a pty held first by an flock of another process, then by a UUCP lock file of a live
# process, and each time the modem-line log (the preloaded library) must show no change
# of the lines at all from the program — not even the blip of an opening — through its
# start and its shutdown, while a notice names the holder. A third start on the free
# port shows that an opening would have been seen, and that the program then holds a
# lock file of its own, removed at its end.
#
#   port_in_use.sh TONVOGEL SOURCE_FOLDER NET_FILE PTYLINE PTY_HOLD
#
# Exit status 77 (a skip for CTest) when PulseAudio is not installed.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/station.sh
source "$here/station.sh" || exit 1
station_begin in-use "$@"
command -v flock >/dev/null || {
  echo "e2e: skipped: flock missing"
  exit 77
}
station_settings
lock_file=$(station_lock_file)

# untouched HOLDER: starts the program, waits for the notice naming HOLDER, gives the
# port's watch time to act, ends the program as a logout does and checks the log.
untouched() {
  station_start
  await 20 grep -q "is in use by $1" "$STATION_WORK/program.err" ||
    fail "no notice that the port is in use by $1"
  sleep 3
  local pid=$STATION_PID
  station_stop
  local touched
  touched=$(grep " pid=$pid " "$STATION_LINES_LOG")
  [ -z "$touched" ] || fail "the program changed the lines of a port held by $1: $touched"
  grep "is in use by" "$STATION_WORK/program.err" | tail -n 1
}

step "the port held by an flock of another process"
# flock(1) takes the lock and waits for its command, which inherits the locked file.
flock "$STATION_PTY" sleep 120 </dev/null >/dev/null 2>&1 &
holder=$!
await 10 grep -q " $holder .*:.*:" /proc/locks || fail "the flock was not taken"
command=$(cat "/proc/$holder/task/$holder/children")
station_also_end "$holder" $command
untouched "flock (PID $holder)"
kill "$holder" $command
wait "$holder" 2>/dev/null

step "the port held by a UUCP lock file of a live process"
sleep 120 </dev/null >/dev/null 2>&1 &
holder=$!
station_also_end "$holder"
printf '%10d\n' "$holder" >"$lock_file"
untouched "sleep (PID $holder, lock file $lock_file)"
[ "$(cat "$lock_file")" = "$(printf '%10d' "$holder")" ] ||
  fail "the other program's lock file was changed: $(cat "$lock_file")"
kill "$holder"
wait "$holder" 2>/dev/null

step "the port free again, the stale lock file still there"
station_start
await 20 station_port_ready || fail "the free port was not opened"
pid=$STATION_PID
[ "$(cat "$lock_file")" = "$(printf '%10d' "$pid")" ] ||
  fail "the lock file is not the program's own in HDB form: '$(cat "$lock_file")'"
station_stop
[ -e "$lock_file" ] && fail "the program's lock file stays after its end"

echo "e2e: [$SECONDS s] passed: a port held by an flock or a lock file is not touched"
station_cleanup
rm -rf "$STATION_WORK"
exit 0
