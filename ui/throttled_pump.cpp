#include "ui/throttled_pump.h"

#include <chrono>

TThrottledPump::TThrottledPump(platform::IMessagePump* Pump, uint32_t IntervalMs, TClock Clock)
    : FPump(Pump), FInterval(IntervalMs), FClock(std::move(Clock)) {
  if (!FClock)
    FClock = [] {
      return static_cast<uint64_t>(
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
              .count());
    };
}

void TThrottledPump::ProcessMessages() {
  if (FPassed && FClock() - FLastPass < FInterval) return;
  ProcessMessagesNow();
}

void TThrottledPump::ProcessMessagesNow() {
  if (!FPump) return;
  FPump->ProcessMessages();
  // Measured after the pass: time spent handling messages does not count
  // toward the next interval, so the work always gets its share.
  FLastPass = FClock();
  FPassed = true;
}
