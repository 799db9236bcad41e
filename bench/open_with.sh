#!/usr/bin/env bash
# A two-hour recording opened from the file manager: the real program is started with a
# WAV file of two hours at 44.1 kHz, 16 bits, stereo (1.27 GB, made sparse in an instant)
# as its argument, in a program folder of its own where no copy runs, so that a copy
# that only shows the file starts. Prints the seconds until the playback window shows,
# and the program's peak resident memory then and after it has started to play.
# Targets: 30 s, 120 MB.
#
# Under Xvfb when it and xdotool are installed (the window counts as shown once the X
# server maps it), otherwise on Qt's offscreen platform (shown once the program's log,
# which it copies to standard error there, says so).
#
#   bench/open_with.sh TONVOGEL_BINARY [PLAY_SECONDS]   (default 10)
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
binary=$(readlink -f "${1:?usage: bench/open_with.sh TONVOGEL_BINARY [PLAY_SECONDS]}")
play_seconds=${2:-10}

work=$(mktemp -d "${TMPDIR:-/tmp}/tonvogel-open-with.XXXXXX")
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  [ -n "${DRIVE_XVFB_PID:-}" ] && drive_stop_display
  rm -rf "$work"
}
trap cleanup EXIT
export HOME=$work/home XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/home/.config
# The copy's own working folder goes here, and with it away at the end.
export TMPDIR=$work/tmp
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$TMPDIR" "$work/program"
chmod 700 "$XDG_RUNTIME_DIR"

# le32 N: N as four little-endian bytes.
le32() {
  printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))"
  printf "\\x$(printf %02x $((($1 >> 16) & 255)))\\x$(printf %02x $((($1 >> 24) & 255)))"
}
rate=44100 channels=2 bits=16 seconds=7200
block=$((channels * bits / 8))
data=$((seconds * rate * block))
sound="$work/two hours.wav"
{
  printf 'RIFF'; le32 $((data + 36)); printf 'WAVEfmt '
  le32 16; printf '\x01\x00\x02\x00'; le32 "$rate"; le32 $((rate * block))
  printf '\x04\x00\x10\x00'; printf 'data'; le32 "$data"
} >"$sound"
# Silence after the header, without writing it.
truncate -s $((data + 44)) "$sound"
printf 'file: %s, %d bytes (%d s at %d Hz, %d bits, %d channels)\n' "$sound" \
  "$(stat -c %s "$sound")" "$seconds" "$rate" "$bits" "$channels"

display="offscreen"
if command -v Xvfb >/dev/null && command -v xdotool >/dev/null; then
  # shellcheck source=tests/e2e/drive.sh
  source "$here/../tests/e2e/drive.sh"
  drive_start_xvfb "$work" || exit 1
  export QT_QPA_PLATFORM=xcb
  display="Xvfb $DISPLAY"
else
  export QT_QPA_PLATFORM=offscreen
fi

shown() {
  if [ "$QT_QPA_PLATFORM" = xcb ]; then
    xdotool search --onlyvisible --classname '^tonvogel$' >/dev/null 2>&1
  else
    grep -q "the playback window shows" "$work/program.err"
  fi
}
# kB of the program's peak resident memory so far.
peak_kb() { awk '/^VmHWM:/ {print $2}' "/proc/$pid/status" 2>/dev/null; }

start=$EPOCHREALTIME
"$binary" --program-folder "$work/program" "$sound" >"$work/program.out" 2>"$work/program.err" &
pid=$!
until shown; do
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "the program ended before its window showed:"
    cat "$work/program.err"
    exit 1
  fi
  sleep 0.05
done
end=$EPOCHREALTIME
shown_kb=$(peak_kb)
sleep "$play_seconds"
played_kb=$(peak_kb)
kill -0 "$pid" 2>/dev/null || { echo "the program ended while playing:"; cat "$work/program.err"; exit 1; }

awk -v s="$start" -v e="$end" -v a="$shown_kb" -v b="$played_kb" -v d="$display" \
  -v p="$play_seconds" 'BEGIN {
  printf "display: %s\n", d
  printf "until the playback window shows: %.2f s (target 30 s)\n", e - s
  printf "peak resident memory when shown: %.1f MB\n", a / 1024
  printf "peak resident memory %d s later: %.1f MB (target 120 MB)\n", p, b / 1024
}'
