#!/usr/bin/env bash
# Runs a Windows test program under Wine in a network namespace of its own
# (only a loopback interface, nothing of the machine's own configuration is
# changed), where the own host name resolves only to 127.0.0.1. Uses a Wine
# prefix of its own, so that its wineserver never shares one with the other
# tests. Exit code 77 (skipped) when user and network namespaces are not
# available to this user.
#   run_offline.sh WINE-RUN PROGRAM.exe [ARG...]
set -euo pipefail
if ! unshare -r -n true 2>/dev/null; then
  echo "no unprivileged network namespace here: skipped"
  exit 77
fi
export WINEPREFIX_OVERRIDE="${VELTO_WINE_DIR:?}/offline-prefix"
export VELTO_EXPECT_OFFLINE=1
exec unshare -r -n "$@"
