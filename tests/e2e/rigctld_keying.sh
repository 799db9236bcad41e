#!/usr/bin/env bash
# Keying a rig through Hamlib's real rig daemon (rigctld with its dummy rig) on a loopback
# port, with the program on a real sound server and no busy-channel wait. A second client of the daemon polls its
# PTT ("t") every 50 ms: that reading, not the program's log, is what counts as keyed.
#   1. A timed transmission of 2 s and 4 s: keyed within 1.5 s of its second, released
#      after both files and the TX delay (6.1 s to 7.0 s later).
#   2. SIGTERM during a timed transmission: the rig reads released within half a second.
#   3. Auto-TX started from the CQ window, the daemon stopped in a pause: the cycle ends
#      with a notice, is not keyed again when the daemon is back, and the program says
#      it is back.
#
#   rigctld_keying.sh TONVOGEL SOURCE_FOLDER NET_FILE PTYLINE PTY_HOLD
#
# Exit status 77 (a skip for CTest) when PulseAudio, rigctld or a tool for driving the
# display is missing.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if ! command -v rigctld >/dev/null; then
  echo "e2e: skipped: rigctld missing (Debian's libhamlib-utils)"
  exit 77
fi
# shellcheck source=tests/e2e/drive.sh
source "$here/drive.sh" || exit 1
drive_skip_without_tools
# shellcheck source=tests/e2e/station.sh
source "$here/station.sh" || exit 1
export QT_QPA_PLATFORM=xcb
station_begin rigctld "$@"

AUTO_TX=(2200 30 900 240)   # lblCQ
OPEN_CQ=(2200 450 2400 300) # the pre-selection's second line, "Open CQ file"
FIRST_CQ=(180 360 4200 210) # the CQ list's first line
CQ_OK=(180 3450 780 390)    # cmd_CQOK
# A port nothing listens on.
RIG_PORT=$((20000 + RANDOM % 30000))
while ss -Hltn "sport = :$RIG_PORT" | grep -q .; do RIG_PORT=$((20000 + RANDOM % 30000)); done
PTT_LOG=$STATION_WORK/ptt.log
PROGRAM_LOG=$STATION_FOLDER/tonvogel.log

rig_start() {
  rigctld -m 1 -P RIG -T 127.0.0.1 -t "$RIG_PORT" >"$STATION_WORK/rigctld.out" 2>&1 &
  RIG_PID=$!
  station_also_end "$RIG_PID"
  await 10 rig_listening || fail "rigctld does not listen on $RIG_PORT"
}
rig_listening() { ss -Hltn "sport = :$RIG_PORT" | grep -q .; }
rig_stop() {
  kill -TERM "$RIG_PID" 2>/dev/null
  wait "$RIG_PID" 2>/dev/null
}
# The program holds its connection to the daemon: the settings are applied.
program_connected() {
  ss -Htnp "dport = :$RIG_PORT" 2>/dev/null | grep -q "pid=$STATION_PID,"
}

# "EPOCH PTT" every 50 ms from a connection of its own; reconnects when the daemon goes.
poll_ptt() {
  while :; do
    if exec 3<>"/dev/tcp/127.0.0.1/$RIG_PORT"; then
      while printf 't\n' >&3 && IFS= read -r -t 1 answer <&3; do
        echo "$EPOCHREALTIME $answer" >>"$PTT_LOG"
        sleep 0.05
      done
      exec 3>&-
    fi 2>/dev/null
    sleep 0.2
  done
}
# Keyed spans from the poll: "FROM TO" (TO empty while keyed).
ptt_spans() {
  awk '$2 != "0" && $2 ~ /^[0-9]+$/ && !on {on = $1}
       $2 == "0" && on {printf "%.3f %.3f\n", on, $1; on = 0}
       END {if (on) printf "%.3f\n", on}' "$PTT_LOG"
}
ptt_keyed() { [ -n "$(ptt_spans)" ]; }
ptt_released() { ptt_spans | awk 'NF == 2 {f = 1} END {exit !f}'; }
ptt_on_now() { tail -n 1 "$PTT_LOG" | awk '{exit !($2 != "0")}'; }

rig_settings() {
  station_settings 34=300 35= 36= "37=rigctld 150 T1" "38=127.0.0.1:$RIG_PORT" 39= 40=0 "$@"
}
# The keying through rigctld is ready once the program is connected.
STATION_READY=program_connected

step "starting rigctld with its dummy rig on port $RIG_PORT and a second client"
drive_start_display "$STATION_WORK" || fail "no display"
rig_start
: >"$PTT_LOG"
poll_ptt &
station_also_end $!

step "1: a timed transmission of 2 s and 4 s keyed through rigctld"
rig_settings
station_start_scheduled 2 4
await 15 ptt_keyed || fail "the rig was never read keyed"
await 15 ptt_released || fail "the rig was not released within 15 s"
read -r from to < <(ptt_spans)
late=$(seconds_between "$STATION_MOMENT" "$from")
span=$(seconds_between "$from" "$to")
echo "e2e: keyed $late s after its second, for $span s"
within "$late" 0 1.5 || fail "keyed $late s after its second"
within "$span" 6.1 7.0 || fail "keyed for $span s, not the 6.275 s of the files and the 150 ms delay"
station_stop
first_figures="keyed $late s after its second for $span s"

step "2: SIGTERM during a timed transmission"
: >"$PTT_LOG"
station_start_scheduled 2 20
await 15 ptt_keyed || fail "the rig was never read keyed"
sleep 1
ptt_on_now || fail "the rig was released before the signal"
signalled=$EPOCHREALTIME
kill -TERM "$STATION_PID"
await 20 station_ended || fail "the program does not end on SIGTERM"
wait "$STATION_PID"
STATION_PID=""
released=$(awk -v s="$signalled" '$1 > s && $2 == "0" {print $1; exit}' "$PTT_LOG")
[ -n "$released" ] || fail "the rig stays keyed after SIGTERM"
after=$(seconds_between "$signalled" "$released")
within "$after" 0 0.5 || fail "the rig read released $after s after SIGTERM"

step "3: Auto-TX from the CQ window, rigctld stopped in a pause"
: >"$PTT_LOG"
: >"$PROGRAM_LOG"
cq=$STATION_FOLDER/CQFiles/CQ_test.wav
mkdir -p "$STATION_FOLDER/CQFiles"
"$STATION_NET_FILE" make "$cq" "talk:2" >/dev/null || fail "tv_net_file make failed"
rig_settings 25=1 26=4
station_start
main=$(await 30 drive_find_window "$DRIVE_MAIN_TITLE_GB" "$DRIVE_MAIN_WIDTH") ||
  fail "no main window"
await 20 program_connected || fail "the program did not connect to rigctld"
drive_click "$main" "${AUTO_TX[@]}" 3
drive_click "$main" "${OPEN_CQ[@]}"
cqwindow=$(await 10 drive_find_window '.*' 304 284) || fail "no CQ window"
drive_click "$cqwindow" "${FIRST_CQ[@]}"
drive_click "$cqwindow" "${CQ_OK[@]}"
await 10 ptt_released || fail "the first repetition was not keyed and released"
sleep 0.5
rig_stop
stopped=$EPOCHREALTIME
told() { grep -q "is not possible" "$PROGRAM_LOG"; }
await 5 told || fail "no notice that rigctld cannot be reached"
rig_start
back() { grep -q "can be reached again" "$PROGRAM_LOG"; }
await 15 back || fail "no notice that rigctld is back"
# The pause of 4 s has long passed: a cycle still running would have keyed again.
sleep 3
keyed_again=$(awk -v s="$stopped" '$1 > s && $2 != "0" && $2 ~ /^[0-9]+$/' "$PTT_LOG" | head -n 1)
[ -z "$keyed_again" ] || fail "the cycle went on after rigctld was stopped: $keyed_again"
station_stop

echo "e2e: [$SECONDS s] passed: $first_figures; released $after s after SIGTERM;" \
  "the cycle ended when rigctld stopped"
station_cleanup
rm -rf "$STATION_WORK"
exit 0
