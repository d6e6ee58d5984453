// Message boxes through user32 (messages are pumped by the application
// through its peer, not here).
#pragma once

#include "platform/dialogs.h"

namespace platform {

class Win32Dialogs : public IDialogs {
 public:
  // A modal MessageBoxA owned by the thread's active window (none when the
  // program has no active window), so the box stays in front of it.
  int ShowMessageBox(const std::string& Text, const std::string& Caption, uint32_t Flags) override;
};

}  // namespace platform
