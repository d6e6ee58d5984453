# The run after finds nothing to uninstall and installs again; the next one
# uninstalls and then installs in the same window, which leaves a record;
# meanwhile a second installer is refused with its box.
# Sourced by scripts/test-e2e.
# From the welcome page, declining the card: "Installa" into the folder
# offered, the success box, the exit with code 0.
install_declining_card() {
  wiz_keys alt+a
  wiz_expect_page 1 || return 1
  wiz_click Button 'non accetto'
  wiz_keys alt+a
  wiz_expect_page 2 && install_from_destination || return 1
  wiz_answer_box '^Installazione conclusa con successo$' '' 60 && wiz_wait_exit 30
}
printf '\n-- the run after: nothing to uninstall; it installs again\n'
must "the installer's window appears" wiz_start "$SETUP"
must "welcome page shown" wiz_expect_page 0 20
check "no record: 'Disinstalla Velto2005' disabled" uninstall_disabled
wiz_shot 7-01-benvenuto
must "it installs and exits with code 0" install_declining_card

printf '\n-- uninstall, then install in the same window; a second installer meanwhile\n'
must "the installer's window appears" wiz_start "$SETUP"
must "welcome page shown" wiz_expect_page 0 20
first_window=$wiz_window
scripts/wine-run "$SETUP" >>"$VELTO_WINE_DIR/wine.log" 2>&1 &
second_pid=$!
must "the second installer shows a message box" read_and_answer_box 8-01-installazione-gia-in-corso
check "the box says '$box_text'" test "$box_text" = \
  "L'installazione di Velto2005 è già in corso. Attendere che sia terminata prima di avviarla di nuovo."
second_rc=0
timeout 20 tail --pid="$second_pid" -f /dev/null && wait "$second_pid" || second_rc=$?
check "the second installer ends with code 0 (got $second_rc)" test "$second_rc" = 0
check "the first one's wizard is still there" xdotool getwindowname "$first_window"
wiz_click Button 'Disinstalla Velto2005'
must "'Disinstalla Velto2005' ends with its box" wiz_answer_box '^Velto2005$' '' 60
check "the record is gone" key_missing 'HKLM\SOFTWARE\BROVIK\Agent'
must "then it installs in the same window and exits with code 0" install_declining_card
record=$(scripts/wine-run reg query 'HKLM\SOFTWARE\BROVIK\Agent' 2>/dev/null | tr -d '\r' || true)
check "the install after the uninstallation wrote the record (RootDir '$(value RootDir)')" \
  test "$(value RootDir)" = 'c:\programmi\brovik\agent\velto.exe'
