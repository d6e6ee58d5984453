// Message boxes, as the logic needs them (the message pump is
// platform::IMessagePump in platform/ui.h).
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Message box flags and results, with the values of the Windows API.
enum : uint32_t {
  mbOK = 0x00,
  mbOKCancel = 0x01,
  mbYesNo = 0x04,
  mbIconError = 0x10,
  mbIconQuestion = 0x20,
  mbIconWarning = 0x30,
  mbIconInformation = 0x40,
};
enum : int { idOK = 1, idCancel = 2, idYes = 6, idNo = 7 };

class IDialogs {
 public:
  virtual ~IDialogs() = default;
  // Shows a modal message box and returns the button chosen (idOK, ...).
  virtual int ShowMessageBox(const std::string& Text, const std::string& Caption, uint32_t Flags) = 0;
};

}  // namespace platform
