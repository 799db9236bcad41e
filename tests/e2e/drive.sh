# Drives Tonvogel's windows from outside, under a virtual X server of its own with a
# notification area, as a user with a mouse would.
#
# The X server knows the windows by their titles only; the controls inside them are
# found by position. Forms and controls are placed in twips, 15 to a pixel, and without
# a window manager a window has no frame and sits exactly where its form puts it, so a
# control's twips from app/*_form.h, divided by 15, are its pixels inside the window.
#
# Sourced by tests/e2e/first_start.sh, scripts/check-readme and scripts/screenshots.
# shellcheck shell=bash

DRIVE_XVFB_PID=""
DRIVE_TRAYER_PID=""

# The first tool the driving needs that is not installed, or nothing (and false) when
# all are there.
drive_missing_tool() {
  local tool
  for tool in Xvfb xdotool trayer xwininfo; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      echo "$tool"
      return 0
    fi
  done
  return 1
}

# Ends a test with status 77 (a skip for CTest) when a tool the driving needs is missing.
drive_skip_without_tools() {
  local missing
  if missing=$(drive_missing_tool); then
    echo "e2e: skipped: $missing missing"
    exit 77
  fi
}

# drive_until SECONDS COMMAND...: runs COMMAND every fifth of a second until it
# succeeds; false when it has not within SECONDS. What the successful run prints is
# the output (the commands used with it print nothing when they fail).
drive_until() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  while ! "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.2
  done
}

drive_display_ready() { [ -s "$1" ]; }
drive_panel_ready() { xdotool search --classname '^panel$' >/dev/null 2>&1; }

# drive_start_xvfb DIR: starts Xvfb on a display number it picks itself (so that
# parallel runs never meet) and exports DISPLAY. Its log goes into DIR.
drive_start_xvfb() {
  local dir=$1
  : >"$dir/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" \
    >"$dir/xvfb.log" 2>&1 &
  DRIVE_XVFB_PID=$!
  # Xvfb writes the number once it accepts clients.
  if ! drive_until 20 drive_display_ready "$dir/display"; then
    echo "Xvfb did not start; see $dir/xvfb.log" >&2
    return 1
  fi
  DISPLAY=":$(tr -dc 0-9 <"$dir/display")"
  export DISPLAY
  unset XAUTHORITY
}

# drive_start_display DIR: Xvfb as drive_start_xvfb starts it, then trayer on it.
drive_start_display() {
  local dir=$1
  drive_start_xvfb "$dir" || return 1
  # A program that finds no notification area makes no tray icon, so the area comes
  # first. Its panel sits in the bottom right corner, away from the program's windows.
  # On a loaded machine trayer now and then dies before it shows its panel (seen once
  # in a run of fifteen parallel tests), so a dead one is started again.
  local attempt
  for attempt in 1 2 3; do
    trayer --edge bottom --align right --widthtype request --SetDockType false \
      --SetPartialStrut false >>"$dir/trayer.log" 2>&1 &
    DRIVE_TRAYER_PID=$!
    drive_until 20 drive_panel_or_gone "$DRIVE_TRAYER_PID" && drive_panel_ready && return 0
    echo "trayer attempt $attempt: no panel" >>"$dir/trayer.log"
    kill "$DRIVE_TRAYER_PID" 2>/dev/null
    wait "$DRIVE_TRAYER_PID" 2>/dev/null
  done
  echo "trayer did not start; its log:" >&2
  cat "$dir/trayer.log" >&2
  return 1
}

# True once the panel shows or the trayer process has ended.
drive_panel_or_gone() { drive_panel_ready || ! kill -0 "$1" 2>/dev/null; }

drive_stop_display() {
  local pid
  for pid in "$DRIVE_TRAYER_PID" "$DRIVE_XVFB_PID"; do
    [ -n "$pid" ] || continue
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  DRIVE_TRAYER_PID=""
  DRIVE_XVFB_PID=""
}

# drive_screenshot FILE: a picture of the whole screen, for finding out afterwards what
# went wrong; prints the file written (an .xwd one when ImageMagick is missing).
drive_screenshot() {
  local file=$1
  if command -v import >/dev/null 2>&1 && import -window root "$file" 2>/dev/null; then
    echo "$file"
    return 0
  fi
  if command -v xwd >/dev/null 2>&1 && xwd -root -silent -out "${file%.*}.xwd" 2>/dev/null; then
    echo "${file%.*}.xwd"
    return 0
  fi
  return 1
}

drive_width() { xwininfo -id "$1" 2>/dev/null | awk '/^ *Width:/ {print $2}'; }
drive_height() { xwininfo -id "$1" 2>/dev/null | awk '/^ *Height:/ {print $2}'; }
drive_has_height() { [ "$(drive_height "$1")" = "$2" ]; }

drive_mapped() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
drive_unmapped() { ! drive_mapped "$1"; }

# drive_find_window TITLE_REGEX [WIDTH [HEIGHT]]: a shown window with that title (and
# that width and height in pixels), printed; false when there is none.
drive_find_window() {
  local w
  for w in $(xdotool search --onlyvisible --name "$1" 2>/dev/null); do
    [ -z "${2:-}" ] || [ "$(drive_width "$w")" = "$2" ] || continue
    [ -z "${3:-}" ] || [ "$(drive_height "$w")" = "$3" ] || continue
    echo "$w"
    return 0
  done
  return 1
}

# drive_click WINDOW LEFT TOP WIDTH HEIGHT [BUTTON]: a click in the middle of a control
# whose place inside the window is given in twips.
drive_click() {
  local x=$((($2 + $4 / 2) / 15))
  local y=$((($3 + $5 / 2) / 15))
  xdotool mousemove --window "$1" "$x" "$y" sleep 0.2 click "${6:-1}"
  sleep 0.3
}

# The program's shown windows (menus included), one id a line.
drive_program_windows() {
  xdotool search --onlyvisible --classname '^tonvogel$' 2>/dev/null | sort
}

# drive_new_window BEFORE: a shown window of the program that is not in BEFORE.
drive_new_window() {
  local w
  for w in $(drive_program_windows); do
    if ! grep -qx "$w" <<<"$1"; then
      echo "$w"
      return 0
    fi
  done
  return 1
}

# drive_open_menu WINDOW LEFT TOP WIDTH HEIGHT BUTTON: clicks a control that opens a
# menu and prints the menu's window once it is shown.
drive_open_menu() {
  local before
  before=$(drive_program_windows)
  drive_click "$@"
  drive_until 10 drive_new_window "$before" >/dev/null || return 1
  drive_new_window "$before"
}

# The installation window of the first start (app/install_form.h, in twips).
# shellcheck disable=SC2034  # also used by the scripts that source this file
DRIVE_INSTALL_TITLE=' - Installation$'
DRIVE_INSTALL_FULL_HEIGHT=$((4755 / 15))  # InstallForm::kFullHeight, after the choice
DRIVE_FLAG_DE=(240 180 900 600)        # lbl_Inst_DE
DRIVE_FLAG_GB=(1320 180 900 600)       # lbl_Inst_GB
DRIVE_ACCEPT=(240 3480 3300 300)       # chk_Inst
DRIVE_LAUNCHER=(240 3840 3300 300)     # chk_Start
DRIVE_INSTALL=(3720 3450 3240 390)     # cmd_Inst_Ein
# The main window (app/main_form.h): its fixed width, and the menu label "File".
# shellcheck disable=SC2034
DRIVE_MAIN_WIDTH=$((5325 / 15))
DRIVE_MAIN_MENU=(60 30 700 240)        # lbl_Menue
# The main window's title once English is in force (German: "Dokumentation").
# shellcheck disable=SC2034
DRIVE_MAIN_TITLE_GB='^Tonvogel$'

# drive_install WINDOW GB|DL [launcher]: chooses the language by its flag, accepts, ticks
# the desktop launcher when asked to and installs; true once the window has gone.
drive_install() {
  local w=$1 flag=("${DRIVE_FLAG_DE[@]}") _
  [ "$2" = GB ] && flag=("${DRIVE_FLAG_GB[@]}")
  drive_click "$w" "${flag[@]}"
  # The window grows to its full height with the choice; the other controls are
  # reachable from then on.
  drive_until 10 drive_has_height "$w" "$DRIVE_INSTALL_FULL_HEIGHT" || return 1
  drive_click "$w" "${DRIVE_ACCEPT[@]}"
  [ "${3:-}" = launcher ] && drive_click "$w" "${DRIVE_LAUNCHER[@]}"
  # The acceptance enables the button; on a busy machine a press may come before the
  # button shows it, and is lost, as it would be for a user, who presses again.
  for _ in 1 2 3; do
    drive_click "$w" "${DRIVE_INSTALL[@]}"
    drive_until 5 drive_unmapped "$w" && return 0
  done
  return 1
}

# drive_tray_icon: the program's icon that trayer has embedded, printed; false when
# there is none.
drive_tray_icon() {
  local panel
  for panel in $(xdotool search --classname '^panel$' 2>/dev/null); do
    xwininfo -tree -id "$panel" 2>/dev/null | awk '/\("tonvogel" / {print $1; found = 1; exit} END {exit !found}' &&
      return 0
  done
  return 1
}

# drive_exit_by_main_menu MAIN_WINDOW: "File" and its last item, "Exit program" (with
# the keyboard: the items' heights depend on the style, their order does not).
drive_exit_by_main_menu() {
  local menu
  menu=$(drive_open_menu "$1" "${DRIVE_MAIN_MENU[@]}" 1) || return 1
  # Help, settings, playback window, exit: the separators are skipped.
  xdotool key Down Down Down Down Return
  drive_until 5 drive_unmapped "$menu"
}
