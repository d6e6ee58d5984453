// The threads, lock and condition of platform/threads.h on the C++ library.
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/threads.h"

namespace platform {

struct TThread::TState {
  std::thread Thread;
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
  FState->Thread.join();
  FState.reset();
}

TThread StartThread(std::function<void()> Body) {
  TThread thread;
  thread.FState = std::make_unique<TThread::TState>();
  try {
    // Like the Windows version: an exception that escapes Body ends the
    // process (std::thread calls std::terminate for it).
    thread.FState->Thread = std::thread(std::move(Body));
  } catch (const std::system_error&) {
    return TThread();
  }
  return thread;
}

int ProcessorCount() {
  unsigned n = std::thread::hardware_concurrency();
  return n > 0 ? static_cast<int>(n) : 1;
}

struct TLock::TState {
  std::mutex Mutex;
};

TLock::TLock() : FState(std::make_unique<TState>()) {}
TLock::~TLock() = default;
void TLock::Lock() noexcept { FState->Mutex.lock(); }
void TLock::Unlock() noexcept { FState->Mutex.unlock(); }

struct TCondition::TState {
  std::condition_variable Condition;
};

TCondition::TCondition() : FState(std::make_unique<TState>()) {}
TCondition::~TCondition() = default;

void TCondition::Wait(TLock& Lock) noexcept {
  // The caller holds the lock: lent to the wait and kept held after it.
  std::unique_lock<std::mutex> held(Lock.FState->Mutex, std::adopt_lock);
  FState->Condition.wait(held);
  held.release();
}

void TCondition::WakeOne() noexcept { FState->Condition.notify_one(); }
void TCondition::WakeAll() noexcept { FState->Condition.notify_all(); }

}  // namespace platform
