#include "ui/application.h"

#include <algorithm>

#include "runtime/exceptions.h"
#include "ui/widgets.h"

TApplication* Application = nullptr;

TApplication::TApplication(IWidgetPeer& Peer, platform::IDialogs& Dialogs)
    : TComponent(nullptr), FPeer(Peer), FDialogs(Dialogs) {
  Application = this;
}

TApplication::~TApplication() {
  // The owned forms go first, while this object is still the application
  // they report their destruction to.
  while (ComponentCount() > 0) delete Components(ComponentCount() - 1);
  if (Application == this) Application = nullptr;
}

void TApplication::Run() {
  if (FMainForm) {
    try {
      FMainForm->ShowForm();
    } catch (...) {
      HandleException();
    }
  }
  if (!FMainForm) FTerminated = true;
  FPeer.RunMessageLoop(*this);
  DestroyReleasedForms();
}

void TApplication::Terminate() {
  if (FTerminated) return;
  FTerminated = true;
  FPeer.PostQuit();
}

void TApplication::ProcessMessages() { FPeer.ProcessMessages(); }

void TApplication::DispatchEvent(const std::function<void()>& Event) {
  ++FEventDepth;
  try {
    Event();
  } catch (...) {
    HandleException();
  }
  --FEventDepth;
  if (FEventDepth == 0) DestroyReleasedForms();
}

void TApplication::HandleException() {
  std::string text;
  try {
    throw;
  } catch (const EAbort&) {
    return;
  } catch (const std::exception& e) {
    text = e.what();
  } catch (...) {
    text = "Unknown exception";
  }
  FDialogs.ShowMessageBox(text, Title, platform::mbOK | platform::mbIconError);
}

int TApplication::ShowMessageBox(const std::string& Text, const std::string& Caption, uint32_t Flags) {
  return FDialogs.ShowMessageBox(Text, Caption.empty() ? Title : Caption, Flags);
}

void TApplication::ReleaseForm(TForm* Form) {
  if (!Form) return;
  if (std::find(FReleased.begin(), FReleased.end(), Form) == FReleased.end()) FReleased.push_back(Form);
  if (Form == FMainForm) Terminate();
  if (FEventDepth == 0) DestroyReleasedForms();
}

void TApplication::DestroyReleasedForms() {
  while (!FReleased.empty()) {
    TForm* form = FReleased.front();
    FReleased.erase(FReleased.begin());
    delete form;
  }
}

void TApplication::FormDestroyed(TForm* Form) {
  if (Form == FMainForm) {
    FMainForm = nullptr;
    Terminate();
  }
  FReleased.erase(std::remove(FReleased.begin(), FReleased.end(), Form), FReleased.end());
}
