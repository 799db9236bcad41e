#!/usr/bin/env bash
# Start at login is a matter of each program folder: a station's folder with it on and a
# try-out folder with it off, under one autostart folder (one XDG_CONFIG_HOME). After both
# have run and ended, the station's entry must still be there and start the station's
# folder; the try-out must have no entry.
#
#   start_at_login.sh TONVOGEL_BINARY
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/offscreen.sh
source "$here/offscreen.sh" || exit 1
offscreen_begin "$1"

station=$work/station
tryout=$work/try-out
autostart=$XDG_CONFIG_HOME/autostart
entries_starting() { grep -lsF -- "--program-folder \"$1\"" "$autostart"/*.desktop; }

offscreen_settings "$station" 1
offscreen_settings "$tryout" 0

echo "e2e: the station, start at login on"
offscreen_run station "$station"
station_pid=$started
offscreen_until 10 entries_starting "$station" >/dev/null ||
  offscreen_fail "the station wrote no entry"

echo "e2e: the try-out beside it, start at login off"
offscreen_run try-out "$tryout"
offscreen_end try-out "$started"
offscreen_end station "$station_pid"

entry=$(entries_starting "$station") || offscreen_fail "the station's entry has gone"
[ "$(echo "$entry" | wc -l)" -eq 1 ] || offscreen_fail "more than one entry starts the station: $entry"
[[ $(basename "$entry") =~ ^tonvogel-[0-9a-f]{8}\.desktop$ ]] ||
  offscreen_fail "the entry $entry is not named after its folder"
grep -qxF -- "Exec=\"$OFFSCREEN_BINARY\" --program-folder \"$station\"" "$entry" ||
  offscreen_fail "the entry does not start this program in the station's folder: $(grep Exec= "$entry")"
entries_starting "$tryout" && offscreen_fail "the try-out, with start at login off, has an entry"

offscreen_passed "$entry"
