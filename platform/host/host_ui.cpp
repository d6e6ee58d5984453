#include "platform/host/host_ui.h"

namespace platform {

uintptr_t HostTimers::StartTimer(uint32_t IntervalMs, std::function<void()> OnTick) {
  uintptr_t id = FNextId++;
  FTimers[id] = {IntervalMs, std::move(OnTick)};
  FIntervals.push_back(IntervalMs);
  return id;
}

void HostTimers::StopTimer(uintptr_t Id) { FTimers.erase(Id); }

bool HostTimers::Fire(uintptr_t Id) {
  auto it = FTimers.find(Id);
  if (it == FTimers.end()) return false;
  // A copy: the tick may stop (erase) its own timer.
  std::function<void()> tick = it->second.OnTick;
  if (tick) tick();
  return true;
}

void HostTimers::FireAll() {
  std::vector<uintptr_t> ids;
  for (auto& [id, timer] : FTimers) ids.push_back(id);
  // A tick may stop a later timer; it is then not fired.
  for (uintptr_t id : ids) Fire(id);
}

}  // namespace platform
