# The demo installer walked from the welcome page to "Installa", with the
# card filled in; the success box answered. Then the card's mail, the seven
# files in C:\programmi\brovik\agent (the payload's bytes), the exit code 0
# and the installer record HKLM\SOFTWARE\BROVIK\Agent with its ten values.
# Sourced by scripts/test-e2e.
printf '\n-- first run: install\n'
must "the installer's window appears" wiz_start "$SETUP"
caption=$(xdotool getwindowname "$wiz_window")
check "caption is 'Installazione di Velto2005 Vers.2005 1.0.0.0' (got '$caption')" \
  test "$caption" = 'Installazione di Velto2005 Vers.2005 1.0.0.0'
must "welcome page shown" wiz_expect_page 0 20
wiz_shot 1-01-benvenuto
window_line=$(wiz_state_awk -F'|' '$1 == "window" { print; exit }')
client=$(printf '%s' "$window_line" | awk -F'|' '{ print $3 }')
check "client area is 592x464 (got $client)" test "$client" = 592x464
style=$(printf '%s' "$window_line" | awk -F'|' '{ sub("style=", "", $5); print $5 }')
fixed_dialog_frame() {
  # A caption with a close box (WS_CAPTION, WS_SYSMENU); no sizing border
  # (WS_THICKFRAME), no minimise or maximise box.
  (( (style & 0xC00000) == 0xC00000 && (style & 0x80000) && !(style & 0x40000) && !(style & 0x30000) ))
}
check "fixed dialog frame with a close box, no minimise/maximise (style $style)" fixed_dialog_frame
centred() {
  local origin screen ox oy sw sh
  origin=$(printf '%s' "$window_line" | awk -F'|' '{ sub("client=", "", $4); print $4 }')
  screen=$(printf '%s' "$window_line" | awk -F'|' '{ sub("screen=", "", $6); print $6 }')
  ox=${origin%,*}; oy=${origin#*,}; sw=${screen%x*}; sh=${screen#*x}
  # The frame is centred: the client area is off centre by at most half the
  # caption's height.
  local dx=$((ox + 296 - sw / 2)) dy=$((oy + 232 - sh / 2))
  (( dx >= -4 && dx <= 4 && dy >= -4 && dy <= 16 ))
}
check "centred on the screen" centred
check "no record yet: 'Disinstalla Velto2005' shown but disabled" uninstall_disabled
status_online() {
  local i
  for i in $(seq 1 20); do
    wiz_probe && wiz_state_grep -q '^control|msctls_statusbar32|Connessione attiva|' && return 0
    sleep 0.5
  done
  return 1
}
check "the status bar shows 'Connessione attiva' within 10 s (read from the control)" status_online

wiz_keys alt+a
must "Alt+A on the welcome page: the card" wiz_expect_page 1
wiz_keys alt+i
must "Alt+I on the card: back to the welcome page" wiz_expect_page 0
wiz_keys alt+a
must "Alt+A again: the card" wiz_expect_page 1
# The first field by a click, the others by Tab: the tab order runs down the card.
wiz_type_into 1 'Rossi'
for text in 'Mario' 'Via Roma 1' 'Milano' 'MI' '34' '3331234567'; do
  xdotool key Tab
  sleep 0.1
  xdotool type --delay 40 "$text"
done
wiz_click Button Maschio
wiz_probe
check "typed texts are in the fields, in tab order" test "$(card_texts)" = 'Rossi|Mario|Via Roma 1|Milano|MI|34|3331234567|'
check "'Maschio' checked by its click" wiz_is checked Button Maschio
check "'Accetto' checked from the start" wiz_is checked Button Accetto
wiz_shot 1-02-scheda

wiz_keys alt+a
must "Alt+A on the card: the destination page" wiz_expect_page 2
wiz_shot 1-03-destinazione

printf '\n-- the statistics card mail\n'
check "exactly one mail recorded (got $(mail_count))" test "$(mail_count)" -eq 1
check "it came from the system folder's MAPI32.DLL, not the planted one" test "$(mail_field tag 1)" = system
check "handed the wizard's window as parent, flags 0" test "$(mail_field parent 1) $(mail_field flags 1)" = 'set 0'
check "subject 'Scheda statistica velto'" test "$(mail_field subject 1)" = 'Scheda statistica velto'
check "originator name 'Rossi Mario'" test "$(mail_field originator-name 1)" = 'Rossi Mario'
check "one recipient, the statistics mailbox" test "$(mail_field recipient-names 1)" = 'statistiche@brovik.example'
card_head=$(printf '<Cognome>Rossi</Cognome>\r\n<Nome>Mario</Nome>\r\n<Indirizzo>Via Roma 1</Indirizzo>\r\n<Citta>Milano</Citta>\r\n<Prov>MI</Prov>\r\n<Eta>34</Eta>\r\n<Cellulare>3331234567</Cellulare>\r\n<Maschio>TRUE</Maschio>\r\n<VERSIONE>2005 1.0.0.0</VERSIONE>\r\nAccetto quanto segue:\r\nInformativa' | od -An -tx1 | tr -d ' \n')
body_hex=$(mail_field note 1 | od -An -tx1 | tr -d ' \n')
check "the body's lines, byte for byte, then the privacy notice" test "${body_hex:0:${#card_head}}" = "$card_head"
wiz_click Button Cambia
chooser_opens() { gui_wait_window '^Seleziona percorso$' 10 >/dev/null; }
must "'Cambia' opens the folder chooser" chooser_opens
wiz_probe 'Seleziona percorso'
check "the chooser's path field holds the destination" \
  test "$(wiz_state_awk -F'|' '$1 == "control" && tolower($2) == "edit" { print $3; exit }')" = 'c:\programmi\brovik\agent'
wiz_shot 1-04-scelta-cartella 'Seleziona percorso'
wiz_click Button Annulla 'Seleziona percorso'
must "'Annulla' closes the chooser" gui_wait_window_gone '^Seleziona percorso$' 10
must "back on the destination page" wiz_expect_page 2

wiz_keys alt+a
must "Alt+A on the destination page: the licence" wiz_expect_page 3
wiz_shot 1-05-licenza
wiz_click Button Si
must "'Si': the information page" wiz_expect_page 4
wiz_shot 1-06-informazioni
wiz_click Button 'Avanti >>'
must "'Avanti >>': the install page" wiz_expect_page 5
wiz_probe
no_visible_bar() { ! wiz_state_grep -q '^control|msctls_progress32|.*|visible=1|'; }
check "the install page's progress bar is hidden before 'Installa'" no_visible_bar
wiz_shot 1-07-installazione
wiz_click Button Installa
bar_full() {
  gui_wait_window '^Installazione conclusa con successo$' 60 >/dev/null &&
    wiz_probe && wiz_state_grep -q '^control|msctls_progress32|.*|visible=1|.*|position=100$'
}
check "the progress bar is shown and at 100 when the success box comes" bar_full
must "'Installa' ends with the success box" \
  wiz_answer_box '^Installazione conclusa con successo$' 1-08-installazione-conclusa 60
check_exit "the installer exits with code 0" 30

printf '\n-- the installed files\n'
dest="$VELTO_WINE_DIR/prefix/drive_c/programmi/brovik/agent"
for f in "${DEMO_FILES[@]}"; do
  check "$f extracted flat into C:\\programmi\\brovik\\agent, same bytes" cmp -s "$PAYLOAD/$f" "$dest/$f"
done
check "nothing else in the destination folder" test "$(ls -A "$dest" | wc -l)" -eq "${#DEMO_FILES[@]}"
check "the stored folders were dropped (no C:\\release)" test ! -e "$VELTO_WINE_DIR/prefix/drive_c/release"

printf '\n-- the installer record\n'
record=$(scripts/wine-run reg query 'HKLM\SOFTWARE\BROVIK\Agent' 2>/dev/null | tr -d '\r' || true)
printf '%s\n' "$record" | sed '/^$/d'
check "ten values, all REG_SZ" test "$(printf '%s\n' "$record" | grep -c 'REG_SZ')" -eq 10
check "RootDir = c:\\programmi\\brovik\\agent\\velto.exe" test "$(value RootDir)" = 'c:\programmi\brovik\agent\velto.exe'
check "version = 2005 1.0.0.0" test "$(value version)" = '2005 1.0.0.0'
check "Cognome = Rossi" test "$(value Cognome)" = 'Rossi'
check "Nome = Mario" test "$(value Nome)" = 'Mario'
check "Indirizzo = Via Roma 1" test "$(value Indirizzo)" = 'Via Roma 1'
check "Citta = Milano" test "$(value Citta)" = 'Milano'
check "Prov = MI" test "$(value Prov)" = 'MI'
check "Eta = 34" test "$(value Eta)" = '34'
check "Tel = 3331234567" test "$(value Tel)" = '3331234567'
check "Maschio = True" test "$(value Maschio)" = 'True'
