# The desktop, start-menu and program-group links and the browser and
# Find-menu registry entries of the install.
# Sourced by scripts/test-e2e.
printf '\n-- the links and shell entries of the install\n'
# The runs above left the product in C:\buona, where the record points.
dest="$drive_c/buona"
shell_values_for 'c:\buona'
shell_find_links
check "desktop link Velto2003.lnk in Wine's desktop folder" test -n "$DESKTOP_LINK"
check "start-menu link Velto2003\\velto.exe.lnk" test -n "$START_MENU_LINK"
check "program-group link Programs\\Velto2003\\velto.exe.lnk" test -n "$PROGRAMS_LINK"
for key in "${SHELL_KEYS[@]}"; do
  check "browser key $key" shell_key_exists "$key"
done
for row in "${SHELL_VALUES[@]}"; do
  IFS='|' read -r key name data <<<"$row"
  check "$key ${name:-(default)} = $data" value_is "$key" "$name" "$data"
done
