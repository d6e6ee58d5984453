# The mail and the connection of a Wine prefix for the installer's GUI runs:
# the tests' stand-in MAPI32.DLL (it records every MAPISendMail call) in the
# prefix's system folder, a second copy planted beside the installer (it must
# never be loaded), Simple MAPI switched on, and the record read back.
# Sourced after scripts/lib/gui.sh by scripts/demo and scripts/test-e2e.
#
# mail_prepare_prefix BIN64 SETUP: call after gui_prepare_prefix. Exports
# VELTO_MAPI_RECORD (the record file, as a Windows path) and
# WINEDLLOVERRIDES (Wine's own mapi32 would otherwise be preferred), and sets
# MAIL_RECORD to the record file's host path.
#
# The connection detector is left to Wine's own Winsock, which resolves the
# own host name to the addresses of the machine's network interfaces.

mail_prepare_prefix() {
  local bin64=$1 setup=$2
  local system32="$VELTO_WINE_DIR/prefix/drive_c/windows/system32"
  cp "$bin64/velto_test_mapi32.dll" "$system32/mapi32.dll"
  cp "$bin64/MAPI32.dll" "$(dirname "$setup")/MAPI32.DLL"
  MAIL_RECORD="$VELTO_WINE_DIR/mapi_record.txt"
  rm -f "$MAIL_RECORD"
  export VELTO_MAPI_RECORD="Z:${MAIL_RECORD//\//\\}"
  export WINEDLLOVERRIDES="mapi32=n${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
  local wr="$gui_root/scripts/wine-run"
  "$wr" reg add 'HKLM\SOFTWARE\Microsoft\Windows Messaging Subsystem' /v MAPI /t REG_SZ /d 1 /f >/dev/null 2>&1
}

# The number of mails recorded so far.
mail_count() {
  [ -f "$MAIL_RECORD" ] || { echo 0; return; }
  grep -c '^mail ' "$MAIL_RECORD" || true
}

# Prints field $1 (tag, session, parent, flags, reserved, subject, note,
# originator-name, recipient-names) of
# mail number $2 (from 1) of the record; texts as their exact bytes.
mail_field() {
  python3 - "$MAIL_RECORD" "$1" "$2" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
want, index = sys.argv[2], int(sys.argv[3])
pos = 0
def word():
    global pos
    end = min(i for i in (data.find(b' ', pos), data.find(b'\n', pos)) if i >= 0)
    w = data[pos:end]; pos = end + 1; return w
def text():
    global pos
    if data.startswith(b'null', pos):
        pos += 5; return None
    colon = data.index(b':', pos); n = int(data[pos:colon])
    t = data[colon + 1:colon + 1 + n]; pos = colon + 2 + n; return t
mails = []
while pos < len(data):
    m = {}
    word(); m['tag'] = word()
    for _ in range(4):
        key = word().decode(); m[key] = word()
    word(); m['subject'] = text()
    word(); m['note'] = text()
    word(); word(); m['originator-name'] = text(); text()
    word(); names = []
    for _ in range(int(word())):
        word(); word(); names.append(text()); text()
    m['recipient-names'] = b'\n'.join(names)
    word()
    for _ in range(int(word())):
        word(); word(); text(); text()
    word()
    mails.append(m)
sys.stdout.buffer.write(mails[index - 1][want] or b'')
PY
}
