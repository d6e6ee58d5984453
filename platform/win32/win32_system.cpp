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

bool Win32System::ClaimSingleInstance(const std::string& Name) {
  for (const auto& held : FMutexes)
    if (held.first == Name) return true;
  HANDLE mutex = CreateMutexA(nullptr, FALSE, Name.c_str());
  if (!mutex) return false;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return false;
  }
  FMutexes.emplace_back(Name, mutex);
  return true;
}

Win32System::~Win32System() {
  for (const auto& held : FMutexes) CloseHandle(held.second);
}

}  // namespace platform
