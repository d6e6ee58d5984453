# Playing the installer's wizard in its real window: reading its controls
# through the window probe, pressing accelerators, clicking controls, typing,
# and saving a screenshot of each page. Sourced after scripts/lib/gui.sh by
# scripts/demo and scripts/test-e2e.
#
# The caller sets:
#   WIZ_PROBE  the velto-window-probe.exe to run under Wine
#   WIZ_SHOTS  the folder for the screenshots
# Every wait is bounded; a step that does not reach its page fails (returns 1)
# after saving a screenshot named after the step.

WIZ_TITLE='Installazione di Velto2005'
wiz_state=
wiz_window=
wiz_current=

wiz_fail() {
  gui_log "FAILED: $*"
  # What was on the screen: the windows (a message box that got in the
  # way shows here) and a screenshot.
  "$gui_root/scripts/wine-run" "$WIZ_PROBE" --list 2>/dev/null | tr -d '\r' | sed 's/^/[gui]   /' >&2 || true
  if [ -n "${WIZ_SHOTS:-}" ]; then
    local shot="$WIZ_SHOTS/failure-$(date +%H%M%S).png"
    import -window root "$shot" 2>/dev/null && gui_log "screenshot $shot"
  fi
  return 1
}

# Reads the state of the window whose caption begins with $1 (default: the
# wizard) into $wiz_state. Fails when there is no such window.
wiz_probe() {
  local title=${1:-$WIZ_TITLE}
  wiz_state=$("$gui_root/scripts/wine-run" "$WIZ_PROBE" "$title" 2>/dev/null | tr -d '\r') || return 1
  [ -n "$wiz_state" ]
}

# awk and grep over $wiz_state. The state goes in as a here-string, not
# through a pipe: a reader that stops early (awk's exit, grep -q) then cannot
# kill the writer with SIGPIPE, which pipefail and set -e turn into an abort.
wiz_state_awk() { awk "$@" <<<"$wiz_state"; }
wiz_state_grep() { grep "$@" <<<"$wiz_state"; }

# The probe line of the control of class $1 whose text is exactly $2.
wiz_line() {
  wiz_state_awk -F'|' -v c="$1" -v t="$2" '$1 == "control" && tolower($2) == tolower(c) && $3 == t { print; exit }'
}

# Whether the control of class $1 with text $2 is visible / enabled / checked.
wiz_is() {
  local what=$1 class=$2 text=$3 line
  line=$(wiz_line "$class" "$text")
  [ -n "$line" ] && printf '%s' "$line" | grep -q "|$what=1|"
}

# The probe line of the n-th ($1, from 1) visible one-line edit field, the
# fields taken from top to bottom, then left to right (text boxes, which are
# edit controls too but taller, are left out).
wiz_nth_field() {
  wiz_state_awk -F'|' '$1 == "control" && tolower($2) == "edit" && $5 == "visible=1" {
      split(substr($7, 6), r, ","); if (r[4] < 40) printf "%06d %06d %s\n", r[2], r[1], $0 }' |
    sort | sed -n "${1}p" | cut -d' ' -f3-
}

# The text of the n-th ($1) visible one-line edit field.
wiz_nth_text() {
  wiz_nth_field "$1" | awk -F'|' '{ print $3 }'
}

# Reads the wizard's state and sets wiz_current to the page it shows, from
# the one button that only that page has: 0 welcome, 1 card, 2 destination,
# 3 licence, 4 information, 5 install ("none" without a window). Runs in the
# calling shell, so that wiz_state stays fresh for the checks after it.
wiz_page() {
  if ! wiz_probe; then wiz_current=none
  elif wiz_is visible Button 'Disinstalla Velto2005'; then wiz_current=0
  elif wiz_is visible Button 'Accetto'; then wiz_current=1
  elif wiz_is visible Button 'Cambia'; then wiz_current=2
  elif wiz_is visible Button 'Si'; then wiz_current=3
  elif wiz_is visible Button 'Avanti >>'; then wiz_current=4
  elif wiz_is visible Button 'Installa'; then wiz_current=5
  else wiz_current=unknown; fi
}

# Waits at most $2 seconds (default 10) until the wizard shows page $1;
# wiz_state then holds that page's state.
wiz_expect_page() {
  local want=$1 limit=${2:-10}
  local end=$((SECONDS + limit))
  while [ $SECONDS -lt $end ]; do
    wiz_page
    [ "$wiz_current" = "$want" ] && return 0
    sleep 0.3
  done
  wiz_fail "expected page $want, the wizard shows page $wiz_current"
}

# Starts the installer $1 and waits for its window.
wiz_start() {
  gui_run "$1"
  wiz_window=$(gui_wait_window "^$WIZ_TITLE" 60) || wiz_fail "the installer's window did not appear" || return 1
  gui_log "installer window $wiz_window"
}

# Saves a screenshot of the wizard (its frame and client area) as $WIZ_SHOTS/$1.png.
wiz_shot() {
  local name=$1 title=${2:-$WIZ_TITLE} client x y w h
  sleep "${GUI_SETTLE:-0.6}"
  local file="$WIZ_SHOTS/$name.png" id
  if [ -z "$gui_xvfb_pid" ]; then
    # On the caller's display a window manager draws the frame: take the
    # window with it.
    id=$(xdotool search --onlyvisible --name "^$title" 2>/dev/null | head -n 1 || true)
    if [ -n "$id" ] && import -frame -window "$id" "$file" 2>/dev/null; then
      gui_log "screenshot $file"
      return 0
    fi
  fi
  if wiz_probe "$title"; then
    client=$(wiz_state_awk -F'|' '$1 == "window" { print $3 "|" $4; exit }')
    w=${client%%x*}; h=${client#*x}; h=${h%%|*}
    x=${client#*client=}; y=${x#*,}; x=${x%,*}
    # The frame that Wine draws around the client area: about 4 pixels at
    # the sides and the bottom, the caption bar above.
    local left=$((x - 5)) top=$((y - 27))
    [ $left -lt 0 ] && left=0
    [ $top -lt 0 ] && top=0
    import -window root -crop "$((w + 10))x$((h + 32))+$left+$top" +repage "$file"
  else
    import -window root "$file"
  fi
  gui_log "screenshot $file"
}

# Presses the keys $@ in the wizard's window (e.g. alt+a).
wiz_keys() {
  local target=${wiz_window}
  xdotool windowfocus "$target" 2>/dev/null || true
  sleep 0.2
  # A fresh X server now and then refuses the first keys: once more, then
  # fail with a message.
  xdotool key --delay 100 "$@" 2>/dev/null || {
    sleep 1
    xdotool windowfocus "$target" 2>/dev/null || true
    xdotool key --delay 100 "$@" || wiz_fail "the keys $* could not be sent"
  }
}

# Clicks the middle of the visible control of class $1 with text $2 in the
# window whose caption begins with $3 (default: the wizard).
wiz_click() {
  local class=$1 text=$2 title=${3:-$WIZ_TITLE} line rect origin
  wiz_probe "$title" || wiz_fail "no window '$title' to click in" || return 1
  line=$(wiz_state_awk -F'|' -v c="$class" -v t="$text" \
    '$1 == "control" && tolower($2) == tolower(c) && $3 == t && $5 == "visible=1" { print; exit }')
  [ -n "$line" ] || wiz_fail "no visible $class '$text' in '$title'" || return 1
  rect=$(printf '%s' "$line" | awk -F'|' '{ print substr($7, 6) }')
  origin=$(wiz_state_awk -F'|' '$1 == "window" { sub("client=", "", $4); print $4; exit }')
  local ox=${origin%,*} oy=${origin#*,}
  local rx ry rw rh
  IFS=, read -r rx ry rw rh <<<"$rect"
  xdotool mousemove "$((ox + rx + rw / 2))" "$((oy + ry + rh / 2))" click 1
  sleep 0.3
}

# Clicks the n-th ($2) visible edit field of the wizard and types $3 into it.
wiz_type_into() {
  local n=$1 text=$2 line rect origin rx ry rw rh
  wiz_probe || return 1
  line=$(wiz_nth_field "$n")
  [ -n "$line" ] || wiz_fail "no visible edit field number $n" || return 1
  rect=$(printf '%s' "$line" | awk -F'|' '{ print substr($7, 6) }')
  origin=$(wiz_state_awk -F'|' '$1 == "window" { sub("client=", "", $4); print $4; exit }')
  IFS=, read -r rx ry rw rh <<<"$rect"
  xdotool mousemove "$((${origin%,*} + rx + rw / 2))" "$((${origin#*,} + ry + rh / 2))" click 1
  sleep 0.2
  xdotool key ctrl+a BackSpace
  xdotool type --delay 40 "$text"
}

# Dismisses one message box whose caption matches $1 with Enter, after a
# screenshot named $2. Fails when no such box appears within $3 seconds.
wiz_answer_box() {
  local pattern=$1 shot=$2 limit=${3:-30} box
  box=$(gui_wait_window "$pattern" "$limit") || wiz_fail "no message box '$pattern'" || return 1
  sleep 0.5
  if wiz_probe "$(xdotool getwindowname "$box")"; then
    gui_log "message box: $(wiz_state_awk -F'|' '$1 == "control" && $2 == "Static" && $3 != "" { print $3 }' | tr '\n' ' ')"
  fi
  [ -n "$shot" ] && import -window root "$WIZ_SHOTS/$shot.png" && gui_log "screenshot $WIZ_SHOTS/$shot.png"
  xdotool windowfocus "$box" 2>/dev/null || true
  sleep 0.2
  xdotool key Return
  gui_wait_window_gone "$pattern" 10
}

# Waits at most $1 seconds for the installer's process to end.
wiz_wait_exit() {
  local limit=${1:-30}
  local end=$((SECONDS + limit))
  while [ $SECONDS -lt $end ]; do
    if ! kill -0 "$gui_wine_pid" 2>/dev/null; then
      wait "$gui_wine_pid" 2>/dev/null
      local rc=$?
      gui_wine_pid=
      gui_log "installer exited with code $rc"
      return "$rc"
    fi
    sleep 0.3
  done
  wiz_fail "the installer did not exit within ${limit}s"
}
