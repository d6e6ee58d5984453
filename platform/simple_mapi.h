// The Simple MAPI binding: one call that hands a message to the machine's
// default mail client (MAPISendMail), and the records of the published Simple
// MAPI interface that carry the message. The records are declared here with
// the interface's field widths (ULONG fields are 32-bit, texts are ANSI
// pointers) so that the logic needs no Windows header.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// Recipient classes and send flags, with the interface's values.
enum : uint32_t { mapiOrig = 0, mapiTo = 1, mapiCc = 2, mapiBcc = 3 };
enum : uint32_t { mapiLogonUI = 0x1, mapiNewSession = 0x2, mapiDialog = 0x8 };
// Results: 0 success, 1 the user aborted (also: Simple MAPI is missing).
enum : uint32_t { mapiSuccess = 0, mapiUserAbort = 1, mapiFailure = 2 };

struct MapiRecipDesc {
  uint32_t ulReserved;
  uint32_t ulRecipClass;
  char* lpszName;
  char* lpszAddress;
  uint32_t ulEIDSize;
  void* lpEntryID;
};

struct MapiFileDesc {
  uint32_t ulReserved;
  uint32_t flFlags;
  uint32_t nPosition;  // 0xFFFFFFFF: not placed inside the note text
  char* lpszPathName;
  char* lpszFileName;
  void* lpFileType;
};

struct MapiMessage {
  uint32_t ulReserved;
  char* lpszSubject;
  char* lpszNoteText;
  char* lpszMessageType;
  char* lpszDateReceived;
  char* lpszConversationID;
  uint32_t flFlags;
  MapiRecipDesc* lpOriginator;
  uint32_t nRecipCount;
  MapiRecipDesc* lpRecips;
  uint32_t nFileCount;
  MapiFileDesc* lpFiles;
};

// Where the decision whether Simple MAPI may be used is stored: the value
// "MAPI" of this key under HKEY_LOCAL_MACHINE, read into a 9-byte buffer.
inline constexpr const char* kMessagingSubsystemKey = "SOFTWARE\\Microsoft\\Windows Messaging Subsystem";
inline constexpr const char* kMessagingSubsystemValue = "MAPI";
inline constexpr size_t kMessagingSubsystemMaxBytes = 9;

// True when Data, the "MAPI" value as read (nullopt: missing, unreadable or
// longer than the buffer), is exactly the text "1".
inline bool SimpleMapiEnabled(const std::optional<std::string>& Data) {
  if (!Data) return false;
  std::string text = Data->substr(0, Data->find('\0'));
  return text == "1";
}

class ISimpleMapi {
 public:
  virtual ~ISimpleMapi() = default;
  // Hands Message to the mail client with MAPISendMail(Session, ParentWindow,
  // Message, Flags, Reserved) and returns its result. The first call decides
  // once for the implementation's life (one per process in the program)
  // whether Simple MAPI is available and loads it; the entry point is looked
  // up on every call until found, then kept. Returns mapiUserAbort (1)
  // without calling anything when the library or the entry point is
  // missing. Message and everything it points to stay owned by the caller
  // and unchanged. ParentWindow is a window handle or 0.
  virtual uint32_t SendMail(uintptr_t Session, uintptr_t ParentWindow, MapiMessage& Message, uint32_t Flags,
                            uint32_t Reserved) = 0;
};

}  // namespace platform
