# A cut installer says at start-up that it is damaged, and no wizard appears.
# Sourced by scripts/test-e2e.
printf '\n-- a cut installer says so at start-up\n'
head -c -4000 "$SETUP" >"$out/velto-setup-cut.exe"
gui_run "$out/velto-setup-cut.exe"
must "the cut installer shows a message box" read_and_answer_box 3-05-installatore-tagliato
check "the box says '$box_text'" test "$box_text" = \
  'Il programma di installazione è danneggiato: impossibile leggere i file da installare.'
check_exit "then the program ends with code 0" 20
no_wizard_window() { ! xdotool search --name "^$WIZ_TITLE" >/dev/null 2>&1; }
check "no wizard window appeared" no_wizard_window
