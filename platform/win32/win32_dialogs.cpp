#include "platform/win32/win32_dialogs.h"

#include <windows.h>

namespace platform {

int Win32Dialogs::ShowMessageBox(const std::string& Text, const std::string& Caption, uint32_t Flags) {
  return MessageBoxA(GetActiveWindow(), Text.c_str(), Caption.c_str(), Flags);
}

void Win32Dialogs::ProcessMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace platform
