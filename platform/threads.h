// Threads, a lock and a condition for the code that works on several
// threads (the archive's block pipeline, the installer's background payload
// check). On Windows they are the system's own (CreateThread, slim
// reader/writer locks, condition variables); elsewhere the C++ library's.
// The installer stub links no C++ thread library this way, which keeps its
// image small.
#pragma once

#include <functional>
#include <memory>

namespace platform {

// A thread started by StartThread, or none (default-made, moved from, joined
// or not started). Moved, never copied. Destroying or assigning over one
// that still runs waits for it first.
class TThread {
 public:
  TThread() noexcept;
  TThread(TThread&& Other) noexcept;
  TThread& operator=(TThread&& Other) noexcept;
  ~TThread();
  // True while it holds a thread that has not been joined.
  bool Joinable() const noexcept { return FState != nullptr; }
  // Waits for the thread to end; afterwards it holds none. Does nothing
  // when it holds none.
  void Join() noexcept;

 private:
  friend TThread StartThread(std::function<void()> Body);
  struct TState;  // the system's handle, defined per system
  std::unique_ptr<TState> FState;
};

// Starts a thread running Body. Returns a thread that holds none when the
// system cannot start one (as under a process limit); Body is then dropped
// without running. May raise std::bad_alloc. An exception that escapes Body
// ends the process.
TThread StartThread(std::function<void()> Body);

// The processors the process may run on; at least 1.
int ProcessorCount();

// A lock that is not recursive. Neither moved nor copied.
class TLock {
 public:
  TLock();  // may raise std::bad_alloc
  ~TLock();
  TLock(const TLock&) = delete;
  TLock& operator=(const TLock&) = delete;
  void Lock() noexcept;
  void Unlock() noexcept;  // only by the thread that holds it

 private:
  friend class TCondition;
  struct TState;
  std::unique_ptr<TState> FState;
};

// Holds a lock for its lifetime.
class TLockHold {
 public:
  explicit TLockHold(TLock& Lock) noexcept : FLock(Lock) { FLock.Lock(); }
  ~TLockHold() { FLock.Unlock(); }
  TLockHold(const TLockHold&) = delete;
  TLockHold& operator=(const TLockHold&) = delete;

 private:
  TLock& FLock;
};

// A condition that threads wait on under a lock. Neither moved nor copied.
class TCondition {
 public:
  TCondition();  // may raise std::bad_alloc
  ~TCondition();
  TCondition(const TCondition&) = delete;
  TCondition& operator=(const TCondition&) = delete;
  // With Lock held: releases it, waits to be woken, takes it again. May
  // return without a wake-up, so the caller tests its condition in a loop
  // (or calls WaitFor).
  void Wait(TLock& Lock) noexcept;
  // With Lock held: waits until Ready() is true (tested under the lock).
  template <class TPredicate>
  void WaitFor(TLock& Lock, TPredicate Ready) {
    while (!Ready()) Wait(Lock);
  }
  void WakeOne() noexcept;
  void WakeAll() noexcept;

 private:
  struct TState;
  std::unique_ptr<TState> FState;
};

}  // namespace platform
