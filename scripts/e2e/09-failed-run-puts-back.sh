# A failed run into Q:\x over the installation puts back every link and
# row; the desktop link, started through the shell, runs the installed
# program.
# Sourced by scripts/test-e2e.
printf '\n-- a failed run into Q:\\x puts back every link and row\n'
installed=$(traces)
must "a run into Q:\\x fails with its box and the wizard closes" failed_run_into_q 5-00-errore-q-sopra-installazione
check "every link, registry row and the record are as before the run" test "$(traces)" = "$installed"
shell_find_links
check "the desktop link still names c:\\buona\\velto.exe" \
  bash -c 'tr -d "\0" <"$1" | grep -aqi "buona.velto.exe"' _ "$DESKTOP_LINK"
check "App Paths still names c:\\buona\\velto.exe" value_is "$shell_app" '' 'c:\buona\velto.exe'
if [ -n "$DESKTOP_LINK" ]; then
  # Through the shell, as a double click on the icon: the link names the
  # installed program, which opens its window.
  shell_start_link "$DESKTOP_LINK"
  if velto_window=$(gui_wait_window '^Velto$' 30); then
    check "the desktop link, started through the shell, runs the installed program" true
    wiz_shot 5-01-velto-dal-desktop Velto
    xdotool windowfocus "$velto_window" 2>/dev/null || true
    sleep 0.2
    xdotool key alt+F4
    check "the installed program closes" gui_wait_window_gone '^Velto$' 15
  else
    check "the desktop link, started through the shell, runs the installed program" false
  fi
fi
