// Host message boxes: there is no window system to show them in, so each box
// is written to standard error and answered with a fixed button.
#pragma once

#include "platform/dialogs.h"

namespace platform {

class HostDialogs : public IDialogs {
 public:
  // Answer for boxes that offer a choice (OK/Cancel, Yes/No); a box with a
  // single OK button is always answered idOK.
  explicit HostDialogs(int ChoiceAnswer = idCancel) : FChoiceAnswer(ChoiceAnswer) {}
  int ShowMessageBox(const std::string& Text, const std::string& Caption, uint32_t Flags) override;

 private:
  int FChoiceAnswer;
};

}  // namespace platform
