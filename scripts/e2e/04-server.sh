# An installer whose payload also holds a server: a run into a folder too
# deep for the file system fails and leaves nothing behind, a second run
# into C:\buona succeeds; one registration command is started, from
# C:\buona, and the record points there.
# Sourced by scripts/test-e2e.
printf '\n-- an installer with a server: a failed run, then a good one\n'
# The demo payload plus TideHub.exe, a program that logs how it was started.
server_payload="$PWD/$out/payload-server"
rm -rf "$server_payload"
cp -r "$PAYLOAD" "$server_payload"
cp build/win64/bin/velto-regserver-probe.exe "$server_payload/TideHub.exe"
server_specs=()
for f in "${DEMO_FILES[@]}" TideHub.exe; do server_specs+=("$server_payload/$f=c:\\release\\velto\\$f"); done
rm -f "$out/server.arc" "$out/velto-setup-server.exe"
build/host/bin/velto-arc create "$out/server.arc" -t "$DEMO_TITLE" -l max -q "${server_specs[@]}"
build/host/bin/velto-arc installer --stub build/win64/bin/velto-setup-stub.exe -o "$out/velto-setup-server.exe" \
  "$out/server.arc" >/dev/null
rm -f "$regserver_log"
# 249 characters: velto.exe (9) still fits under the file system's 260,
# motori.dat (10) no longer does.
deep='c:\lungo'
while [ ${#deep} -lt 209 ]; do deep="$deep\\cartella-annidata-x"; done
deep="$deep\\$(printf '%*s' $((249 - ${#deep} - 1)) '' | tr ' ' 'y')"
gui_log "deep folder: ${#deep} characters"
must "the installer with a server appears" wiz_start "$out/velto-setup-server.exe"
must "welcome page shown" wiz_expect_page 0 20
wiz_keys alt+a
must "Alt+A: the card" wiz_expect_page 1
wiz_keys alt+a
must "Alt+A: the destination page" wiz_expect_page 2
must "the deep folder typed into the chooser" choose_folder "$deep"
must "'Installa' pressed for the deep folder" install_from_destination
error_box_up() { gui_wait_window '^Error$' 60 >/dev/null; }
must "the failed run's error box appears" error_box_up
# The box comes before the run is undone: what the run made is still there.
folders_made=$(find "$drive_c/lungo" -type d 2>/dev/null | wc -l)
files_made=$(find "$drive_c/lungo" -type f 2>/dev/null | wc -l)
check "while the error box is up, the failed run's $folders_made folders and $files_made files exist" \
  test "$folders_made" -gt 1 -a "$files_made" -gt 0
must "the failed run reports 'Cannot read file'" wiz_answer_box '^Error$' 3-01-errore-cartella-profonda 60
must "the wizard stays on the install page" wiz_expect_page 5
wiz_shot 3-02-dopo-il-fallimento
check "nothing of the failed run is left (no C:\\lungo)" test ! -e "$drive_c/lungo"
check "the progress bar is back at its start" \
  bash -c 'printf "%s\n" "$1" | grep -q "^control|msctls_progress32|.*|position=0$"' _ "$wiz_state"
wiz_keys alt+i
must "Alt+I on the install page: the licence" wiz_expect_page 3
wiz_keys alt+i
must "Alt+I on the licence: the destination page" wiz_expect_page 2
must "C:\\buona typed into the chooser" choose_folder 'c:\buona'
must "'Installa' pressed for C:\\buona" install_from_destination
must "the good run ends with the success box" \
  wiz_answer_box '^Installazione conclusa con successo$' 3-03-installazione-conclusa 60
check_exit "the installer exits with code 0" 30
for f in "${DEMO_FILES[@]}" TideHub.exe; do
  check "$f in C:\\buona, same bytes" cmp -s "$server_payload/$f" "$drive_c/buona/$f"
done
check "still nothing of the failed run (no C:\\lungo)" test ! -e "$drive_c/lungo"
regserver_started() {
  local i
  for i in $(seq 1 50); do [ -s "$regserver_log" ] && break; sleep 0.2; done
  sleep 1  # a second start, were there one, would have come by now
  [ "$(tr -d '\r' <"$regserver_log" | grep -c .)" -eq 1 ] &&
    tr -d '\r' <"$regserver_log" | grep -qi '^"c:\\buona\\TideHub.exe" /regserver$'
}
check "one registration command, from C:\\buona ($(tr -d '\r' <"$regserver_log" 2>/dev/null | tr '\n' ';'))" \
  regserver_started
record=$(scripts/wine-run reg query 'HKLM\SOFTWARE\BROVIK\Agent' 2>/dev/null | tr -d '\r' || true)
check "RootDir = c:\\buona\\velto.exe (got '$(value RootDir)')" test "$(value RootDir)" = 'c:\buona\velto.exe'
