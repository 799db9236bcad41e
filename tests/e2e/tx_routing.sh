#!/usr/bin/env bash
# Auto-TX is heard on the transmitter and nowhere else, though the desktop's sound goes
# elsewhere. The sound server has three sinks: the receiver, the transmitter, and the
# desktop's speakers, which are its default sink (and their monitor its default source).
# The settings name the input pulse:receiver.monitor (line 35) and the transmit output
# pulse:transmitter (line 36). The real program under a real X server starts Auto-TX
# with a CQ call chosen in its CQ window, as a user does; every sink's monitor is
# recorded. Two repetitions must be found sample for sample on the transmitter's
# monitor, and nothing of them on the receiver's or the desktop's.
#
#   tx_routing.sh TONVOGEL SOURCE_FOLDER NET_FILE PTYLINE PTY_HOLD
#
# Exit status 77 (a skip for CTest) when PulseAudio or a tool for driving the display
# is missing.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/drive.sh
source "$here/drive.sh" || exit 1
drive_skip_without_tools
export PULSE_SINKS="receiver transmitter desktop" PULSE_DEFAULT_SINK=desktop
export PULSE_DEFAULT_SOURCE=desktop.monitor
# shellcheck source=tests/e2e/station.sh
source "$here/station.sh" || exit 1
# shellcheck source=scripts/common.sh
source "$2/scripts/common.sh" || exit 1
export QT_QPA_PLATFORM=xcb
station_begin routing "$@"

MAIN_CQ=(2200 30 900 240)          # lblCQ (app/main_form.h)
OPEN_CQ_FILE=(2200 450 2400 300)   # the preselection's second line, 195 twips a line
FIRST_CQ_FILE=(180 360 4200 210)   # the first line of lb_CQFiles (transmit/cq_form.h)

step "a CQ call of 2 s, the settings naming the devices by the server's names"
mkdir -p "$STATION_FOLDER/CQFiles"
cq=$STATION_FOLDER/CQFiles/CQ_test_call.wav
"$STATION_NET_FILE" make "$cq" talk:2 >/dev/null || fail "tv_net_file make failed"
# Full volume (line 15), so that the samples reach the sink unchanged; the parrot offered
# (line 25), pausing 1 s.
station_settings 15=100 25=1 26=1 35=pulse:receiver.monitor 36=pulse:transmitter
for sink in receiver transmitter desktop; do
  parec --device="$sink.monitor" --format=u8 --rate="$PULSE_RATE" --channels=1 --raw \
    --client-name=tonvogel-test >"$STATION_WORK/$sink.raw" &
  eval "record_$sink=\$!"
done

step "starting Xvfb and the program"
drive_start_display "$STATION_WORK" || fail "no display"
station_start
main=$(await 30 drive_find_window "$DRIVE_MAIN_TITLE_GB" "$DRIVE_MAIN_WIDTH") ||
  fail "no main window"

step "choosing the CQ call in the CQ window: Auto-TX starts"
drive_click "$main" "${MAIN_CQ[@]}" 3
drive_click "$main" "${OPEN_CQ_FILE[@]}"
cq_window=$(await 10 drive_find_window '.*' 304 284) ||
  fail "no CQ window; the screen: $(drive_screenshot "$STATION_WORK/screen.png")"
xdotool mousemove --window "$cq_window" $(((FIRST_CQ_FILE[0] + FIRST_CQ_FILE[2] / 2) / 15)) \
  $(((FIRST_CQ_FILE[1] + FIRST_CQ_FILE[3] / 2) / 15)) sleep 0.2 click --repeat 2 --delay 80 1
await 10 station_keyed || fail "Auto-TX did not key the transmitter"

step "two repetitions"
# Each end of a repetition releases the keyed line.
two_sent() { [ "$(line_events TIOCMBIC | grep -c ' was=DTR .*dtr=0\| dtr=0 .* was=DTR ')" -ge 2 ]; }
await 15 two_sent || fail "Auto-TX did not send twice within 15 s"
# The last of the sound reaches the monitors a moment later.
sleep 0.5
station_stop
for sink in receiver transmitter desktop; do
  eval "kill \$record_$sink"
  tonvogel_wav8 "$PULSE_RATE" "$STATION_WORK/$sink.raw" >"$STATION_WORK/$sink.wav"
done

step "the CQ call is on the transmitter's monitor, sample for sample, twice"
# A stream that joins a running null sink is mixed into what the sink has rendered
# ahead (10 ms, with the fixture's keeper); its monitor has already passed that on, so it
# never hears the stream's first milliseconds. The call is looked for from 20 ms on.
skip=$((PULSE_RATE / 50))
tail -c +$((44 + skip + 1)) "$cq" >"$STATION_WORK/call.raw"
tonvogel_wav8 "$PULSE_RATE" "$STATION_WORK/call.raw" >"$STATION_WORK/call.wav"
call=$STATION_WORK/call.wav
first=$("$STATION_NET_FILE" find "$STATION_WORK/transmitter.wav" "$call" 2>&1) ||
  fail "the CQ call is not on the transmitter: $first"
echo "e2e: the transmitter sounded the CQ call (from 20 ms on) at samples $first"
# The second repetition: the call is looked for again after the first.
read -r _ first_end <<<"$first"
tail -c +$((first_end + 1)) "$STATION_WORK/transmitter.raw" >"$STATION_WORK/later.raw"
tonvogel_wav8 "$PULSE_RATE" "$STATION_WORK/later.raw" >"$STATION_WORK/later.wav"
second=$("$STATION_NET_FILE" find "$STATION_WORK/later.wav" "$call" 2>&1) ||
  fail "the second repetition is not on the transmitter: $second"

step "nothing of it on the receiver's or the desktop's side"
for sink in receiver desktop; do
  if found=$("$STATION_NET_FILE" find "$STATION_WORK/$sink.wav" "$call" 2>/dev/null); then
    fail "the CQ call was played on the $sink sink too, at $found"
  fi
done
# The desktop may hear the program's click; the receiver hears nothing of the program.
read -r loud_first loud_end < <("$STATION_NET_FILE" loud "$STATION_WORK/receiver.raw")
[ "$loud_first" = 0 ] && [ "$loud_end" = 0 ] ||
  fail "the receiver sink sounded from sample $loud_first to $loud_end"

echo "e2e: [$SECONDS s] passed: two repetitions on the transmitter, nothing elsewhere"
station_cleanup
rm -rf "$STATION_WORK"
exit 0
