// Win32Peer: the widget model's peer on Windows. It makes real user32 and
// comctl32 windows for forms and controls, mirrors every change of the model
// into them, paints the windowless controls (labels, images, shapes; an
// image's resource bitmap comes from the program's own resources) and the
// containers' backgrounds with GDI, and feeds clicks, typing, checks, drive
// and folder choices and the close box back into the model through
// TApplication::DispatchEvent.
//
// Keyboard: the message loops pass every message through the dialog manager
// of its form, so Tab and Shift+Tab follow the tab order, and Alt+letter (or
// the letter alone while a button has the focus) presses the control whose
// caption marks that letter with '&'. Enter presses the focused button.
//
// The peer keeps no state of the model: every property is read back from the
// model when a window is made or changed. It must outlive the forms it draws.
#pragma once

#include <memory>

#include "ui/widget_peer.h"

class Win32Peer : public IWidgetPeer {
 public:
  // Instance is the program's HINSTANCE (as void*, so that this header needs
  // no <windows.h>). Registers the window classes and initialises comctl32.
  explicit Win32Peer(void* Instance);
  ~Win32Peer() override;
  Win32Peer(const Win32Peer&) = delete;
  Win32Peer& operator=(const Win32Peer&) = delete;

  void FormCreated(TForm& Form) override;
  void ControlCreated(TControl& Control) override;
  void ControlDestroying(TControl& Control) override;
  void FormDestroying(TForm& Form) override;
  void Changed(TControl& Control, TWidgetChange What) override;
  void Repaint(TControl& Control) override;
  void ShowModal(TForm& Form) override;
  void RunMessageLoop(TApplication& App) override;
  void ProcessMessages() override;
  void PostQuit() override;

  struct Impl;

 private:
  std::unique_ptr<Impl> F;
};
