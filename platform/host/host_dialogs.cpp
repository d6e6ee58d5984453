#include "platform/host/host_dialogs.h"

#include <cstdio>

namespace platform {

int HostDialogs::ShowMessageBox(const std::string& Text, const std::string& Caption, uint32_t Flags) {
  std::fprintf(stderr, "[%s] %s\n", Caption.c_str(), Text.c_str());
  switch (Flags & 0x0F) {
    case mbOK:
      return idOK;
    case mbYesNo:
      return FChoiceAnswer == idOK ? idYes : FChoiceAnswer == idCancel ? idNo : FChoiceAnswer;
    default:
      return FChoiceAnswer;
  }
}

}  // namespace platform
