#!/usr/bin/env bash
# The first start of the real program, end to end, under a real X server with a
# notification area, in a program folder of its own with the sample net as the sound
# card's input. Without a settings file the installation window comes first: English is
# chosen by its flag, the terms accepted, a desktop launcher asked for, and installed.
# Then the main window must be the English one, the sample's first long transmission
# must become a recording, filed in W and in the dated tree and counted in the list, the
# tray icon must open its menu, and the program's own "Exit program" must end it with
# status 0, its settings saved and still in English.
#
#   first_start.sh TONVOGEL_BINARY SOURCE_FOLDER
#
# Exit status 77 (a skip for CTest) when a tool for driving the display is missing.
set -uo pipefail

binary=$(readlink -f "$1")
source_folder=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/drive.sh
source "$here/drive.sh" || exit 1

drive_skip_without_tools

work=$(mktemp -d "${TMPDIR:-/tmp}/tonvogel-e2e.XXXXXX")
program_folder=$work/program
sample=$work/sample-net.wav
# Nothing of the real user's is read or written: home, desktop and session are the
# test's own.
export HOME=$work/home
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
export XDG_CACHE_HOME=$HOME/.cache XDG_DESKTOP_DIR=$HOME/Desktop
export XDG_RUNTIME_DIR=$work/runtime
unset DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER TONVOGEL_DIALOGS
mkdir -p "$program_folder" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# shellcheck disable=SC2016  # the desktop's own notation, read by the program
echo 'XDG_DESKTOP_DIR="$HOME/Desktop"' >"$XDG_CONFIG_HOME/user-dirs.dirs"
: >"$work/program.err"

program_pid=""
step="setting up"
# The whole run stays within two minutes, however slow each step is.
deadline=$((SECONDS + 115))

cleanup() {
  if [ -n "$program_pid" ]; then
    kill "$program_pid" 2>/dev/null
    wait "$program_pid" 2>/dev/null
    program_pid=""
  fi
  drive_stop_display
}
trap cleanup EXIT

fail() {
  local picture
  echo "e2e: FAILED at step: $step"
  echo "e2e: $*"
  if [ -n "$program_pid" ] && program_ended; then
    wait "$program_pid"
    echo "e2e: the program has ended, with status $?"
    program_pid=""
  fi
  if [ -n "${DISPLAY:-}" ] && picture=$(drive_screenshot "$work/failure.png"); then
    echo "e2e: screenshot: $picture"
  fi
  echo "e2e: --- the program's standard error ---"
  cat "$work/program.err"
  echo "e2e: --- end; files kept in $work"
  exit 1
}

begin() {
  step=$1
  echo "e2e: [$SECONDS s] $step"
}

# await SECONDS COMMAND...: runs COMMAND until it succeeds, as drive_until does, for at
# most SECONDS and never past the deadline of the whole run; gives up once the
# program has ended.
await() {
  local left=$((deadline - SECONDS))
  [ "$left" -lt 1 ] && left=1
  [ "$1" -lt "$left" ] && left=$1
  shift
  local until=$((SECONDS + left))
  while ! "$@"; do
    # Once the program has ended, what it left has one more look.
    if [ -n "$program_pid" ] && program_ended; then
      "$@"
      return
    fi
    [ "$SECONDS" -ge "$until" ] && return 1
    sleep 0.2
  done
}

line_of() { sed -n "${2}p" "$1" | tr -d '\r'; }

# Gone, or a zombie. The shell may reap the program at any moment (while it forks for
# any command): then its /proc entry has gone too.
program_ended() {
  local state
  state=$(cut -d' ' -f3 "/proc/$program_pid/stat" 2>/dev/null) || return 0
  [ "$state" = Z ]
}

recordings() { find "$program_folder/W" -maxdepth 1 -type f -name '*.wav' 2>/dev/null | sort; }
has_recording() { [ -n "$(recordings)" ]; }

totals_file() { find "$program_folder/W" -maxdepth 1 -type f -iname 't_gesamt.txt' 2>/dev/null; }
totals_counted() {
  local file
  file=$(totals_file)
  [ -n "$file" ] && awk '{exit !($1 + 0 > 0)}' "$file"
}

# The playing time of a WAV file with the 44-byte header the recorder writes.
wav_seconds() {
  local rate block size
  rate=$(od -An -tu4 -j24 -N4 "$1" | tr -d ' ')
  block=$(od -An -tu2 -j32 -N2 "$1" | tr -d ' ')
  size=$(od -An -tu4 -j40 -N4 "$1" | tr -d ' ')
  awk -v s="$size" -v r="$rate" -v b="$block" 'BEGIN {printf "%.2f", s / (r * b)}'
}

begin "starting Xvfb and trayer"
drive_start_display "$work" || fail "no display"
"$source_folder/scripts/make-sample" "$sample" >/dev/null || fail "scripts/make-sample failed"
cp -r "$source_folder/resources/." "$program_folder/" || fail "cannot copy resources/"

begin "first start without a settings file: the installation window"
QT_QPA_PLATFORM=xcb "$binary" --program-folder "$program_folder" --input-file "$sample" \
  >"$work/program.out" 2>"$work/program.err" &
program_pid=$!
install_window=$(await 30 drive_find_window "$DRIVE_INSTALL_TITLE") ||
  fail "no window titled '…$DRIVE_INSTALL_TITLE'"
[ -e "$program_folder/Tonvogel.ini" ] && fail "a settings file before the installation"

begin "choosing English, accepting, asking for the launcher, installing"
drive_install "$install_window" GB launcher || fail "the installation window did not close"

begin "the settings file written at installation says English"
ini=$program_folder/Tonvogel.ini
await 10 test -s "$ini" || fail "no $ini"
[ "$(wc -l <"$ini")" -eq 43 ] || fail "Tonvogel.ini has $(wc -l <"$ini") lines, not 43"
[ "$(line_of "$ini" 5)" = 2 ] || fail "Tonvogel.ini line 5 (language) is '$(line_of "$ini" 5)', not 2"
# The launcher is named after its program folder: tonvogel-<hash of the folder>.desktop.
launchers=("$HOME"/Desktop/tonvogel-*.desktop)
[ "${#launchers[@]}" -eq 1 ] || fail "not one launcher on the desktop: ${launchers[*]}"
launcher=${launchers[0]}
[ -x "$launcher" ] || fail "no executable launcher $launcher"
grep -qxF -- "Exec=\"$binary\" --program-folder \"$program_folder\"" "$launcher" ||
  fail "the launcher does not start this program in $program_folder"

begin "the main window, in English"
main_window=$(await 30 drive_find_window "$DRIVE_MAIN_TITLE_GB" "$DRIVE_MAIN_WIDTH") ||
  fail "no main window titled 'Tonvogel' (the English title), $DRIVE_MAIN_WIDTH pixels wide"
drive_find_window '^Dokumentation$' >/dev/null && fail "a main window with the German title"

begin "a recording of the sample's first long transmission"
# 1 s of silence, 12 s of tone, then the 8 s pause that ends a recording.
await 60 has_recording || fail "no recording in $program_folder/W"
recording=$(recordings | head -n 1)
name=$(basename "$recording")
[[ $name =~ ^1_([0-9]{2})-([0-9]{2})-([0-9]{4})_([0-9]{2})-[0-9]{2}-[0-9]{2}\.wav$ ]] ||
  fail "unexpected recording name $name"
# The dated tree has the English folder names.
dated="$program_folder/RC_1/JJ_${BASH_REMATCH[3]}/MM-${BASH_REMATCH[1]}/DD-${BASH_REMATCH[2]}/hh-${BASH_REMATCH[4]}/$name"
[ -f "$dated" ] || fail "no copy in the dated tree: $dated"
cmp -s "$dated" "$recording" || fail "the dated copy differs from $recording"
seconds=$(wav_seconds "$recording")
awk -v s="$seconds" 'BEGIN {exit !(s >= 10 && s <= 40)}' ||
  fail "the recording lasts $seconds s; the transmission and its pause are about 20 s"

begin "the recording counted in the list"
# The list's total is written with the recording's line.
await 10 totals_counted || fail "the list's total (W/t_Gesamt.txt) stays 0"
total=$(tr -d '\r' <"$(totals_file)")
awk -v t="$total" -v s="$seconds" 'BEGIN {d = t - s; exit !(d > -0.2 && d < 0.2)}' ||
  fail "the list's total is $total s, the recording $seconds s"

begin "the tray icon and its menu"
icon=$(await 10 drive_tray_icon) || fail "trayer has embedded no icon of the program"
# The icon's 22 × 24 pixels, in twips.
menu=$(drive_open_menu "$icon" 0 0 330 360 3) || fail "the right button opened no menu"
xdotool key Escape
await 5 drive_unmapped "$menu" || fail "Escape did not close the tray menu"

begin "closing the program from its File menu"
drive_exit_by_main_menu "$main_window" || fail "File → Exit program could not be chosen"
await 20 program_ended || fail "the program is still running"
wait "$program_pid"
status=$?
program_pid=""
[ "$status" -eq 0 ] || fail "the program ended with status $status"

begin "after the end: the settings saved, still in English"
[ "$(wc -l <"$ini")" -eq 43 ] || fail "Tonvogel.ini has $(wc -l <"$ini") lines, not 43"
[ "$(line_of "$ini" 5)" = 2 ] || fail "Tonvogel.ini line 5 (language) is '$(line_of "$ini" 5)', not 2"
count=$(recordings | wc -l)
[ "$(line_of "$ini" 21)" = "$count" ] ||
  fail "Tonvogel.ini counts $(line_of "$ini" 21) recordings, W holds $count"
# Only the saving end removes it; ending at once would leave it.
[ -z "$(totals_file)" ] || fail "the list's total was not removed at the end"

echo "e2e: [$SECONDS s] passed: first recording $name ($seconds s), $count in W"
cleanup
rm -rf "$work"
exit 0
