// TINetDetector: the internet-connection detector. It checks every
// DispatchInterval milliseconds whether the machine is online and raises
// OnChanged when the answer changes.
//
// This is the least form that the wizard needs: it holds its settings and
// its Online state; the periodic check is not made yet, so OnChanged is only
// raised by SetOnline.
#pragma once

#include <cstdint>

#include "runtime/component.h"

class TINetDetector : public TComponent {
 public:
  explicit TINetDetector(TComponent* AOwner) : TComponent(AOwner) {}

  bool Enabled = false;
  uint32_t DispatchInterval = 1000;  // milliseconds between checks
  TNotifyEvent OnChanged;

  // Starts false: no check has found the machine online yet.
  bool Online() const { return FOnline; }
  // Records the result of a check; raises OnChanged when it differs.
  void SetOnline(bool Value) {
    if (Value == FOnline) return;
    FOnline = Value;
    if (OnChanged) OnChanged(this);
  }

 private:
  bool FOnline = false;
};
