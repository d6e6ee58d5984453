#include "platform/host/host_ui.h"

#include <gtest/gtest.h>

namespace {

using platform::HostCursor;
using platform::HostTimers;

TEST(HostTimers, TicksOnlyWhenFiredAndOnlyWhileRunning) {
  HostTimers timers;
  int a = 0, b = 0;
  uintptr_t ta = timers.StartTimer(1000, [&] { ++a; });
  uintptr_t tb = timers.StartTimer(250, [&] { ++b; });
  EXPECT_NE(ta, 0u);
  EXPECT_NE(ta, tb);
  EXPECT_EQ(a + b, 0);  // nothing ticks by itself
  EXPECT_TRUE(timers.Fire(ta));
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 0);
  timers.FireAll();
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 1);
  timers.StopTimer(ta);
  EXPECT_FALSE(timers.IsRunning(ta));
  EXPECT_FALSE(timers.Fire(ta));
  timers.FireAll();
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 2);
  EXPECT_EQ(timers.Intervals(), (std::vector<uint32_t>{1000, 250}));
  EXPECT_EQ(timers.RunningCount(), 1u);
}

TEST(HostTimers, TickMayStopItsOwnTimerAndAnother) {
  HostTimers timers;
  int first = 0, second = 0;
  uintptr_t t2 = 0;
  uintptr_t t1 = 0;
  t1 = timers.StartTimer(10, [&] {
    ++first;
    timers.StopTimer(t1);
    timers.StopTimer(t2);
  });
  t2 = timers.StartTimer(10, [&] { ++second; });
  timers.FireAll();
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 0);  // stopped before its turn
  EXPECT_EQ(timers.RunningCount(), 0u);
}

TEST(HostTimers, IdsAreNeverReused) {
  HostTimers timers;
  uintptr_t t1 = timers.StartTimer(5, [] {});
  timers.StopTimer(t1);
  uintptr_t t2 = timers.StartTimer(5, [] {});
  EXPECT_NE(t1, t2);
}

TEST(HostCursor, RecordsEachChangeAndTheCurrentState) {
  HostCursor cursor;
  EXPECT_FALSE(cursor.Busy());
  cursor.SetBusyCursor(true);
  EXPECT_TRUE(cursor.Busy());
  cursor.SetBusyCursor(false);
  EXPECT_FALSE(cursor.Busy());
  EXPECT_EQ(cursor.History(), (std::vector<bool>{true, false}));
}

}  // namespace
