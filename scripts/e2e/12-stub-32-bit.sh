# The shipped 32-bit installer stub: built, never run here.
# Sourced by scripts/test-e2e.
printf '\n-- the shipped 32-bit installer stub (built, never run here)\n'
if { cmake --preset win32 && cmake --build --preset win32 -j 2 --target velto-setup-stub-size; } >"$out/build-win32.log" 2>&1; then
  size_line=$(grep -o 'velto-setup-stub.exe (i686) stripped size: .*' "$out/build-win32.log" | tail -n 1 || true)
  printf '%s\n' "${size_line:-no size line printed}"
  stub32=build/win32/bin/velto-setup-stub.exe
  size32=$(stat -c %s "$stub32")
  check "i686 stub stripped size $size32 <= 400000 bytes" test "$size32" -le 400000
  check "the build printed the stripped size" test -n "$size_line"
  headers32=$(i686-w64-mingw32-objdump -p "$stub32" || true)
  gui32() { [[ $headers32 == *"file format pei-i386"* && $headers32 == *"(Windows GUI)"* ]]; }
  check "i686 stub is a 32-bit GUI program" gui32
  dlls=$(printf '%s\n' "$headers32" | awk '/DLL Name:/ { print toupper($3) }' | sort -u | tr '\n' ' ')
  system_dlls_only() {
    local d
    for d in $dlls; do
      case $d in ADVAPI32.DLL|COMCTL32.DLL|GDI32.DLL|KERNEL32.DLL|MPR.DLL|USER32.DLL|MSVCRT.DLL|SHELL32.DLL|OLE32.DLL|WSOCK32.DLL|WS2_32.DLL) ;;
        *) return 1 ;;
      esac
    done
  }
  check "statically linked: imports only system DLLs ($dlls)" system_dlls_only
else
  tail -n 30 "$out/build-win32.log"
  check "the win32 preset builds velto-setup-stub (see $out/build-win32.log)" false
fi
