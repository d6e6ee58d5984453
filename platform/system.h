// Process-level services of the operating system.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Show states of a started program, with the Windows API's values.
enum : int { swHide = 0, swShowNormal = 1 };

class ISystem {
 public:
  virtual ~ISystem() = default;
  // Full Windows path of the running program's own executable.
  virtual std::string ProgramPath() = 0;
  // The Windows system folder (GetSystemDirectoryA); "" when unavailable.
  virtual std::string SystemDirectory() = 0;
  // Starts CommandLine without waiting (WinExec). Returns the system's
  // result: greater than 31 when the program was started.
  virtual uint32_t StartCommand(const std::string& CommandLine, int ShowState) = 0;
  // Takes the system-wide lock Name for as long as this object lives (a
  // named mutex). True also when this object holds it already; false when
  // another process (or another object) holds it.
  virtual bool ClaimSingleInstance(const std::string& Name) = 0;
};

}  // namespace platform
