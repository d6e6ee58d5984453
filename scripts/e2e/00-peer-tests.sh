# The Win32 peer's own tests against real windows (they need a display).
# Sourced by scripts/test-e2e.
printf '\n-- the Win32 peer against real windows\n'
peer_log="$PWD/$out/win32_peer_test.log"
if VELTO_REQUIRE_DISPLAY=1 timeout 120 scripts/wine-run build/win64/bin/win32_peer_test.exe >"$peer_log" 2>&1; then
  check "win32_peer_test: $(grep -Eo '\[  PASSED  \] [0-9]+ tests' "$peer_log" | head -n 1)" true
else
  tail -n 30 "$peer_log"
  check "win32_peer_test (see $peer_log)" false
fi
