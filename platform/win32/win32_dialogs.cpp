#include "platform/win32/win32_dialogs.h"

#include <windows.h>

namespace platform {

int Win32Dialogs::ShowMessageBox(const std::string& Text, const std::string& Caption, uint32_t Flags) {
  return MessageBoxA(GetActiveWindow(), Text.c_str(), Caption.c_str(), Flags);
}

}  // namespace platform
