#include "platform/simple_mapi_record.h"

namespace platform {

namespace {

std::optional<std::string> Text(const char* P) {
  if (!P) return std::nullopt;
  return std::string(P);
}

MapiRecipRecord RecordRecip(const MapiRecipDesc& R) {
  return {R.ulReserved, R.ulRecipClass, Text(R.lpszName), Text(R.lpszAddress), R.ulEIDSize, R.lpEntryID == nullptr};
}

}  // namespace

MapiMailRecord RecordMapiMail(uintptr_t Session, uintptr_t ParentWindow, const MapiMessage& Message, uint32_t Flags,
                              uint32_t Reserved) {
  MapiMailRecord r;
  r.Session = Session;
  r.ParentWindow = ParentWindow;
  r.SendFlags = Flags;
  r.Reserved = Reserved;
  r.MessageReserved = Message.ulReserved;
  r.Subject = Text(Message.lpszSubject);
  r.NoteText = Text(Message.lpszNoteText);
  r.MessageType = Text(Message.lpszMessageType);
  r.DateReceived = Text(Message.lpszDateReceived);
  r.ConversationID = Text(Message.lpszConversationID);
  r.MessageFlags = Message.flFlags;
  if (Message.lpOriginator) r.Originator = RecordRecip(*Message.lpOriginator);
  r.RecipCount = Message.nRecipCount;
  r.RecipsNull = Message.lpRecips == nullptr;
  if (Message.lpRecips)
    for (uint32_t i = 0; i < Message.nRecipCount; ++i) r.Recips.push_back(RecordRecip(Message.lpRecips[i]));
  r.FileCount = Message.nFileCount;
  r.FilesNull = Message.lpFiles == nullptr;
  if (Message.lpFiles)
    for (uint32_t i = 0; i < Message.nFileCount; ++i) {
      const MapiFileDesc& f = Message.lpFiles[i];
      r.Files.push_back(
          {f.ulReserved, f.flFlags, f.nPosition, Text(f.lpszPathName), Text(f.lpszFileName), f.lpFileType == nullptr});
    }
  return r;
}

}  // namespace platform
