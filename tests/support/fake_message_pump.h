// IMessagePump for tests of components that pump while they work: counts the
// calls and runs a hook inside each, where a test plays the user.
#pragma once

#include <functional>

#include "platform/ui.h"

namespace testsupport {

class FakeMessagePump : public platform::IMessagePump {
 public:
  void ProcessMessages() override {
    ++ProcessMessagesCalls;
    if (OnProcessMessages) OnProcessMessages();
  }

  int ProcessMessagesCalls = 0;
  std::function<void()> OnProcessMessages;  // runs inside ProcessMessages
};

}  // namespace testsupport
