// The window system services that the logic uses besides message boxes:
// the message pump, window timers and the mouse cursor.
#pragma once

#include <cstdint>
#include <functional>

namespace platform {

// The one message pump: what a long piece of work calls between its steps so
// that paint messages, timer ticks and clicks are handled meanwhile. The real
// implementation is the application object, which forwards to its peer (so a
// key typed during the work gets the same dialog-key handling as ever).
class IMessagePump {
 public:
  virtual ~IMessagePump() = default;
  // Handles the pending messages and returns; a quit request seen meanwhile
  // stays queued for the main loop. Handlers it runs may throw nothing out.
  virtual void ProcessMessages() = 0;
};

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
