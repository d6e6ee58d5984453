#include "mail/mapi_control.h"

#include "ui/application.h"
#include "ui/widgets.h"

void TMapiControl::Send() {
  TForm* main = Application ? Application->MainForm() : nullptr;
  SendWithParent(main ? reinterpret_cast<uintptr_t>(main->PeerHandle) : 0);
}
