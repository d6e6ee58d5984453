#include <windows.h>

#include "platform/startup.h"

namespace platform {

void RestrictDllSearchToSystemFolder() {
  // SetDefaultDllDirectories exists from Windows 7 with KB2533623 on; look it
  // up at run time so the program still starts on systems without it.
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (!kernel) return;
  auto fn = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (fn) fn(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace platform
