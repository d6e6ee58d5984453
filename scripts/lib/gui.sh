# Helpers for driving a Windows program's real window under Wine: an X display
# (the caller's $DISPLAY, or a private Xvfb), waiting for windows, screenshots
# and a clean shutdown. Sourced by scripts/demo and scripts/test-e2e.
#
# The caller sets VELTO_WINE_DIR (the Wine prefix and home live under it) and
# calls gui_cleanup on exit (trap). Every wait is bounded.

gui_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
gui_xvfb_pid=
gui_wine_pid=

gui_log() { printf '[gui] %s\n' "$*" >&2; }

# Uses $DISPLAY when it answers (unless VELTO_HEADLESS=1), else starts Xvfb
# with a 1024x768 screen on a free display number and exports DISPLAY.
gui_start_display() {
  if [ -n "${DISPLAY:-}" ] && [ "${VELTO_HEADLESS:-0}" != 1 ] && xdpyinfo >/dev/null 2>&1; then
    gui_log "using display $DISPLAY"
    return 0
  fi
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
  gui_xvfb_pid=$!
  local num=
  read -r -t 20 num <"$fifo" || true
  rm -f "$fifo"
  if [ -z "$num" ]; then
    gui_log "Xvfb did not start"
    return 1
  fi
  export DISPLAY=":$num"
  gui_log "started Xvfb on $DISPLAY (pid $gui_xvfb_pid)"
}

# The Wine environment of scripts/wine-run, for the tools run beside it
# (wineserver, reg).
gui_wine_env() {
  export HOME="$VELTO_WINE_DIR/home"
  export WINEPREFIX="$VELTO_WINE_DIR/prefix"
  export WINEDEBUG=${WINEDEBUG:--all}
}

# The wineserver that belongs to wine64 (Debian keeps it out of PATH).
gui_wineserver() {
  local w
  for w in /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver "$(command -v wineserver 2>/dev/null)"; do
    if [ -n "$w" ] && [ -x "$w" ]; then
      echo "$w"
      return 0
    fi
  done
  echo wineserver
}

# Makes the Wine prefix ready for a GUI run: creates it, puts Wine's own
# fonts (Debian's fonts-wine: MS Sans Serif, Marlett for the frame buttons...)
# into its Fonts folder, where this Wine looks for them, and, on a private
# Xvfb without a window manager, lets Wine draw the window frames itself.
gui_prepare_prefix() {
  "$gui_root/scripts/wine-run" cmd /c exit >/dev/null 2>&1 || true
  local fonts="$VELTO_WINE_DIR/prefix/drive_c/windows/Fonts" f
  mkdir -p "$fonts"
  for f in /usr/share/wine/fonts/*; do
    [ -e "$f" ] && [ ! -e "$fonts/$(basename "$f")" ] && cp "$f" "$fonts/"
  done
  if [ -n "$gui_xvfb_pid" ]; then
    "$gui_root/scripts/wine-run" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
  fi
}

# Starts a Windows program in the background through scripts/wine-run.
gui_run() {
  "$gui_root/scripts/wine-run" "$@" >>"$VELTO_WINE_DIR/wine.log" 2>&1 &
  gui_wine_pid=$!
}

# Prints the X id of the first visible window whose name matches the regular
# expression $1, waiting at most $2 seconds (default 30). Fails when none.
gui_wait_window() {
  local pattern=$1 limit=${2:-30} id
  local end=$((SECONDS + limit))
  while [ $SECONDS -lt $end ]; do
    id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1 || true)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.3
  done
  gui_log "no window named '$pattern' after ${limit}s"
  return 1
}

# Waits at most $2 seconds (default 15) until no visible window matches $1.
gui_wait_window_gone() {
  local pattern=$1 limit=${2:-15}
  local end=$((SECONDS + limit))
  while [ $SECONDS -lt $end ]; do
    if [ -z "$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null || true)" ]; then
      return 0
    fi
    sleep 0.3
  done
  return 1
}

# Screenshot of the whole screen into the PNG $1.
gui_shot() {
  sleep "${GUI_SETTLE:-0.6}"
  import -window root "$1"
  gui_log "screenshot $1"
}

# Gives the keyboard focus to window $1 and types the keys $2...
gui_keys() {
  local win=$1
  shift
  xdotool windowfocus --sync "$win" 2>/dev/null || xdotool windowfocus "$win" || true
  xdotool key --delay 80 "$@"
}

# Clicks at ($2, $3) inside the client area of window $1.
gui_click() {
  local win=$1 x=$2 y=$3
  xdotool mousemove --window "$win" "$x" "$y" click 1
}

# Ends Wine (wineserver -k in the same prefix) and the private Xvfb.
gui_cleanup() {
  if [ -n "${VELTO_WINE_DIR:-}" ] && [ -d "$VELTO_WINE_DIR/prefix" ]; then
    ( gui_wine_env; timeout 20 "$(gui_wineserver)" -k >/dev/null 2>&1 || true )
  fi
  if [ -n "$gui_wine_pid" ]; then
    kill "$gui_wine_pid" 2>/dev/null || true
    wait "$gui_wine_pid" 2>/dev/null || true
    gui_wine_pid=
  fi
  if [ -n "$gui_xvfb_pid" ]; then
    kill "$gui_xvfb_pid" 2>/dev/null || true
    wait "$gui_xvfb_pid" 2>/dev/null || true
    gui_xvfb_pid=
  fi
}
