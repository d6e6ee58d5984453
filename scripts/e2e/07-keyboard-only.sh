# Keys, no mouse: the first focus of every page is its forward button or
# first field, Tab leaves the licence box, Enter alone installs into the
# folder the record names.
# Sourced by scripts/test-e2e.
printf '\n-- keyboard only: Enter alone installs into the folder of the record\n'
focused() { wiz_state_awk -F'|' '$1 == "focus" { print $2 "|" $3; exit }'; }
focus_on() { [ "$(focused)" = "$1" ]; }
rm -f "$drive_c/buona/velto.hlp" "$regserver_log"
must "the installer's window appears" wiz_start "$SETUP"
must "welcome page shown" wiz_expect_page 0 20
check "first focus: '&Avanti>>' (got '$(focused)')" focus_on 'Button|&Avanti>>'
wiz_shot 4-01-benvenuto-tastiera
wiz_keys Return
must "Enter: the card" wiz_expect_page 1
check "first focus: the first field, pre-filled (got '$(focused)')" focus_on 'Edit|Rossi'
wiz_keys Return
must "Enter in a field: the destination page" wiz_expect_page 2
check "first focus: '&Avanti>>' (got '$(focused)')" focus_on 'Button|&Avanti>>'
wiz_shot 4-02-destinazione-tastiera
wiz_keys Return
must "Enter: the licence" wiz_expect_page 3
check "first focus: 'Si', not the licence box (got '$(focused)')" focus_on 'Button|Si'
wiz_keys shift+Tab
wiz_probe
check "Shift+Tab from 'Si' reaches the licence box (got '$(focused | cut -c1-20)')" \
  bash -c '[[ $1 == Edit\|* ]]' _ "$(focused)"
licence_before=$(focused)
wiz_keys Tab
wiz_probe
check "Tab leaves the licence box for 'Si' (got '$(focused)')" focus_on 'Button|Si'
wiz_keys shift+Tab shift+Tab
wiz_probe
check "Shift+Tab leaves the licence box for 'NO' (got '$(focused)')" focus_on 'Button|NO'
wiz_keys Tab
wiz_probe
check "the licence box is unchanged by the keys" test "$(focused)" = "$licence_before"
wiz_keys Tab
wiz_shot 4-03-licenza-tastiera
wiz_keys Return
must "Enter on 'Si': the information page" wiz_expect_page 4
check "first focus: 'Avanti >>' (got '$(focused)')" focus_on 'Button|Avanti >>'
wiz_keys Return
must "Enter: the install page" wiz_expect_page 5
check "first focus: 'Installa' (got '$(focused)')" focus_on 'Button|Installa'
wiz_shot 4-04-installazione-tastiera
wiz_keys Return
must "Enter on 'Installa' ends with the success box" \
  wiz_answer_box '^Installazione conclusa con successo$' 4-05-installazione-conclusa-tastiera 60
check_exit "the installer exits with code 0" 30
check "installed into the record's folder C:\\buona (velto.hlp is back)" \
  cmp -s "$PAYLOAD/velto.hlp" "$drive_c/buona/velto.hlp"
record=$(scripts/wine-run reg query 'HKLM\SOFTWARE\BROVIK\Agent' 2>/dev/null | tr -d '\r' || true)
check "RootDir still c:\\buona\\velto.exe (got '$(value RootDir)')" test "$(value RootDir)" = 'c:\buona\velto.exe'
