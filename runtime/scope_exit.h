// ScopeExit: runs a cleanup when the scope that holds it is left, normally or
// by an exception; the one way the code resets a flag or a cursor "on every
// exit".
#pragma once

#include <utility>

// Calls Cleanup exactly once, from the destructor. Cleanup must not throw:
// it may run while an exception unwinds the stack.
template <class F>
class ScopeExit {
 public:
  explicit ScopeExit(F Cleanup) : FCleanup(std::move(Cleanup)) {}
  ~ScopeExit() { FCleanup(); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  F FCleanup;
};
