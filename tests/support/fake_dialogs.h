// IDialogs for tests: records every box shown and answers from a script.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace testsupport {

class FakeDialogs : public platform::IDialogs {
 public:
  struct Box {
    std::string Text, Caption;
    uint32_t Flags;
  };

  int ShowMessageBox(const std::string& Text, const std::string& Caption, uint32_t Flags) override {
    Boxes.push_back({Text, Caption, Flags});
    if (Answers.empty()) return platform::idOK;
    int a = Answers.front();
    Answers.pop_front();
    return a;
  }

  std::vector<Box> Boxes;   // every box shown, in order
  std::deque<int> Answers;  // answers to give, in order; idOK when empty
};

}  // namespace testsupport
