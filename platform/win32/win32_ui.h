// Window timers and the mouse cursor through user32.
#pragma once

#include <map>

#include "platform/ui.h"

namespace platform {

// Thread timers (SetTimer without a window): WM_TIMER reaches the timer
// procedure through the thread's message loop (DispatchMessage), which calls
// the tick of the timer's id. Use from the GUI thread only.
class Win32Timers : public ITimers {
public:
  Win32Timers();
  ~Win32Timers() override;  // stops every timer still running
  uintptr_t StartTimer(uint32_t IntervalMs, std::function<void()> OnTick) override;
  void StopTimer(uintptr_t Id) override;

  // Called by the timer procedure: runs the tick of Id, if it is one of ours.
  void Fire(uintptr_t Id);

private:
  std::map<uintptr_t, std::function<void()>> FTicks;
};

// The hourglass (IDC_WAIT) or the arrow (IDC_ARROW), set at once.
class Win32Cursor : public ICursor {
public:
  void SetBusyCursor(bool Busy) override;
  bool Busy() const { return FBusy; }

private:
  bool FBusy = false;
};

}  // namespace platform
