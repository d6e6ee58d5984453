// TMapiMail: what the two Simple-MAPI mail components (TMapiControl and
// TMapiUse) share: their published properties and events, and the sending
// step that builds the Simple MAPI records from them, calls the binding and
// raises the event that its result calls for.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/simple_mapi.h"
#include "runtime/component.h"
#include "runtime/stringlist.h"

using TMapiErrEvent = std::function<void(TObject* Sender, int32_t ErrCode)>;

class TMapiMail : public TComponent {
 public:
  // Mapi must outlive the component. The strings and lists start empty,
  // ShowDialog and UseAppHandle False, the events unassigned.
  TMapiMail(TComponent* AOwner, platform::ISimpleMapi& Mapi) : TComponent(AOwner), FMapi(Mapi) {}

  std::string Subject;
  std::string Body;      // the note text, sent as is
  std::string FromName;  // the originator's display name
  std::string FromAdress;
  bool ShowDialog = false;    // let the mail client show its logon and compose dialogs
  bool UseAppHandle = false;  // stored with the window layout; sending does not consult it

  // The lists are the component's own; the writers copy the given entries.
  TStringList& Recipients() { return FRecipients; }
  TStringList& CopyTo() { return FCopyTo; }
  TStringList& BlindCopyTo() { return FBlindCopyTo; }
  TStringList& AttachedFiles() { return FAttachedFiles; }
  // The attachments' file names as last sent; rebuilt by a send with
  // attachments, kept by one without.
  const TStringList& DisplayFileName() const { return FDisplayFileName; }

  TNotifyEvent OnUserAbort;   // the send gave 1 (also: no Simple MAPI)
  TMapiErrEvent OnMapiError;  // the send gave another non-zero result
  TNotifyEvent OnSuccess;     // the send gave 0

 protected:
  // Builds the message from the properties, hands it to the binding with
  // ParentWindow and raises the event of the result. Every record and
  // address copy is released when this returns, also when an exception
  // passes (one from the binding or from an event handler propagates).
  void SendWithParent(uintptr_t ParentWindow);

  TStringList FRecipients, FCopyTo, FBlindCopyTo, FAttachedFiles, FDisplayFileName;

 private:
  platform::ISimpleMapi& FMapi;
};
