# The installed product's links and registry entries in the Wine prefix of
# $VELTO_WINE_DIR, for scripts/test-e2e and scripts/demo. Needs gui.sh.
#
# shell_find_links: sets DESKTOP_LINK, START_MENU_LINK, PROGRAMS_LINK to the
#   host paths of the three links ("" for a link that is not there).
# SHELL_KEYS: the keys the uninstallation deletes (browser button, Tools
#   menu, the two context-menu entries); SHELL_VALUES: key|value|data rows of
#   the Find-menu, application-path and local-server entries, whose values
#   the uninstallation deletes and whose keys it leaves.
# shell_reg_value KEY NAME: the REG_SZ data of value NAME ("" = the default
#   value) of KEY as reg.exe prints it; fails when there is none.
# shell_start_link PATH: starts a link file through the shell (start.exe,
#   which opens it with ShellExecuteEx), as a double click would.

SHELL_CLASS='{6E2D1F47-8B33-11D3-A1C5-0050DA2C7E91}'
SHELL_KEYS=(
  "HKLM\\SOFTWARE\\MICROSOFT\\Internet Explorer\\Extensions\\$SHELL_CLASS"
  'HKLM\SOFTWARE\MICROSOFT\Internet Explorer\Extensions\{6E2D1F47-8B32-11D3-A1C5-0050DA2C7E91}'
  'HKCU\SOFTWARE\MICROSOFT\Internet Explorer\MenuExt\Ricerca utilizzando Velto'
  'HKU\.DEFAULT\SOFTWARE\MICROSOFT\Internet Explorer\MenuExt\Ricerca utilizzando Velto'
)
shell_find='HKLM\Software\Microsoft\Windows\CurrentVersion\explorer\FindExtensions\Static\velto.exe'
shell_app='HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\velto.exe'
# shell_values_for DIR: sets SHELL_VALUES for a product installed in DIR
# (a Windows folder without the final "\\").
shell_values_for() {
  local dir=$1
  SHELL_VALUES=(
    "$shell_find\\0\\DefaultIcon||$dir\\velto.exe,0"
    "$shell_find\\0||Cerca con velto"
    "$shell_find||$SHELL_CLASS"
    "$shell_app||$dir\\velto.exe"
    "$shell_app|Path|$dir\\"
    "HKLM\\CLSID\\$SHELL_CLASS\\LocalServer32|ThreadingModel|Both"
    "HKCR\\CLSID\\$SHELL_CLASS\\LocalServer32||$dir\\velto.exe"
  )
}
shell_values_for 'c:\programmi\brovik\agent'

shell_find_links() {
  local users="$VELTO_WINE_DIR/prefix/drive_c/users" found
  found=$(find -L "$users" -name '*.lnk' -path '*Velto2003*' 2>/dev/null || true)
  DESKTOP_LINK=$(printf '%s\n' "$found" | grep '/Desktop/Velto2003\.lnk$' | head -n 1 || true)
  START_MENU_LINK=$(printf '%s\n' "$found" | grep '/Start Menu/Velto2003/velto\.exe\.lnk$' | head -n 1 || true)
  PROGRAMS_LINK=$(printf '%s\n' "$found" | grep '/Programs/Velto2003/velto\.exe\.lnk$' | head -n 1 || true)
}

shell_reg_value() {
  local key=$1 name=$2 out
  if [ -z "$name" ]; then
    out=$("$gui_root/scripts/wine-run" reg query "$key" /ve 2>/dev/null | tr -d '\r') || return 1
  else
    out=$("$gui_root/scripts/wine-run" reg query "$key" /v "$name" 2>/dev/null | tr -d '\r') || return 1
  fi
  # reg.exe lists a default value that is not set as "(value not set)".
  printf '%s\n' "$out" | awk '$0 ~ /REG_SZ/ && $0 !~ /REG_SZ[ \t]+\(value not set\)$/ {
    sub(/^.*REG_SZ[ \t]*/, ""); print; found = 1; exit } END { exit !found }'
}

shell_key_exists() { "$gui_root/scripts/wine-run" reg query "$1" >/dev/null 2>&1; }

shell_start_link() {
  "$gui_root/scripts/wine-run" start /unix "$1" >>"$VELTO_WINE_DIR/wine.log" 2>&1
}
