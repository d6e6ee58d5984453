// The threads, lock and condition of platform/threads.h on the system's own:
// CreateThread, slim reader/writer locks and condition variables.
#include <windows.h>

#include <utility>

#include "platform/threads.h"

namespace platform {

struct TThread::TState {
  HANDLE Handle = nullptr;
};

TThread::TThread() noexcept = default;
TThread::TThread(TThread&& Other) noexcept = default;
TThread& TThread::operator=(TThread&& Other) noexcept {
  if (this != &Other) {
    Join();
    FState = std::move(Other.FState);
  }
  return *this;
}
TThread::~TThread() { Join(); }

void TThread::Join() noexcept {
  if (!FState) return;
  WaitForSingleObject(FState->Handle, INFINITE);
  CloseHandle(FState->Handle);
  FState.reset();
}

namespace {

// The thread's entry: runs the body it was given and frees it. noexcept: an
// exception that escapes the body ends the process, as with std::thread.
DWORD WINAPI RunBody(void* Param) noexcept {
  std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(Param));
  (*body)();
  return 0;
}

}  // namespace

TThread StartThread(std::function<void()> Body) {
  // Everything that may fail to allocate is made before the thread starts.
  TThread thread;
  thread.FState = std::make_unique<TThread::TState>();
  auto body = std::make_unique<std::function<void()>>(std::move(Body));
  thread.FState->Handle = CreateThread(nullptr, 0, RunBody, body.get(), 0, nullptr);
  if (!thread.FState->Handle) return TThread();
  body.release();  // the thread frees it
  return thread;
}

int ProcessorCount() {
  DWORD_PTR process = 0, system = 0;
  int n = 0;
  if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system))
    for (; process != 0; process >>= 1) n += static_cast<int>(process & 1);
  return n > 0 ? n : 1;
}

struct TLock::TState {
  SRWLOCK Lock = SRWLOCK_INIT;
};

TLock::TLock() : FState(std::make_unique<TState>()) {}
TLock::~TLock() = default;
void TLock::Lock() noexcept { AcquireSRWLockExclusive(&FState->Lock); }
void TLock::Unlock() noexcept { ReleaseSRWLockExclusive(&FState->Lock); }

struct TCondition::TState {
  CONDITION_VARIABLE Condition = CONDITION_VARIABLE_INIT;
};

TCondition::TCondition() : FState(std::make_unique<TState>()) {}
TCondition::~TCondition() = default;

void TCondition::Wait(TLock& Lock) noexcept {
  SleepConditionVariableSRW(&FState->Condition, &Lock.FState->Lock, INFINITE, 0);
}

void TCondition::WakeOne() noexcept { WakeConditionVariable(&FState->Condition); }
void TCondition::WakeAll() noexcept { WakeAllConditionVariable(&FState->Condition); }

}  // namespace platform
