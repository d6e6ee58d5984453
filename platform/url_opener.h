// Opening a web address in the user's default browser (the shell's "open").
#pragma once

#include <cstdint>
#include <string>

namespace platform {

class IUrlOpener {
 public:
  virtual ~IUrlOpener() = default;
  // Asks the shell to "open" Url with OwnerWindow (a window handle or 0) as
  // owner, no parameters, no working folder and ShowState (swShowNormal).
  // The result is not reported: a failure leaves nothing to undo.
  virtual void OpenUrl(uintptr_t OwnerWindow, const std::string& Url, int ShowState) = 0;
};

}  // namespace platform
