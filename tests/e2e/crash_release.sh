#!/usr/bin/env bash
# A crash while the transmitter is keyed must not leave it keyed: the program's handler
# of the fatal signal clears DTR and RTS itself, before the kernel closes the port. The
# timed transmission of a schedule file keys the transmitter (DTR of a pty whose modem
# lines the preloaded library plays and logs), SIGSEGV comes while it sends, and the log
# must show both lines cleared by an ioctl made while SIGSEGV was being handled, with no
# close before it.
#
#   crash_release.sh TONVOGEL SOURCE_FOLDER NET_FILE PTYLINE PTY_HOLD
#
# Exit status 77 (a skip for CTest) when PulseAudio is not installed.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/station.sh
source "$here/station.sh" || exit 1
station_begin crash "$@"

step "a schedule file that sends 2 s and then 20 s"
station_settings
station_start_scheduled 2 20

step "waiting for the keying at $(date -d "@$STATION_MOMENT" +%T)"
await 15 station_keyed || fail "the transmitter was not keyed"
# Well into the sending, the first file playing.
sleep 1
pid=$STATION_PID
keyed_lines=$(line_events | wc -l)

step "SIGSEGV while keyed"
kill -SEGV "$pid"
await 10 station_ended || fail "the program survives SIGSEGV"
wait "$pid"
status=$?
STATION_PID=""
[ "$status" -eq $((128 + 11)) ] || fail "the program ended with status $status, not by SIGSEGV"

step "the lines cleared in the signal handler"
after=$(grep " pid=$pid " "$STATION_LINES_LOG" | tail -n +$((keyed_lines + 1)))
echo "$after"
release=$(head -n 1 <<<"$after")
[ -n "$release" ] || fail "no change of the lines after SIGSEGV: the transmitter stays keyed"
[ "$(field "$release" cause)" = TIOCMBIC ] ||
  fail "the first change after SIGSEGV is not an ioctl clearing the lines: $release"
[ "$(field "$release" dtr)" = 0 ] && [ "$(field "$release" rts)" = 0 ] ||
  fail "DTR and RTS are not both cleared: $release"
# SIGSEGV is blocked while its handler runs.
tr ',' '\n' <<<"$(field "$release" blocked)" | grep -qx 11 ||
  fail "the lines were not cleared inside the handler of SIGSEGV: $release"
grep -q 'cause=close' <<<"$after" && fail "a close came before or after the release: $after"

echo "e2e: [$SECONDS s] passed: $(field "$release" cause) cleared DTR and RTS in the handler of SIGSEGV"
station_cleanup
rm -rf "$STATION_WORK"
exit 0
