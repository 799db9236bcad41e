#!/usr/bin/env bash
# Runs a command with a PulseAudio server of its own (see pulse.sh): for back-end tests
# that need a paced sound card. The server's log is shown when the command fails.
#
#   with_pulse.sh COMMAND [ARGUMENT]...
#
# Exit status: the command's; 77 (a skip for CTest) when PulseAudio is not installed.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/support/pulse/pulse.sh
source "$here/pulse.sh" || exit 1

if missing=$(pulse_missing_tool); then
  echo "with_pulse: skipped: $missing missing"
  exit 77
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/tonvogel-pulse.XXXXXX")
trap 'pulse_stop; rm -rf "$work"' EXIT
export HOME=$work/home XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
pulse_start "$work" || exit 1

"$@"
status=$?
if [ "$status" -ne 0 ] && [ "$status" -ne 77 ]; then
  echo "with_pulse: --- the sound server's log ---"
  tail -n 40 "$(pulse_log)"
fi
exit "$status"
