// Process-level services through kernel32.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/system.h"

namespace platform {

class Win32System : public ISystem {
 public:
  std::string ProgramPath() override;      // GetModuleFileNameA of the executable
  std::string SystemDirectory() override;  // GetSystemDirectoryA with a 260-character buffer
  uint32_t StartCommand(const std::string& CommandLine, int ShowState) override;  // WinExec
  // CreateMutexA; another holder shows as ERROR_ALREADY_EXISTS. The mutex
  // handles are closed with the object.
  bool ClaimSingleInstance(const std::string& Name) override;
  Win32System() = default;
  Win32System(const Win32System&) = delete;
  Win32System& operator=(const Win32System&) = delete;
  ~Win32System() override;

 private:
  std::vector<std::pair<std::string, void*>> FMutexes;  // name, handle
};

}  // namespace platform
