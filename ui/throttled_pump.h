// TThrottledPump: a message pump for work that offers to let the window
// breathe far more often than the screen can show, such as a restore after
// every 16 KB block. It hands a call on to the real pump only when Interval
// has gone by since the last pass, and always when asked to pass now (the
// end of a file, the end of the work).
#pragma once

#include <cstdint>
#include <functional>

#include "platform/ui.h"

class TThrottledPump : public platform::IMessagePump {
 public:
  // Milliseconds from any fixed point, never going back.
  using TClock = std::function<uint64_t()>;
  // Pump (may be null: nothing is passed on) must outlive this object. An
  // empty Clock reads the system's steady clock. The first call passes.
  explicit TThrottledPump(platform::IMessagePump* Pump, uint32_t IntervalMs = 16, TClock Clock = {});

  // Passes the call on when Interval has gone by since the last pass.
  void ProcessMessages() override;
  // Passes the call on at once, and the interval starts again.
  void ProcessMessagesNow();

 private:
  platform::IMessagePump* FPump;
  uint32_t FInterval;
  TClock FClock;
  bool FPassed = false;
  uint64_t FLastPass = 0;
};
