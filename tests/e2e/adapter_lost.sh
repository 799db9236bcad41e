#!/usr/bin/env bash
# A USB adapter pulled out and plugged in again under another number: the program opens
# the pty through its setting's device name and finds the by-id link that leads there
# (a link in the station's own by-id folder, as udev lays one); the pty is then taken
# away (its holder ends, which hangs the slave up as an unplugged adapter's tty is), a
# new one appears under another number with the link now leading to it, and the program
# must tell the loss once, reopen the new device through the link within a few seconds
# and clear the lines the opening raised at once.
#
#   adapter_lost.sh TONVOGEL SOURCE_FOLDER NET_FILE PTYLINE PTY_HOLD
#
# Exit status 77 (a skip for CTest) when PulseAudio is not installed.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/station.sh
source "$here/station.sh" || exit 1
station_begin lost "$@"
pty_hold=$5
link=$TONVOGEL_SERIAL_BY_ID/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0

step "the program on the adapter $STATION_PTY, reached also by $link"
ln -s "$STATION_PTY" "$link" || fail "no link"
station_settings
station_start
await 20 station_port_ready || fail "the port was not opened"

step "pulled out"
old_pty=$STATION_PTY
kill "$STATION_PTY_PID"
wait "$STATION_PTY_PID" 2>/dev/null
rm -f "$link"
# Plugged in again at once: the program still holds the old number, so this is another.
"$pty_hold" >"$STATION_WORK/pty2" 2>&1 &
STATION_PTY_PID=$!
await 10 test -s "$STATION_WORK/pty2" || fail "no second pseudo-terminal"
new_pty=$(head -n 1 "$STATION_WORK/pty2")
[ "$new_pty" != "$old_pty" ] || fail "the new pseudo-terminal has the old number"
await 10 grep -q "is gone" "$STATION_WORK/program.err" || fail "the loss was not told"

step "plugged in again as $new_pty"
sleep 3
grep " pid=$STATION_PID .*dev=$new_pty " "$STATION_LINES_LOG" &&
  fail "the program opened the new device before its link led there"
ln -s "$new_pty" "$link" || fail "no link to the new device"
linked=$(date +%s.%N)
await 10 grep -q "is back" "$STATION_WORK/program.err" || fail "the adapter was not found again"
events=$(grep " pid=$STATION_PID .*dev=$new_pty " "$STATION_LINES_LOG")
echo "$events"
opened=$(grep -m 1 "cause=open" <<<"$events")
cleared=$(grep -m 1 "cause=TIOCMBIC.*dtr=0 rts=0" <<<"$events")
[ -n "$opened" ] && [ -n "$cleared" ] || fail "the new device was not opened and cleared"
[ "$(head -n 1 <<<"$events")" = "$opened" ] && [ "$(sed -n 2p <<<"$events")" = "$cleared" ] ||
  fail "the lines the opening raised were not cleared next"
found=$(awk -v a="$linked" -v b="$(field "$opened" real)" 'BEGIN {printf "%.1f", b - a}')
gone=$(grep -c "is gone" "$STATION_WORK/program.err")
[ "$gone" -eq 1 ] || fail "the loss was told $gone times"
station_stop

echo "e2e: [$SECONDS s] passed: found again through its link $found s after the link came"
station_cleanup
rm -rf "$STATION_WORK"
exit 0
