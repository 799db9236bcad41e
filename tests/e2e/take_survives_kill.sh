#!/usr/bin/env bash
# A take survives the program's sudden death. The real program records a 30 s
# transmission from a WAV file standing in for the sound card; 14 s into it the process
# is killed with SIGKILL, as the OOM killer or a power cut would end it. Started again,
# it must file the take's working file in W and in the dated tree, holding at least the
# first 12.5 s of the transmission, sample for sample as the input had them.
#
#   take_survives_kill.sh TONVOGEL_BINARY SOURCE_FOLDER
#
# Exit status 77 (a skip for CTest) when a tool it needs is missing.
set -uo pipefail

binary=$(readlink -f "$1")
source_folder=$2
# shellcheck source=scripts/common.sh
source "$source_folder/scripts/common.sh" || exit 1

for tool in cmp od stat timeout; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "e2e: skipped: $tool missing"
    exit 77
  fi
done

rate=11025
lead_seconds=1
transmission_seconds=30
kill_after_seconds=14
least_seconds=12.5

work=$(mktemp -d "${TMPDIR:-/tmp}/tonvogel-kill.XXXXXX")
program_folder=$work/program
input=$work/net.wav
export HOME=$work/home
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
export XDG_CACHE_HOME=$HOME/.cache XDG_RUNTIME_DIR=$work/runtime
unset DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER
# No one is there to answer a message box.
export TONVOGEL_DIALOGS=auto QT_QPA_PLATFORM=offscreen
mkdir -p "$program_folder" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

program_pid=""
cleanup() {
  if [ -n "$program_pid" ]; then
    kill -9 "$program_pid" 2>/dev/null
    wait "$program_pid" 2>/dev/null
  fi
}
trap cleanup EXIT

fail() {
  echo "e2e: FAILED: $*"
  for err in "$work"/run*.err; do
    [ -e "$err" ] || continue
    echo "e2e: --- $(basename "$err") ---"
    cat "$err"
  done
  echo "e2e: --- end; files kept in $work"
  exit 1
}

# await SECONDS COMMAND...: true once COMMAND succeeds within SECONDS.
await() {
  local until=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -ge "$until" ] && return 1
    sleep 0.1
  done
}

# The input: a second of the zero line, a transmission of noise that no stretch of it
# repeats, then the zero line again.
body=$work/net.raw
{
  head -c $((lead_seconds * rate)) /dev/zero | tr '\0' '\200'
  head -c $((transmission_seconds * rate)) /dev/urandom
  head -c $((40 * rate)) /dev/zero | tr '\0' '\200'
} >"$body"
tonvogel_wav8 "$rate" "$body" >"$input" || fail "cannot write $input"

# Settings as a first start writes them, with the recorder on from the start, a
# minimum of 3 s and the dated tree (logging) on.
settings=(
  "$program_folder/Tonvogel.ini created 01.01.2026, 10:00:00" "$program_folder" "QQ0QQ"
  "$rate" 1 1 2 "71+689    //COM-9pin: Pin 1=PTT on; -2=PTT off; -3=Polung; -4=Roger2; -5=Roger1; -6=Parrot"
  67 3 180 8 5 3 50 1 0 0 1 0 0 10 1 1 0 6 "15        15" 15 15 6760 5325 15 0 300)
write_settings() { printf '%s\r\n' "${settings[@]}" >"$program_folder/Tonvogel.ini"; }
write_settings
cp -r "$source_folder/resources/." "$program_folder/" || fail "cannot copy resources/"

take_begun() { grep -qE 'take 1_[0-9_-]+\.wav begins' "$work/run1.err"; }

echo "e2e: [$SECONDS s] recording the transmission"
"$binary" --program-folder "$program_folder" --input-file "$input" \
  >"$work/run1.out" 2>"$work/run1.err" &
program_pid=$!
await 30 take_begun || fail "no take began"
began=$SECONDS
name=$(grep -oE 'take 1_[0-9_-]+\.wav begins' "$work/run1.err" | head -n 1 | cut -d' ' -f2)
# Switching on starts the take with the input's first sample; the transmission follows
# its lead of silence.
sleep $((lead_seconds + kill_after_seconds))
working=$program_folder/$name
[ -f "$working" ] || fail "no working file $working while the take runs"
kill -9 "$program_pid"
wait "$program_pid" 2>/dev/null
program_pid=""
echo "e2e: [$SECONDS s] killed $((SECONDS - began)) s after $name began"
[ -e "$program_folder/W/$name" ] && fail "$name was filed before the program was killed"

echo "e2e: [$SECONDS s] starting again, the recorder off"
settings[15]=0
write_settings
"$binary" --program-folder "$program_folder" >"$work/run2.out" 2>"$work/run2.err" &
program_pid=$!
filed=$program_folder/W/$name
await 30 test -f "$filed" || fail "the next start did not file $name in W"
await 10 test ! -e "$working" || fail "the working file $working is still there"
kill -TERM "$program_pid"
timeout 20 tail --pid="$program_pid" -f /dev/null || fail "the program did not end on SIGTERM"
wait "$program_pid" 2>/dev/null
program_pid=""

[[ $name =~ ^1_([0-9]{2})-([0-9]{2})-([0-9]{4})_([0-9]{2})-[0-9]{2}-[0-9]{2}\.wav$ ]] ||
  fail "unexpected recording name $name"
dated="$program_folder/FK_1/Ja_${BASH_REMATCH[3]}/Mo-${BASH_REMATCH[1]}/Tg-${BASH_REMATCH[2]}/hh-${BASH_REMATCH[4]}/$name"
[ -f "$dated" ] || fail "no copy in the dated tree: $dated"
cmp -s "$filed" "$dated" || fail "the dated copy differs from $filed"

size=$(stat -c %s "$filed")
data=$((size - 44))
counted=$(od -An -tu4 -j40 -N4 "$filed" | tr -d ' ')
[ "$counted" -eq "$data" ] || fail "the header counts $counted bytes of sound, the file holds $data"
least=$(awk -v l="$lead_seconds" -v s="$least_seconds" -v r="$rate" 'BEGIN {printf "%d", (l + s) * r}')
[ "$data" -ge "$least" ] ||
  fail "$name holds $(awk -v d="$data" -v r="$rate" 'BEGIN {printf "%.2f", d / r}') s; at least $least_seconds s of the transmission after its ${lead_seconds} s lead were heard"
cmp -s -n "$data" <(tail -c +45 "$filed") <(tail -c +45 "$input") ||
  fail "$name is not the input's first $data samples"

seconds=$(awk -v d="$data" -v r="$rate" -v l="$lead_seconds" 'BEGIN {printf "%.2f", d / r - l}')
echo "e2e: [$SECONDS s] passed: $name holds the transmission's first $seconds s, sample for sample"
rm -rf "$work"
exit 0
