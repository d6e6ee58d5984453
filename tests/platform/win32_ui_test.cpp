#include "platform/win32/win32_ui.h"

#include <windows.h>
#include <gtest/gtest.h>

#include "platform/win32/win32_dialogs.h"

namespace {

using platform::Win32Cursor;
using platform::Win32Dialogs;
using platform::Win32Timers;

// Dispatches the pending messages of this thread.
void DispatchPending() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// Pumps messages until Done() or TimeoutMs passed.
template <class F>
bool PumpUntil(F Done, DWORD TimeoutMs) {
  DWORD start = GetTickCount();
  while (!Done()) {
    if (GetTickCount() - start > TimeoutMs) return false;
    DispatchPending();
    Sleep(5);
  }
  return true;
}

TEST(Win32Timers, TicksThroughTheMessageLoopUntilStopped) {
  Win32Timers timers;
  int ticks = 0;
  uintptr_t id = timers.StartTimer(20, [&] { ++ticks; });
  ASSERT_NE(id, 0u);
  EXPECT_EQ(ticks, 0);  // only the message loop runs ticks
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }, 5000));
  timers.StopTimer(id);
  int stoppedAt = ticks;
  PumpUntil([] { return false; }, 150);
  EXPECT_EQ(ticks, stoppedAt);
}

TEST(Win32Timers, EachTimerRunsItsOwnTickAndMayStopItself) {
  Win32Timers timers;
  Win32Timers others;
  int once = 0, steady = 0;
  uintptr_t onceId = 0;
  onceId = timers.StartTimer(10, [&] {
    ++once;
    timers.StopTimer(onceId);
  });
  others.StartTimer(10, [&] { ++steady; });
  EXPECT_TRUE(PumpUntil([&] { return steady >= 5; }, 5000));
  EXPECT_EQ(once, 1);
}

TEST(Win32Timers, DestroyedObjectStopsItsTimers) {
  int ticks = 0;
  {
    Win32Timers timers;
    timers.StartTimer(10, [&] { ++ticks; });
  }
  PumpUntil([] { return false; }, 100);
  EXPECT_EQ(ticks, 0);
}

// Answers the message box with the given caption once it shows.
struct BoxAnswer {
  const char* Caption;
  int Button;
  HWND Owner = nullptr;
  bool Seen = false;
};
BoxAnswer* gAnswer = nullptr;

void CALLBACK AnswerBox(HWND, UINT, UINT_PTR Id, DWORD) {
  HWND box = FindWindowA("#32770", gAnswer->Caption);
  if (!box) return;
  KillTimer(nullptr, Id);
  gAnswer->Seen = true;
  gAnswer->Owner = GetWindow(box, GW_OWNER);
  PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(gAnswer->Button), 0);
}

TEST(Win32Dialogs, MessageBoxReturnsTheButtonAndIsOwnedByTheActiveWindow) {
  HWND owner = CreateWindowA("STATIC", "Velto owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
  // Without a display (no X server for Wine) no window can be made.
  if (!owner) GTEST_SKIP() << "no window system: run under Xvfb (scripts/test-windows does)";
  SetActiveWindow(owner);
  HWND active = GetActiveWindow();
  ASSERT_EQ(active, owner);
  BoxAnswer answer{"Velto test box", IDNO};
  gAnswer = &answer;
  SetTimer(nullptr, 0, 50, AnswerBox);
  Win32Dialogs dialogs;
  int result = dialogs.ShowMessageBox("Continuare?", "Velto test box", platform::mbYesNo | platform::mbIconQuestion);
  EXPECT_TRUE(answer.Seen);
  EXPECT_EQ(result, platform::idNo);
  EXPECT_EQ(answer.Owner, owner);
  gAnswer = nullptr;
  DestroyWindow(owner);
}

TEST(Win32Cursor, ShowsHourglassWhileBusyAndArrowAfter) {
  Win32Cursor cursor;
  cursor.SetBusyCursor(true);
  EXPECT_TRUE(cursor.Busy());
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_WAIT));
  cursor.SetBusyCursor(false);
  EXPECT_FALSE(cursor.Busy());
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));
}

}  // namespace
