// The throttled message pump: which calls reach the real pump.
#include "ui/throttled_pump.h"

#include <gtest/gtest.h>

#include "tests/support/fake_message_pump.h"

namespace {

TEST(ThrottledPumpTest, PassesOnOncePerIntervalAndAlwaysWhenAskedNow) {
  // Steps: a digit, the clock in tens of ms; then p (a call) or n (pass now).
  const struct {
    const char* Steps;
    int Passes;
  } cases[] = {{"0p", 1}, {"0p0p1p", 1}, {"0p1p2p3p4p", 3}, {"0p0n0n0p", 3}, {"0p1n2p3p", 3}};
  for (const auto& c : cases) {
    uint64_t now = 0;
    testsupport::FakeMessagePump real;
    TThrottledPump pump(&real, 16, [&] { return now; });
    for (const char* s = c.Steps; s[0] && s[1]; s += 2) {
      now = static_cast<uint64_t>(s[0] - '0') * 10;
      s[1] == 'n' ? pump.ProcessMessagesNow() : pump.ProcessMessages();
    }
    EXPECT_EQ(real.ProcessMessagesCalls, c.Passes) << c.Steps;
  }
}

}  // namespace
