#include "platform/win32/win32_ui.h"

#include <windows.h>

#include <vector>

namespace platform {

namespace {

// Thread timers carry no pointer of ours, so the procedure finds the owner of
// a timer id in this list of live Win32Timers objects (one GUI thread).
std::vector<Win32Timers*>& LiveTimers() {
  static std::vector<Win32Timers*> live;
  return live;
}

void CALLBACK TimerProc(HWND, UINT, UINT_PTR Id, DWORD) {
  // Copy: a tick may create or destroy timer objects.
  std::vector<Win32Timers*> live = LiveTimers();
  for (Win32Timers* timers : live) timers->Fire(Id);
}

}  // namespace

Win32Timers::Win32Timers() { LiveTimers().push_back(this); }

Win32Timers::~Win32Timers() {
  for (auto& [id, tick] : FTicks) KillTimer(nullptr, id);
  auto& live = LiveTimers();
  std::erase(live, this);
}

uintptr_t Win32Timers::StartTimer(uint32_t IntervalMs, std::function<void()> OnTick) {
  UINT_PTR id = SetTimer(nullptr, 0, IntervalMs, TimerProc);
  if (id == 0) return 0;
  FTicks[id] = std::move(OnTick);
  return id;
}

void Win32Timers::StopTimer(uintptr_t Id) {
  if (FTicks.erase(Id)) KillTimer(nullptr, Id);
}

void Win32Timers::Fire(uintptr_t Id) {
  auto it = FTicks.find(Id);
  if (it == FTicks.end() || !it->second) return;
  std::function<void()> tick = it->second;  // the tick may stop its own timer
  tick();
}

void Win32Cursor::SetBusyCursor(bool Busy) {
  FBusy = Busy;
  SetCursor(LoadCursorA(nullptr, Busy ? IDC_WAIT : IDC_ARROW));
}

}  // namespace platform
