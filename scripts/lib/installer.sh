# Building the demo installer: the host tools, the win64 installer stub, the
# demo program and the window probe, then the demo payload packed into a
# finished installer with velto-arc. Sourced by scripts/demo and
# scripts/test-e2e.
#
# make_demo_installer OUT [TARGET...]: builds everything (and the further
# win64 TARGETs) and leaves in OUT
#   payload/        the seven files as they must come out of the installer
#   velto-payload.arc  the archive (title "2005 1.0.0.0", stored under
#                   c:\release\velto\, so the flat extraction is visible)
#   velto-setup.exe the finished installer
# and sets SETUP, PROBE and PAYLOAD to those paths. Quiet on success; the
# build logs are in OUT/build-*.log.

installer_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
DEMO_TITLE='2005 1.0.0.0'
DEMO_FILES=(velto.exe velto.hlp velto.dat motori.dat search.ico velto.ini motori.ini)

installer_log() { printf '[installer] %s\n' "$*" >&2; }

installer_build() {
  local preset=$1 out=$2
  shift 2
  installer_log "building $* ($preset)"
  if ! { cmake --preset "$preset" && cmake --build --preset "$preset" -j 2 --target "$@"; } >"$out/build-$preset.log" 2>&1; then
    tail -n 40 "$out/build-$preset.log" >&2
    installer_log "build failed: see $out/build-$preset.log"
    return 1
  fi
}

make_demo_installer() {
  local out=$1
  shift
  mkdir -p "$out"
  out=$(cd "$out" && pwd)
  (
    cd "$installer_root"
    installer_build host "$out" velto-arc
    installer_build win64 "$out" velto-setup-stub velto-demo velto-window-probe "$@"
  ) || return 1
  local bin64="$installer_root/build/win64/bin"
  rm -rf "$out/payload"
  mkdir -p "$out/payload"
  cp "$bin64/velto-demo.exe" "$out/payload/velto.exe"
  cp "$installer_root/app/win32/art/velto.ico" "$out/payload/search.ico"
  local f
  for f in velto.hlp velto.dat motori.dat velto.ini motori.ini; do
    cp "$installer_root/demo/payload/$f" "$out/payload/$f"
  done
  local specs=()
  for f in "${DEMO_FILES[@]}"; do
    specs+=("$out/payload/$f=c:\\release\\velto\\$f")
  done
  rm -f "$out/velto-payload.arc" "$out/velto-setup.exe"
  SOURCE_DATE_EPOCH=1104537600 "$installer_root/build/host/bin/velto-arc" create "$out/velto-payload.arc" \
    -t "$DEMO_TITLE" -l max -q "${specs[@]}"
  "$installer_root/build/host/bin/velto-arc" installer --stub "$bin64/velto-setup-stub.exe" \
    -o "$out/velto-setup.exe" "$out/velto-payload.arc"
  SETUP="$out/velto-setup.exe"
  PROBE="$bin64/velto-window-probe.exe"
  PAYLOAD="$out/payload"
  installer_log "installer $SETUP ($(stat -c %s "$SETUP") bytes: stub $(stat -c %s "$bin64/velto-setup-stub.exe"), archive $(stat -c %s "$out/velto-payload.arc"))"
}
