// TMapiUse: the mail sender, a twin of TMapiControl with Italian-named
// operations. It refuses to send without a recipient, passes no parent
// window to the mail client and can be emptied with Reset.
#pragma once

#include "mail/mapi_mail.h"
#include "platform/dialogs.h"

class TMapiUse : public TMapiMail {
 public:
  // Mapi and Dialogs must outlive the component.
  TMapiUse(TComponent* AOwner, platform::ISimpleMapi& Mapi, platform::IDialogs& Dialogs)
      : TMapiMail(AOwner, Mapi), FDialogs(Dialogs) {}

  void SetToAddr(const TStringList& List) { FRecipients.Assign(List); }
  void SetCCAddr(const TStringList& List) { FCopyTo.Assign(List); }
  void SetBCCAddr(const TStringList& List) { FBlindCopyTo.Assign(List); }
  void SetAttachedFileName(const TStringList& List) { FAttachedFiles.Assign(List); }

  // Empties the four strings, then Recipients, CopyTo, BlindCopyTo,
  // AttachedFiles and DisplayFileName.
  void Reset();
  // Sends without a parent window, as TMapiControl::Send does otherwise.
  // Without any recipient it shows "Nessun destinatario" (caption "Stop",
  // stop icon) and sends nothing, raises nothing.
  void InviaMail();

 private:
  platform::IDialogs& FDialogs;
};
