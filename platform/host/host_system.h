// Host process services. Programs cannot be started here: a command line is
// recorded instead, for tests to read back.
#pragma once

#include <vector>

#include "platform/system.h"

namespace platform {

class HostSystem : public ISystem {
 public:
  // The running executable (/proc/self/exe) as a drive Z: path, as Wine
  // shows host files: Z:\home\u\build\bin\velto-setup.
  std::string ProgramPath() override;
  // Always "c:\windows\system32" (with the host file system that is
  // <drives root>/c/windows/system32).
  std::string SystemDirectory() override;
  // Records the command and returns the result set by SetStartResult
  // (33 unless changed: "started").
  uint32_t StartCommand(const std::string& CommandLine, int ShowState) override;
  // The names are held in this process, as if each HostSystem were a
  // program of its own; released when the object goes.
  bool ClaimSingleInstance(const std::string& Name) override;
  HostSystem() = default;
  HostSystem(const HostSystem&) = delete;
  HostSystem& operator=(const HostSystem&) = delete;
  ~HostSystem() override;

  struct StartedCommand {
    std::string CommandLine;
    int ShowState;
  };
  const std::vector<StartedCommand>& Started() const { return FStarted; }
  void SetStartResult(uint32_t Result) { FStartResult = Result; }

 private:
  std::vector<StartedCommand> FStarted;
  uint32_t FStartResult = 33;
  std::vector<std::string> FClaimed;
};

}  // namespace platform
