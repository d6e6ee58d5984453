// ISystem for tests: a decorator over the host's HostSystem, which records
// the commands started. The fake answers chosen paths (the installer's own
// path, a system folder that cannot be found), can make a start fail, and
// runs a hook inside StartCommand, where a test looks at the state of the
// moment. Timers and the cursor need no fake: tests use HostTimers and
// HostCursor, which record and fire on demand.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/host/host_system.h"

namespace testsupport {

class FakeSystem : public platform::ISystem {
 public:
  // Over its own HostSystem.
  FakeSystem() : FInner(FOwnInner) {}
  // Over Inner, which must outlive the fake.
  explicit FakeSystem(platform::HostSystem& Inner) : FInner(Inner) {}
  FakeSystem(const FakeSystem&) = delete;
  FakeSystem& operator=(const FakeSystem&) = delete;

  std::string ProgramPath() override { return ProgramPathValue ? *ProgramPathValue : FInner.ProgramPath(); }
  std::string SystemDirectory() override {
    return SystemDirectoryValue ? *SystemDirectoryValue : FInner.SystemDirectory();
  }
  uint32_t StartCommand(const std::string& CommandLine, int ShowState) override {
    const uint32_t result = FInner.StartCommand(CommandLine, ShowState);
    if (OnStartCommand) OnStartCommand(CommandLine);
    return StartResult ? *StartResult : result;
  }

  bool ClaimSingleInstance(const std::string& Name) override { return FInner.ClaimSingleInstance(Name); }

  // Answers instead of the inner system's, when set.
  std::optional<std::string> ProgramPathValue;
  std::optional<std::string> SystemDirectoryValue;
  std::optional<uint32_t> StartResult;                     // 31 or less: the start failed
  std::function<void(const std::string&)> OnStartCommand;  // runs inside StartCommand

  // Every StartCommand, in order (recorded by the inner HostSystem).
  const std::vector<platform::HostSystem::StartedCommand>& Started() const { return FInner.Started(); }

 private:
  platform::HostSystem FOwnInner;
  platform::HostSystem& FInner;
};

}  // namespace testsupport
