// ISockets for tests: it passes everything to a real sockets service
// (normally a HostSockets) and answers the resolution where told. It counts
// the starts and stops, and the stops missing at each resolution.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/sockets.h"

namespace testsupport {

class FakeSockets : public platform::ISockets {
 public:
  using Addresses = std::optional<std::vector<std::string>>;
  explicit FakeSockets(platform::ISockets& Inner) : FInner(Inner) {}

  // Answers of the resolution, one per call in order; when empty, Answer
  // (when set) or else the inner service answers.
  std::vector<Addresses> Script;
  std::optional<Addresses> Answer;
  bool ThrowOnResolve = false;  // the resolution throws std::runtime_error

  int Starts = 0, Stops = 0, Resolves = 0;
  std::vector<std::string> Names;  // every name resolved

  void Start() override {
    ++Starts;
    FInner.Start();
  }
  void Stop() override {
    ++Stops;
    FInner.Stop();
  }
  std::string OwnHostName() override { return FInner.OwnHostName(); }
  Addresses ResolveIPv4(const std::string& Name) override {
    ++Resolves;
    Names.push_back(Name);
    if (ThrowOnResolve) throw std::runtime_error("resolver failed");
    if (!Script.empty()) {
      Addresses next = Script.front();
      Script.erase(Script.begin());
      return next;
    }
    if (Answer) return *Answer;
    return FInner.ResolveIPv4(Name);
  }

 private:
  platform::ISockets& FInner;
};

}  // namespace testsupport
