// The throttled message pump: which calls reach the real pump.
#include "ui/throttled_pump.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class CountingPump : public platform::IMessagePump {
 public:
  void ProcessMessages() override { ++Passes; }
  int Passes = 0;
};

TEST(ThrottledPumpTest, PassesOnOncePerIntervalAndAlwaysWhenAskedNow) {
  // Each step: the clock's time, then 'p' (a call) or 'n' (a call to pass now).
  struct Case {
    const char* What;
    std::string Steps;  // pairs: a digit (tens of ms) and p or n
    int Passes;
  };
  const Case cases[] = {
      {"the first call passes", "0p", 1},
      {"calls within the interval after it do not", "0p0p1p", 1},
      {"the interval counts from the last pass", "0p1p2p3p4p", 3},
      {"a call asked to pass now always passes", "0p0n0n0p", 3},
      {"a pass now restarts the interval", "0p1n2p3p", 3},
  };
  for (const Case& c : cases) {
    uint64_t now = 0;
    CountingPump real;
    TThrottledPump pump(&real, 16, [&] { return now; });
    for (size_t i = 0; i + 1 < c.Steps.size(); i += 2) {
      now = static_cast<uint64_t>(c.Steps[i] - '0') * 10;
      if (c.Steps[i + 1] == 'n')
        pump.ProcessMessagesNow();
      else
        pump.ProcessMessages();
    }
    EXPECT_EQ(real.Passes, c.Passes) << c.What;
  }
}

}  // namespace
