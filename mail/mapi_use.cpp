#include "mail/mapi_use.h"

void TMapiUse::Reset() {
  Subject.clear();
  Body.clear();
  FromName.clear();
  FromAdress.clear();
  for (TStringList* list : {&FRecipients, &FCopyTo, &FBlindCopyTo, &FAttachedFiles, &FDisplayFileName}) list->Clear();
}

void TMapiUse::InviaMail() {
  if (FRecipients.Count() + FCopyTo.Count() + FBlindCopyTo.Count() == 0) {
    FDialogs.ShowMessageBox("Nessun destinatario", "Stop", platform::mbIconError);
    return;
  }
  SendWithParent(0);
}
