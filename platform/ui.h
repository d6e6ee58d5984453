// The window system services that the logic uses besides message boxes:
// window timers and the mouse cursor.
#pragma once

#include <cstdint>
#include <functional>

namespace platform {

class ITimers {
 public:
  virtual ~ITimers() = default;
  // Calls OnTick every IntervalMs milliseconds on the GUI thread, through the
  // message loop. Returns a nonzero id, or 0 when no timer could be made.
  virtual uintptr_t StartTimer(uint32_t IntervalMs, std::function<void()> OnTick) = 0;
  virtual void StopTimer(uintptr_t Id) = 0;
};

class ICursor {
 public:
  virtual ~ICursor() = default;
  // Shows the hourglass (Busy) or the default arrow.
  virtual void SetBusyCursor(bool Busy) = 0;
};

}  // namespace platform
