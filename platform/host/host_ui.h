// Host window timers and cursor. Nothing ticks by itself: tests fire the
// timers they want, and read back what was asked for.
#pragma once

#include <map>
#include <vector>

#include "platform/ui.h"

namespace platform {

class HostTimers : public ITimers {
public:
  // Ids count up from 1 and are never reused. Never fails.
  uintptr_t StartTimer(uint32_t IntervalMs, std::function<void()> OnTick) override;
  void StopTimer(uintptr_t Id) override;

  // Runs one tick of timer Id; false when no such timer is running.
  bool Fire(uintptr_t Id);
  // Runs one tick of every timer running now, in the order they were started.
  void FireAll();
  bool IsRunning(uintptr_t Id) const { return FTimers.count(Id) != 0; }
  size_t RunningCount() const { return FTimers.size(); }
  // The interval of each StartTimer call, in call order.
  const std::vector<uint32_t>& Intervals() const { return FIntervals; }

private:
  struct Timer {
    uint32_t IntervalMs;
    std::function<void()> OnTick;
  };
  std::map<uintptr_t, Timer> FTimers;
  std::vector<uint32_t> FIntervals;
  uintptr_t FNextId = 1;
};

class HostCursor : public ICursor {
public:
  void SetBusyCursor(bool Busy) override {
    FBusy = Busy;
    FHistory.push_back(Busy);
  }
  bool Busy() const { return FBusy; }
  // Every SetBusyCursor argument, in call order.
  const std::vector<bool>& History() const { return FHistory; }

private:
  bool FBusy = false;
  std::vector<bool> FHistory;
};

}  // namespace platform
