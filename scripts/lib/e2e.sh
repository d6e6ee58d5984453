# The shared steps of the end-to-end scenarios (scripts/e2e/*.sh): the
# counting checks and the wizard runs, lookups and comparisons more than one
# scenario uses. Sourced by scripts/test-e2e after scripts/lib/gui.sh,
# wizard.sh, shell_entries.sh and mail.sh; the scenarios run in one shell,
# in order, in one Wine prefix, and each starts from what the ones before it
# left.

passed=0
failed=0
# Counts and prints the outcome of a check: status $1, description $2,
# and $3 after it on a failure.
tally() {
  if [ "$1" -eq 0 ]; then
    passed=$((passed + 1))
    printf 'ok    %s\n' "$2"
  else
    failed=$((failed + 1))
    printf 'FAIL  %s%s\n' "$2" "$3"
  fi
}
check() {  # check DESCRIPTION COMMAND...
  local what=$1 rc=0
  shift
  "$@" || rc=$?
  tally "$rc" "$what" ''
}
finish() {
  printf '\n%d passed, %d failed\n' "$passed" "$failed"
  [ "$failed" -eq 0 ]
  exit $?
}
# A step the rest depends on: on failure, count it and stop.
must() {
  local what=$1 rc=0
  shift
  "$@" || rc=$?
  tally "$rc" "$what" ' (the test stops here)'
  [ "$rc" -eq 0 ] || finish
}
# Waits at most $2 seconds for the installer to end and checks that it
# ended with code 0; $1 describes how it was ended.
check_exit() {
  local rc=0
  wiz_wait_exit "$2" || rc=$?
  check "$1 (got $rc)" test "$rc" -eq 0
}

# Types $1 into the folder chooser's path field and confirms it.
choose_folder() {
  wiz_click Button Cambia
  gui_wait_window '^Seleziona percorso$' 10 >/dev/null || return 1
  wiz_probe 'Seleziona percorso' || return 1
  local line rect origin rx ry rw rh
  line=$(wiz_state_awk -F'|' '$1 == "control" && tolower($2) == "edit" { print; exit }')
  rect=$(printf '%s' "$line" | awk -F'|' '{ print substr($7, 6) }')
  origin=$(wiz_state_awk -F'|' '$1 == "window" { sub("client=", "", $4); print $4; exit }')
  IFS=, read -r rx ry rw rh <<<"$rect"
  xdotool mousemove "$((${origin%,*} + rx + rw / 2))" "$((${origin#*,} + ry + rh / 2))" click 1
  sleep 0.2
  xdotool key End shift+Home Delete
  xdotool type --delay 10 "$1"
  # The field must hold exactly the folder wanted before it is confirmed.
  wiz_probe 'Seleziona percorso' || return 1
  local typed
  typed=$(wiz_state_awk -F'|' '$1 == "control" && tolower($2) == "edit" { print $3; exit }')
  [ "$typed" = "$1" ] || wiz_fail "the chooser's field holds '$typed', not '$1'" || return 1
  wiz_click Button Conferma 'Seleziona percorso'
  gui_wait_window_gone '^Seleziona percorso$' 10
}
# From the destination page to "Installa", pressed.
install_from_destination() {
  wiz_keys alt+a
  wiz_expect_page 3 || return 1
  wiz_click Button Si
  wiz_expect_page 4 || return 1
  wiz_click Button 'Avanti >>'
  wiz_expect_page 5 || return 1
  wiz_click Button Installa
}
key_missing() { ! shell_key_exists "$1"; }
value_missing() { ! shell_reg_value "$1" "$2" >/dev/null; }
# Everything an install run writes besides its files: the shell entries'
# keys and the record, as reg.exe lists them, and the three link files'
# bytes. Equal texts mean nothing was changed.
traces() {
  local key link
  for key in "${SHELL_KEYS[@]}" "$shell_find" "$shell_app" "HKLM\\CLSID\\$SHELL_CLASS" "HKCR\\CLSID\\$SHELL_CLASS" \
    'HKLM\SOFTWARE\BROVIK\Agent'; do
    printf '== %s\n' "$key"
    scripts/wine-run reg query "$key" /s 2>/dev/null | tr -d '\r' || true
  done
  shell_find_links
  for link in "$DESKTOP_LINK" "$START_MENU_LINK" "$PROGRAMS_LINK"; do
    printf 'link %s %s\n' "$link" "$([ -z "$link" ] || md5sum <"$link")"
  done
}
# A run of $SETUP that declines the card (no mail), chooses Q:\x and fails
# there with the archive component's box (screenshot $1); then "NO" closes
# the wizard.
failed_run_into_q() {
  wiz_start "$SETUP" && wiz_expect_page 0 20 || return 1
  wiz_keys alt+a
  wiz_expect_page 1 || return 1
  wiz_click Button 'non accetto'
  wiz_keys alt+a
  wiz_expect_page 2 && choose_folder 'Q:\x' && install_from_destination || return 1
  wiz_answer_box '^Error$' "$1" 60 || return 1
  wiz_expect_page 5 || return 1
  wiz_keys alt+i
  wiz_expect_page 3 || return 1
  wiz_click Button NO
  local rc=0
  wiz_wait_exit 20 || rc=$?
  [ "$rc" -eq 0 ]
}
# The welcome page without a record: the uninstall button shown, disabled.
uninstall_disabled() { wiz_is visible Button 'Disinstalla Velto2005' && ! wiz_is enabled Button 'Disinstalla Velto2005'; }
# The texts of the card's seven fields, in tab order, each followed by |.
card_texts() { for i in 1 2 3 4 5 6 7; do printf '%s|' "$(wiz_nth_text $i)"; done; }
# The REG_SZ value $1 of the record as last read into $record.
value() { printf '%s\n' "$record" | awk -v n="$1" '$1 == n && $2 == "REG_SZ" { sub(/^[ \t]*[^ \t]+[ \t]+REG_SZ[ \t]*/, ""); print; exit }'; }
# Whether the registry value $1 $2 holds $3.
value_is() { [ "$(shell_reg_value "$1" "$2")" = "$3" ]; }
# Reads the text of the message box "Velto2005" into box_text, then answers
# it (screenshot $1).
box_text=
read_and_answer_box() {
  gui_wait_window '^Velto2005$' 60 >/dev/null || return 1
  sleep 0.5
  wiz_probe Velto2005 || return 1
  box_text=$(wiz_state_awk -F'|' '$1 == "control" && $2 == "Static" && $3 != "" { print $3 }' | iconv -f CP1252 -t UTF-8)
  wiz_answer_box '^Velto2005$' "$1" 10
}
