// TApplication: the application object. It owns the forms made with
// CreateForm, knows the main form, runs the message loop through the peer,
// is the message pump of long pieces of work (forwarding to the peer) and
// shows the exceptions that escape event handlers.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/ui.h"
#include "runtime/component.h"
#include "ui/widget_peer.h"

class TForm;

class TApplication : public TComponent, public platform::IMessagePump {
 public:
  // Peer and Dialogs must outlive the application. The newest application
  // is the global Application until it is destroyed.
  TApplication(IWidgetPeer& Peer, platform::IDialogs& Dialogs);
  ~TApplication() override;

  IWidgetPeer& Peer() const { return FPeer; }
  platform::IDialogs& Dialogs() const { return FDialogs; }

  // Caption of the application's message boxes.
  std::string Title;

  // Kept for the entry's shape; there is nothing to set up.
  void Initialize() {}

  // Makes a form owned by the application (its constructor receives the
  // application as owner, then Args). The first form made becomes the main
  // form. An exception from the constructor propagates; no form is kept.
  template <class T, class... A>
  T* CreateForm(A&&... Args) {
    T* form = new T(this, std::forward<A>(Args)...);
    if (!FMainForm) FMainForm = form;
    return form;
  }
  // The main form; nullptr before CreateForm and after it was destroyed.
  TForm* MainForm() const { return FMainForm; }

  // Shows the main form and runs the message loop until Terminated. Then
  // destroys the forms released meanwhile.
  void Run();
  void Terminate();
  bool Terminated() const { return FTerminated; }
  // Lets the peer handle the pending messages.
  void ProcessMessages() override;

  // Runs Event, the way every input event is run: an exception escaping it
  // is shown by HandleException and does not propagate. After the outermost
  // event, the released forms are destroyed.
  void DispatchEvent(const std::function<void()>& Event);
  // Shows the current exception (call inside a catch block): its text in an
  // error box with the Title as caption; EAbort is silent.
  void HandleException();
  // Shows Text in a message box, with Title as caption when Caption is empty.
  int ShowMessageBox(const std::string& Text, const std::string& Caption = "", uint32_t Flags = platform::mbOK);

  // Destroys Form after the current event (TForm::Release); at once when no
  // event is running. A released main form terminates the application.
  void ReleaseForm(TForm* Form);
  // Destroys the forms released so far (done after each outermost event).
  void DestroyReleasedForms();

  // Called by TForm's destructor: forgets Form (main form, release list).
  void FormDestroyed(TForm* Form);

 private:
  IWidgetPeer& FPeer;
  platform::IDialogs& FDialogs;
  TForm* FMainForm = nullptr;
  bool FTerminated = false;
  int FEventDepth = 0;
  std::vector<TForm*> FReleased;
};

// The application object of the running program, or nullptr.
extern TApplication* Application;
