# A second run: the card comes up pre-filled from the record and
# "Disinstalla Velto2005" is enabled; "&Chiudi" (Alt+C) closes it without
# touching the record.
# Sourced by scripts/test-e2e.
printf '\n-- second run: the record is read back\n'
must "the installer's window appears again" wiz_start "$SETUP"
must "welcome page shown" wiz_expect_page 0 20
check "'Disinstalla Velto2005' enabled" wiz_is enabled Button 'Disinstalla Velto2005'
wiz_shot 2-01-benvenuto
wiz_keys alt+a
must "Alt+A: the card" wiz_expect_page 1
check "card pre-filled: Cognome, Nome, Indirizzo, Città, Prov., Età, Tel" \
  test "$(card_texts)" = 'Rossi|Mario|Via Roma 1|Milano|MI|34|3331234567|'
check "'Maschio' checked from the record" wiz_is checked Button Maschio
wiz_shot 2-02-scheda
wiz_keys alt+i
must "Alt+I: the welcome page" wiz_expect_page 0
wiz_keys alt+c
check_exit "'&Chiudi' (Alt+C) closes the installer with code 0" 20
check "the record is untouched by a close without install" \
  test "$(scripts/wine-run reg query 'HKLM\SOFTWARE\BROVIK\Agent' 2>/dev/null | tr -d '\r')" = "$record"
check "still exactly one mail after both runs (got $(mail_count))" test "$(mail_count)" -eq 1
