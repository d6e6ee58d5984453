// TMapiControl: the Simple-MAPI mail control.
//
// This is the least form that the wizard needs: its two settings. Sending
// comes with the mail components.
#pragma once

#include "runtime/component.h"

class TMapiControl : public TComponent {
 public:
  explicit TMapiControl(TComponent* AOwner) : TComponent(AOwner) {}

  bool ShowDialog = false;    // let the mail client show its compose window
  bool UseAppHandle = false;  // give the mail client the application's window
};
