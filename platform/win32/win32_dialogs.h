// Message boxes and message processing through user32.
#pragma once

#include "platform/dialogs.h"

namespace platform {

class Win32Dialogs : public IDialogs {
 public:
  // A modal MessageBoxA owned by the thread's active window (none when the
  // program has no active window), so the box stays in front of it.
  int ShowMessageBox(const std::string& Text, const std::string& Caption, uint32_t Flags) override;
  // Dispatches every message waiting in the thread's queue, then returns. A
  // WM_QUIT taken from the queue is posted again for the main loop to see.
};

}  // namespace platform
