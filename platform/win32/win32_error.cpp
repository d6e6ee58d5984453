#include "platform/win32/win32_error.h"

namespace platform {

std::string SystemErrorMessage(DWORD Code) {
  char buf[512];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                           nullptr, Code, 0, buf, sizeof buf, nullptr);
  std::string text(buf, n);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n')) text.pop_back();
  if (text.empty()) text = "System error " + std::to_string(Code) + ".";
  return text;
}

}  // namespace platform
