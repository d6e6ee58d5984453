// Winsock 1.1 (wsock32) for the connection detector.
#include <windows.h>
#include <winsock.h>

#include "platform/win32/win32_mail.h"

namespace platform {

void Win32Sockets::Start() {
  WSADATA data;
  WSAStartup(0x0101, &data);
}

void Win32Sockets::Stop() { WSACleanup(); }

std::string Win32Sockets::OwnHostName() {
  char buffer[kHostNameBufferSize] = {};
  gethostname(buffer, sizeof buffer);  // a name too long for it may be left unterminated
  return TerminatedText(buffer, sizeof buffer);
}

std::optional<std::vector<std::string>> Win32Sockets::ResolveIPv4(const std::string& Name) {
  hostent* entry = gethostbyname(Name.c_str());
  if (!entry) return std::nullopt;
  std::vector<std::string> texts;
  if (entry->h_addrtype == AF_INET && entry->h_addr_list)
    for (char** address = entry->h_addr_list; *address; ++address) {
      in_addr in;
      memcpy(&in, *address, sizeof in);
      const char* text = inet_ntoa(in);
      texts.push_back(text ? text : "");
    }
  return texts;
}

}  // namespace platform
