# "Disinstalla Velto2005" and its box; then the folder, the links, the
# browser keys, the Find-menu values and the record are gone and
# HKLM\SOFTWARE\BROVIK remains.
# Sourced by scripts/test-e2e.
printf '\n-- uninstall\n'
# TideHub.exe of the server installer is not one of the product's files, and
# a folder that still holds a file is kept; taken away here, so that the
# folder holds only what the uninstallation removes.
rm -f "$dest/TideHub.exe"
must "the installer's window appears" wiz_start "$SETUP"
must "welcome page shown" wiz_expect_page 0 20
check "'Disinstalla Velto2005' enabled" wiz_is enabled Button 'Disinstalla Velto2005'
wiz_shot 6-01-benvenuto
wiz_click Button 'Disinstalla Velto2005'
uninstall_box() {
  gui_wait_window '^Velto2005$' 60 >/dev/null && wiz_probe Velto2005 &&
    LC_ALL=C wiz_state_grep -q '^control|Static|Velto .* stato disinstallato|'
}
check "the box says 'Velto è stato disinstallato'" uninstall_box
must "'Disinstalla Velto2005' ends with the box 'Velto è stato disinstallato'" \
  wiz_answer_box '^Velto2005$' 6-02-disinstallato 60
must "still on the welcome page" wiz_expect_page 0 10
bar_at_ten() { wiz_state_grep -q '^control|msctls_progress32|.*|position=10$'; }
check "the welcome page's progress bar at 10" bar_at_ten
check "'&Avanti>>' enabled again" wiz_is enabled Button '&Avanti>>'
wiz_shot 6-03-dopo-disinstallazione
wiz_keys alt+c
check_exit "'&Chiudi' closes the installer with code 0" 20

printf '\n-- what the uninstallation left\n'
check "the destination folder is gone" test ! -e "$dest"
shell_find_links
check "desktop link gone" test -z "$DESKTOP_LINK"
check "start-menu link and its group folder gone" test -z "$START_MENU_LINK"
check "program-group link gone" test -z "$PROGRAMS_LINK"
group_dirs=$(find -L "$VELTO_WINE_DIR/prefix/drive_c/users" -type d -name Velto2003 2>/dev/null | wc -l)
check "no Velto2003 group folder left ($group_dirs)" test "$group_dirs" -eq 0
for key in "${SHELL_KEYS[@]}"; do
  check "browser key gone: $key" key_missing "$key"
done
for row in "${SHELL_VALUES[@]}"; do
  IFS='|' read -r key name data <<<"$row"
  check "value gone: $key ${name:-(default)}" value_missing "$key" "$name"
done
check "the installer record HKLM\\SOFTWARE\\BROVIK\\Agent is gone" key_missing 'HKLM\SOFTWARE\BROVIK\Agent'
check "HKLM\\SOFTWARE\\BROVIK remains" shell_key_exists 'HKLM\SOFTWARE\BROVIK'
