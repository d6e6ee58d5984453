// TMapiControl: the Simple-MAPI mail control. The owner fills its properties
// and calls Send; the outcome goes only to the events. The wizard owns one,
// MapiUse1, that the statistics card fills and sends.
#pragma once

#include <cstdint>
#include <functional>

#include "mail/mapi_mail.h"

class TMapiControl : public TMapiMail {
 public:
  using TMapiMail::TMapiMail;

  void SetRecipients(const TStringList& List) { FRecipients.Assign(List); }
  void SetCopyTo(const TStringList& List) { FCopyTo.Assign(List); }
  void SetBlindCopyTo(const TStringList& List) { FBlindCopyTo.Assign(List); }
  void SetAttachedFiles(const TStringList& List) { FAttachedFiles.Assign(List); }

  // Answers the window the mail client takes as its parent (the installer
  // answers with its main form's window); asked at every Send. Not set, or
  // answering 0: no parent.
  std::function<uintptr_t()> OnGetParentWindow;

  // Sends the message with the window OnGetParentWindow answers now as the
  // mail client's parent. No result, no exception for a mail failure:
  // OnSuccess (0), OnUserAbort (1) or OnMapiError (any other result), each
  // only when assigned.
  void Send();
};
