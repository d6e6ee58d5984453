// Process-level services through kernel32.
#pragma once

#include "platform/system.h"

namespace platform {

class Win32System : public ISystem {
public:
  std::string ProgramPath() override;        // GetModuleFileNameA of the executable
  std::string SystemDirectory() override;    // GetSystemDirectoryA with a 260-character buffer
  uint32_t StartCommand(const std::string& CommandLine, int ShowState) override;  // WinExec
};

}  // namespace platform
