// ISystem, ITimers and ICursor for tests: fixed answers, recorded calls.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/system.h"
#include "platform/ui.h"

namespace testsupport {

class FakeSystem : public platform::ISystem {
 public:
  std::string ProgramPath() override { return ProgramPathValue; }
  std::string SystemDirectory() override { return SystemDirectoryValue; }
  uint32_t StartCommand(const std::string& CommandLine, int ShowState) override {
    Started.push_back({CommandLine, ShowState});
    if (OnStartCommand) OnStartCommand(CommandLine);
    return StartResult;
  }

  std::string ProgramPathValue = "c:\\download\\setup.exe";
  std::string SystemDirectoryValue = "c:\\windows\\system32";
  uint32_t StartResult = 33;
  struct Start {
    std::string CommandLine;
    int ShowState;
  };
  std::vector<Start> Started;                              // every StartCommand, in order
  std::function<void(const std::string&)> OnStartCommand;  // runs inside StartCommand
};

class FakeTimers : public platform::ITimers {
 public:
  uintptr_t StartTimer(uint32_t IntervalMs, std::function<void()> OnTick) override {
    uintptr_t id = ++FNextId;
    Timers[id] = {IntervalMs, std::move(OnTick)};
    return id;
  }
  void StopTimer(uintptr_t Id) override { Timers.erase(Id); }
  // Fires every running timer once.
  void TickAll() {
    auto copy = Timers;
    for (auto& [id, t] : copy)
      if (Timers.count(id)) t.OnTick();
  }
  struct Timer {
    uint32_t IntervalMs;
    std::function<void()> OnTick;
  };
  std::map<uintptr_t, Timer> Timers;

 private:
  uintptr_t FNextId = 0;
};

class FakeCursor : public platform::ICursor {
 public:
  void SetBusyCursor(bool Busy) override {
    this->Busy = Busy;
    Changes.push_back(Busy);
  }
  bool Busy = false;
  std::vector<bool> Changes;  // every call, in order
};

}  // namespace testsupport
