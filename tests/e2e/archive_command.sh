#!/usr/bin/env bash
# The archive in FLAC and the command after each recording, in the real program recording
# from a WAV file standing in for the sound card. Two transmissions are filed: each lands
# in the dated tree as FLAC and runs a script of the station's (in a folder whose name
# has a blank) with its arguments whole. The first run hangs; it is ended at its limit,
# shortened here, while the second recording is filed meanwhile and its command runs
# after.
#
#   archive_command.sh TONVOGEL_BINARY SOURCE_FOLDER
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source_folder=$2
# shellcheck source=tests/e2e/offscreen.sh
source "$here/offscreen.sh" || exit 1
# shellcheck source=scripts/common.sh
source "$source_folder/scripts/common.sh" || exit 1
offscreen_begin "$1"

rate=11025
program_folder=$work/program
input=$work/net.wav
scripts="$work/station scripts"
# The first command hangs for a minute: it must be ended after 20 s, some 8 s after the
# second recording has been filed.
export TONVOGEL_COMMAND_LIMIT_MS=20000
mkdir -p "$program_folder" "$scripts"

# Two transmissions of 6 s of noise, 6 s apart (more than the pause after silence), then
# silence.
body=$work/net.raw
{
  head -c $((1 * rate)) /dev/zero | tr '\0' '\200'
  head -c $((6 * rate)) /dev/urandom
  head -c $((6 * rate)) /dev/zero | tr '\0' '\200'
  head -c $((6 * rate)) /dev/urandom
  head -c $((60 * rate)) /dev/zero | tr '\0' '\200'
} >"$body"
tonvogel_wav8 "$rate" "$body" >"$input" || offscreen_fail "cannot write $input"

# Writes its arguments, one a line, and hangs the first time it runs.
cat >"$scripts/after recording" <<'SCRIPT'
#!/bin/sh
here=$(dirname "$0")
for a in "$@"; do printf '%s\n' "$a"; done >>"$here/args"
echo --- >>"$here/args"
if [ ! -e "$here/hung" ]; then
  : >"$here/hung"
  exec sleep 60
fi
echo "ran for $3"
SCRIPT
chmod +x "$scripts/after recording"

# A first start's settings with the recorder on, a minimum of 3 s, the pause after
# silence 4 s and the dated tree on; then the archive in FLAC and the command.
settings=(
  "$program_folder/Tonvogel.ini created 01.01.2026, 10:00:00" "$program_folder" "QQ0QQ"
  "$rate" 1 1 2 "71+689    //COM-9pin: Pin 1=PTT on; -2=PTT off; -3=Polung; -4=Roger2; -5=Roger1; -6=Parrot"
  67 3 180 4 5 3 50 1 0 0 1 0 0 10 1 1 0 6 "15        15" 15 15 6760 5325 15 0
  300 "" default "serial 0" localhost:4532 "" 10 flac "'$scripts/after recording' %f %w %n %s" 0)
printf '%s\r\n' "${settings[@]}" >"$program_folder/Tonvogel.ini"
cp -r "$source_folder/resources/." "$program_folder/" || offscreen_fail "cannot copy resources/"

echo "e2e: [$SECONDS s] recording two transmissions"
"$OFFSCREEN_BINARY" --program-folder "$program_folder" --input-file "$input" \
  >"$work/run.out" 2>"$work/run.err" &
program_pid=$!
OFFSCREEN_PIDS+=("$program_pid")

two_filed() { [ "$(find "$program_folder/W" -name '1_*.wav' 2>/dev/null | wc -l)" -eq 2 ]; }
offscreen_until 60 two_filed || offscreen_fail "two recordings were not filed in W"
[ -e "$scripts/hung" ] || offscreen_fail "the command did not run after the first recording"
# Filed while the first command still hangs.
grep -q 'ended after' "$work/run.err" && offscreen_fail "the second recording waited for the first command"
echo "e2e: [$SECONDS s] both recordings filed while the first command hangs"

second_ran() { grep -q 'ran for' "$work/run.err"; }
offscreen_until 30 second_ran || offscreen_fail "the second recording's command did not run"
grep -q 'ended after 20 s' "$work/run.err" || offscreen_fail "the hanging command was not ended at its limit"
offscreen_end program "$program_pid"

mapfile -t names < <(find "$program_folder/W" -name '1_*.wav' -printf '%f\n' | sort)
expected=$work/expected
: >"$expected"
for name in "${names[@]}"; do
  stem=${name%.wav}
  [[ $name =~ ^1_([0-9]{2})-([0-9]{2})-([0-9]{4})_([0-9]{2})- ]] || offscreen_fail "unexpected name $name"
  hour="$program_folder/FK_1/Ja_${BASH_REMATCH[3]}/Mo-${BASH_REMATCH[1]}/Tg-${BASH_REMATCH[2]}/hh-${BASH_REMATCH[4]}"
  flac=$hour/$stem.flac
  [ "$(head -c 4 "$flac" 2>/dev/null)" = "fLaC" ] || offscreen_fail "no FLAC copy $flac"
  [ -e "$hour/$name" ] && offscreen_fail "a WAV copy beside the FLAC one: $hour/$name"
  bytes=$(stat -c %s "$program_folder/W/$name")
  seconds=$(awk -v b="$bytes" -v r="$rate" 'BEGIN {printf "%.2f", (b - 44) / r}')
  printf '%s\n' "$flac" "$program_folder/W/$name" "$stem" "$seconds" --- >>"$expected"
done
diff "$expected" "$scripts/args" >"$work/args.diff" ||
  offscreen_fail "the command's arguments differ: $(cat "$work/args.diff")"

offscreen_passed "FLAC copies in the tree, the command's arguments whole, a hang ended"
