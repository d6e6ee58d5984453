#include "mail/mapi_mail.h"

#include <memory>
#include <vector>

#include "runtime/windows_path.h"

namespace {

// Simple MAPI takes non-const texts; the mail client only reads them.
char* Text(const std::string& S) { return const_cast<char*>(S.c_str()); }

// The records of one message. They point into the component's strings and
// lists (which stay unchanged during the send) and into the address copies
// held here; everything is released with this object.
class TMapiRecords {
 public:
  TMapiRecords(TMapiMail& Mail, const TStringList& To, const TStringList& Cc, const TStringList& Bcc,
               const TStringList& Files, const TStringList& DisplayNames, uint32_t Flags) {
    FOriginator = {0, platform::mapiOrig, Text(Mail.FromName), Text(Mail.FromAdress), 0, nullptr};
    const std::pair<const TStringList*, uint32_t> lists[] = {
        {&To, platform::mapiTo}, {&Cc, platform::mapiCc}, {&Bcc, platform::mapiBcc}};
    for (const auto& [list, recipClass] : lists)
      for (const std::string& entry : list->Items()) {
        // Each recipient gets its own address copy; the prefix goes on every
        // entry unchanged.
        FAddresses.push_back(std::make_unique<std::string>("SMTP:" + entry));
        FRecips.push_back({0, recipClass, Text(entry), Text(*FAddresses.back()), 0, nullptr});
      }
    for (int i = 0; i < Files.Count(); ++i)
      FFiles.push_back({0, 0, 0xFFFFFFFFu, Text(Files[i]), Text(DisplayNames[i]), nullptr});
    FMessage = {0,
                Text(Mail.Subject),
                Text(Mail.Body),
                nullptr,
                nullptr,
                nullptr,
                0,
                &FOriginator,
                static_cast<uint32_t>(FRecips.size()),
                FRecips.empty() ? nullptr : FRecips.data(),
                static_cast<uint32_t>(FFiles.size()),
                FFiles.empty() ? nullptr : FFiles.data()};
    FFlags = Flags;
  }

  platform::MapiMessage& Message() { return FMessage; }
  uint32_t Flags() const { return FFlags; }

 private:
  platform::MapiRecipDesc FOriginator{};
  std::vector<std::unique_ptr<std::string>> FAddresses;
  std::vector<platform::MapiRecipDesc> FRecips;
  std::vector<platform::MapiFileDesc> FFiles;
  platform::MapiMessage FMessage{};
  uint32_t FFlags = 0;
};

}  // namespace

void TMapiMail::SendWithParent(uintptr_t ParentWindow) {
  if (FAttachedFiles.Count() > 0) {
    FDisplayFileName.Clear();
    for (const std::string& path : FAttachedFiles.Items()) FDisplayFileName.Add(FileNamePart(path));
  }
  uint32_t flags = ShowDialog ? platform::mapiLogonUI | platform::mapiNewSession | platform::mapiDialog : 0;
  uint32_t result;
  {
    TMapiRecords records(*this, FRecipients, FCopyTo, FBlindCopyTo, FAttachedFiles, FDisplayFileName, flags);
    result = FMapi.SendMail(0, ParentWindow, records.Message(), records.Flags(), 0);
  }
  if (result == platform::mapiSuccess) {
    if (OnSuccess) OnSuccess(this);
  } else if (result == platform::mapiUserAbort) {
    if (OnUserAbort) OnUserAbort(this);
  } else if (OnMapiError) {
    OnMapiError(this, static_cast<int32_t>(result));
  }
}
