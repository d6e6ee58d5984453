# An installer with two bytes of velto.hlp flipped: "Installa" shows the
# damaged-installer box, the wizard stays on the install page, and nothing
# is written, started or recorded.
# Sourced by scripts/test-e2e.
printf '\n-- a damaged installer installs nothing\n'
# Two bytes flipped in the middle of velto.hlp's first block, as a damaged
# download would have them.
damaged_setup="$out/velto-setup-damaged.exe"
python3 - "$SETUP" "$damaged_setup" <<'PY'
import struct, sys
b = bytearray(open(sys.argv[1], 'rb').read())
name = b'c:\\release\\velto\\velto.hlp'
at = b.rindex(name) + len(name) + 4 + 4  # name, date/time, data signature
mid = at + 4 + abs(struct.unpack_from('<i', b, at)[0]) // 2
b[mid] ^= 0xFF
b[mid + 1] ^= 0xFF
open(sys.argv[2], 'wb').write(b)
PY
check "velto-arc test finds the damage" bash -c '! "$1" test -q "$2" 2>/dev/null' _ build/host/bin/velto-arc "$damaged_setup"
record_before=$(scripts/wine-run reg query 'HKLM\SOFTWARE\BROVIK\Agent' 2>/dev/null | tr -d '\r' || true)
rm -f "$regserver_log"
must "the damaged installer appears" wiz_start "$damaged_setup"
must "welcome page shown" wiz_expect_page 0 20
wiz_keys alt+a
must "Alt+A: the card" wiz_expect_page 1
wiz_keys alt+a
must "Alt+A: the destination page" wiz_expect_page 2
must "C:\\danneggiato typed into the chooser" choose_folder 'c:\danneggiato'
must "'Installa' pressed" install_from_destination
damaged_box_text=
damaged_box() {
  local box
  box=$(gui_wait_window '^Velto2005$' 60) || return 1
  sleep 0.5
  wiz_probe Velto2005 || return 1
  damaged_box_text=$(printf '%s\n' "$wiz_state" | awk -F'|' '$1 == "control" && $2 == "Static" && $3 != "" { print $3 }' |
    iconv -f CP1252 -t UTF-8)
  import -window root "$WIZ_SHOTS/3-04-installatore-danneggiato.png"
  xdotool windowfocus "$box" 2>/dev/null || true
  sleep 0.2
  xdotool key Return
  gui_wait_window_gone '^Velto2005$' 10
}
must "'Installa' shows a message box" damaged_box
check "the box says '$damaged_box_text'" test "$damaged_box_text" = \
  'Il programma di installazione è danneggiato: impossibile leggere i file da installare.'
must "the wizard stays on the install page" wiz_expect_page 5
check "nothing was written (no C:\\danneggiato)" test ! -e "$drive_c/danneggiato"
check "no registration command was started" test ! -e "$regserver_log"
wiz_keys alt+i
must "Alt+I on the install page: the licence" wiz_expect_page 3
wiz_click Button NO
check_exit "'NO' closes the damaged installer with code 0" 20
check "the record is untouched" \
  test "$(scripts/wine-run reg query 'HKLM\SOFTWARE\BROVIK\Agent' 2>/dev/null | tr -d '\r' || true)" = "$record_before"
