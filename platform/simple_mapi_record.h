// A deep copy of a Simple MAPI message as a mail client received it, for the
// host binding and the tests to read back: every text copied (nullopt for a
// null pointer), every count and flag as passed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/simple_mapi.h"

namespace platform {

struct MapiRecipRecord {
  uint32_t Reserved = 0;
  uint32_t RecipClass = 0;
  std::optional<std::string> Name;
  std::optional<std::string> Address;
  uint32_t EIDSize = 0;
  bool EntryIDNull = true;
};

struct MapiFileRecord {
  uint32_t Reserved = 0;
  uint32_t Flags = 0;
  uint32_t Position = 0;
  std::optional<std::string> PathName;
  std::optional<std::string> FileName;
  bool FileTypeNull = true;
};

struct MapiMailRecord {
  uintptr_t Session = 0;
  uintptr_t ParentWindow = 0;
  uint32_t SendFlags = 0;
  uint32_t Reserved = 0;
  uint32_t MessageReserved = 0;
  std::optional<std::string> Subject, NoteText, MessageType, DateReceived, ConversationID;
  uint32_t MessageFlags = 0;
  std::optional<MapiRecipRecord> Originator;  // nullopt: no originator record
  uint32_t RecipCount = 0;
  bool RecipsNull = true;
  std::vector<MapiRecipRecord> Recips;  // RecipCount records when the array is there
  uint32_t FileCount = 0;
  bool FilesNull = true;
  std::vector<MapiFileRecord> Files;  // FileCount records when the array is there
};

// Copies Message and the call's other arguments. Reads exactly the counts
// the message gives; the caller guarantees the arrays hold that many.
MapiMailRecord RecordMapiMail(uintptr_t Session, uintptr_t ParentWindow, const MapiMessage& Message, uint32_t Flags,
                              uint32_t Reserved);

}  // namespace platform
