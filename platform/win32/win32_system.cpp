#include "platform/win32/win32_system.h"

#include <windows.h>

namespace platform {

std::string Win32System::ProgramPath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return "";
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);  // cut short: try a larger buffer
  }
}

std::string Win32System::SystemDirectory() {
  char buf[260];
  UINT n = GetSystemDirectoryA(buf, sizeof buf);
  // n >= the buffer size means the path did not fit: treat as unavailable.
  if (n == 0 || n >= sizeof buf) return "";
  return std::string(buf, n);
}

uint32_t Win32System::StartCommand(const std::string& CommandLine, int ShowState) {
  return WinExec(CommandLine.c_str(), static_cast<UINT>(ShowState));
}

}  // namespace platform
