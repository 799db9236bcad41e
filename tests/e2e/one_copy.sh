#!/usr/bin/env bash
# One running copy per program folder. A second start in a running copy's folder must end
# with status 0 and leave the first running, which shows its main window; a start in
# another folder runs beside it; and a copy that was killed leaves no lock that keeps the
# next start out.
#
#   one_copy.sh TONVOGEL_BINARY
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/offscreen.sh
source "$here/offscreen.sh" || exit 1
offscreen_begin "$1"

folder=$work/station
other=$work/other
offscreen_settings "$folder" 0
offscreen_settings "$other" 0

echo "e2e: the first copy"
offscreen_run first "$folder"
first=$started

echo "e2e: a second start in the same folder"
timeout 30 "$OFFSCREEN_BINARY" --program-folder "$folder" >"$work/second.out" 2>"$work/second.err"
status=$?
[ "$status" -eq 0 ] || offscreen_fail "the second start ended with status $status"
grep -q "already runs in $folder; its main window is shown" "$work/second.err" ||
  offscreen_fail "the second start did not reach the first"
offscreen_alive "$first" || offscreen_fail "the first copy has ended"
grep -q "another start in this folder" "$work/first.err" ||
  offscreen_fail "the first copy was not asked to show its window"
offscreen_started "$work/second.err" && offscreen_fail "the second start ran a program of its own"

echo "e2e: a start in another folder runs beside it"
offscreen_run other "$other"
offscreen_alive "$started" || offscreen_fail "the copy in the other folder ended"
offscreen_end other "$started"

echo "e2e: a killed copy's lock does not keep the next start out"
kill -KILL "$first"
wait "$first" 2>/dev/null
offscreen_run again "$folder"
offscreen_alive "$started" || offscreen_fail "the start after the killed copy ended"
offscreen_end again "$started"
ls "$XDG_RUNTIME_DIR"/tonvogel-*.lock >/dev/null 2>&1 &&
  offscreen_fail "a lock was left: $(ls "$XDG_RUNTIME_DIR")"

offscreen_passed "one copy per folder"
