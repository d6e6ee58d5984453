// The threads, lock and condition of the system the tests are built for.
#include "platform/threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

TEST(Threads, TwoThreadsTakeTurnsUnderTheLockAndJoinWaitsForTheOther) {
  platform::TLock lock;
  platform::TCondition turnChanged;
  int turn = 0, count = 0;
  auto play = [&](int Me) {
    for (int i = 0; i < 1000; ++i) {
      platform::TLockHold hold(lock);
      turnChanged.WaitFor(lock, [&] { return turn == Me; });
      ++count;
      turn = 1 - Me;
      turnChanged.WakeAll();
    }
  };
  platform::TThread other = platform::StartThread([&] { play(1); });
  ASSERT_TRUE(other.Joinable());
  platform::TThread moved = std::move(other);
  EXPECT_FALSE(other.Joinable());
  play(0);
  moved.Join();
  EXPECT_FALSE(moved.Joinable());
  EXPECT_EQ(count, 2000);
  EXPECT_GE(platform::ProcessorCount(), 1);
}

TEST(Threads, DestroyingAThreadThatStillRunsWaitsForIt) {
  std::atomic<bool> ended{false};
  {
    platform::TThread t = platform::StartThread([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      ended = true;
    });
    ASSERT_TRUE(t.Joinable());
  }
  EXPECT_TRUE(ended);
}

}  // namespace
