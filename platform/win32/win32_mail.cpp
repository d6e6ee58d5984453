#include "platform/win32/win32_mail.h"

#include <windows.h>
#include <shellapi.h>

namespace platform {

namespace {

using SendMailFunction = ULONG(WINAPI*)(ULONG_PTR, ULONG_PTR, MapiMessage*, ULONG, ULONG);

// The "MAPI" value, read as the published rule says: the key opened for
// reading, at most kMessagingSubsystemMaxBytes bytes.
std::optional<std::string> ReadMessagingSubsystemValue() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kMessagingSubsystemKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return std::nullopt;
  char data[kMessagingSubsystemMaxBytes] = {};
  DWORD size = sizeof data;
  LONG r = RegQueryValueExA(key, kMessagingSubsystemValue, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  if (r != ERROR_SUCCESS) return std::nullopt;
  return std::string(data, size);
}

HMODULE LoadFromSystemFolder(const char* FileName) {
  char folder[MAX_PATH + 1] = {};
  UINT length = GetSystemDirectoryA(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  std::string path = std::string(folder, length) + "\\" + FileName;
  return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

uint32_t Win32SimpleMapi::SendMail(uintptr_t Session, uintptr_t ParentWindow, MapiMessage& Message, uint32_t Flags,
                                   uint32_t Reserved) {
  if (!FDecided) {
    FDecided = true;
    if (SimpleMapiEnabled(ReadMessagingSubsystemValue())) FLibrary = LoadFromSystemFolder("MAPI32.DLL");
  }
  if (!FLibrary) return mapiUserAbort;
  if (!FSendMail) FSendMail = reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(FLibrary), "MAPISendMail"));
  if (!FSendMail) return mapiUserAbort;
  auto send = reinterpret_cast<SendMailFunction>(FSendMail);
  return send(Session, ParentWindow, &Message, Flags, Reserved);
}

void Win32UrlOpener::OpenUrl(uintptr_t OwnerWindow, const std::string& Url, int ShowState) {
  ShellExecuteA(reinterpret_cast<HWND>(OwnerWindow), "open", Url.c_str(), nullptr, nullptr, ShowState);
}

}  // namespace platform
