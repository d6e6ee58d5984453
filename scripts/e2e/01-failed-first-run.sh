# In the fresh prefix, a first run into Q:\x (no such drive) fails and
# leaves no link, registry row or record.
# Sourced by scripts/test-e2e.
printf '\n-- a failed first run in the fresh prefix leaves nothing\n'
fresh=$(traces)
must "a run into Q:\\x fails with its box and the wizard closes" failed_run_into_q 0-01-errore-q-prima-installazione
check "no link, registry row or record was left" test "$(traces)" = "$fresh"
shell_find_links
check "no desktop or start-menu link" test -z "$DESKTOP_LINK$START_MENU_LINK$PROGRAMS_LINK"
check "no record, no browser button key, no App Paths entry" \
  bash -c '! grep -q REG_SZ <<<"$1"' _ "$fresh"
