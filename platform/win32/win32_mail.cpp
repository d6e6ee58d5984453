#include "platform/win32/win32_mail.h"

#include <windows.h>
#include <mapi.h>

#include <cstddef>

// Our own declarations of the Simple MAPI records must match the published
// ones field for field: same offset, same width.
#define VELTO_SAME_FIELD(Record, Field)                                           \
  static_assert(offsetof(platform::Record, Field) == offsetof(::Record, Field) && \
                    sizeof(platform::Record::Field) == sizeof(::Record::Field),   \
                #Record "." #Field " differs from the published layout")
VELTO_SAME_FIELD(MapiRecipDesc, ulReserved);
VELTO_SAME_FIELD(MapiRecipDesc, ulRecipClass);
VELTO_SAME_FIELD(MapiRecipDesc, lpszName);
VELTO_SAME_FIELD(MapiRecipDesc, lpszAddress);
VELTO_SAME_FIELD(MapiRecipDesc, ulEIDSize);
VELTO_SAME_FIELD(MapiRecipDesc, lpEntryID);
VELTO_SAME_FIELD(MapiFileDesc, ulReserved);
VELTO_SAME_FIELD(MapiFileDesc, flFlags);
VELTO_SAME_FIELD(MapiFileDesc, nPosition);
VELTO_SAME_FIELD(MapiFileDesc, lpszPathName);
VELTO_SAME_FIELD(MapiFileDesc, lpszFileName);
VELTO_SAME_FIELD(MapiFileDesc, lpFileType);
VELTO_SAME_FIELD(MapiMessage, ulReserved);
VELTO_SAME_FIELD(MapiMessage, lpszSubject);
VELTO_SAME_FIELD(MapiMessage, lpszNoteText);
VELTO_SAME_FIELD(MapiMessage, lpszMessageType);
VELTO_SAME_FIELD(MapiMessage, lpszDateReceived);
VELTO_SAME_FIELD(MapiMessage, lpszConversationID);
VELTO_SAME_FIELD(MapiMessage, flFlags);
VELTO_SAME_FIELD(MapiMessage, lpOriginator);
VELTO_SAME_FIELD(MapiMessage, nRecipCount);
VELTO_SAME_FIELD(MapiMessage, lpRecips);
VELTO_SAME_FIELD(MapiMessage, nFileCount);
VELTO_SAME_FIELD(MapiMessage, lpFiles);
#undef VELTO_SAME_FIELD
static_assert(sizeof(platform::MapiRecipDesc) == sizeof(::MapiRecipDesc));
static_assert(sizeof(platform::MapiFileDesc) == sizeof(::MapiFileDesc));
static_assert(sizeof(platform::MapiMessage) == sizeof(::MapiMessage));

namespace platform {

namespace {

using SendMailFunction = ULONG(WINAPI*)(LHANDLE, ULONG_PTR, platform::MapiMessage*, FLAGS, ULONG);

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

}  // namespace platform
