// TMapiControl: the Simple-MAPI mail control. The owner fills its properties
// and calls Send; the outcome goes only to the events. The wizard owns one,
// MapiUse1, that the statistics card fills and sends.
#pragma once

#include "mail/mapi_mail.h"

class TMapiControl : public TMapiMail {
 public:
  using TMapiMail::TMapiMail;

  void SetRecipients(const TStringList& List) { FRecipients.Assign(List); }
  void SetCopyTo(const TStringList& List) { FCopyTo.Assign(List); }
  void SetBlindCopyTo(const TStringList& List) { FBlindCopyTo.Assign(List); }
  void SetAttachedFiles(const TStringList& List) { FAttachedFiles.Assign(List); }

  // Sends the message with the application's main window (read now) as the
  // mail client's parent; no parent when there is none. No result, no
  // exception for a mail failure: OnSuccess (0), OnUserAbort (1) or
  // OnMapiError (any other result), each only when assigned.
  void Send();
};
