#include "ui/headless_peer.h"

#include <algorithm>

#include "ui/application.h"

void HeadlessPeer::FormCreated(TForm& Form) { FormsCreated.push_back(&Form); }
void HeadlessPeer::ControlCreated(TControl&) {}
void HeadlessPeer::ControlDestroying(TControl& Control) {
  ++ControlsDestroyed;
  Repaints.erase(&Control);
  std::erase_if(Changes, [&](const Note& N) { return N.Control == &Control; });
}

void HeadlessPeer::FormDestroying(TForm& Form) {
  FormsDestroyed.push_back(&Form);
  // The notes about its controls would dangle.
  std::erase_if(Changes, [&](const Note& N) { return N.Form == &Form; });
  Repaints.clear();
}

void HeadlessPeer::Changed(TControl& Control, TWidgetChange What) {
  Changes.push_back({&Control, What, Control.ParentForm()});
}
void HeadlessPeer::Repaint(TControl& Control) { ++Repaints[&Control]; }

void HeadlessPeer::ShowModal(TForm& Form) {
  ++ModalShows;
  if (OnShowModal) OnShowModal(Form);
}

void HeadlessPeer::RunMessageLoop(TApplication& App) {
  if (!App.Terminated() && OnRun) OnRun(App);
}

void HeadlessPeer::ProcessMessages() {
  ++ProcessMessagesCalls;
  if (OnProcessMessages) OnProcessMessages();
}

bool HeadlessPeer::Run(TControl& Control, const std::function<void()>& Action) {
  if (!Control.Showing() || !Control.EffectivelyEnabled()) return false;
  if (Application)
    Application->DispatchEvent(Action);
  else
    Action();
  return true;
}

bool HeadlessPeer::Click(TControl& Control) {
  return Run(Control, [&] { Control.Click(); });
}

bool HeadlessPeer::Type(TEdit& Edit, const std::string& Text) {
  return Run(Edit, [&] { Edit.UserEdited(Text); });
}

bool HeadlessPeer::PressEnter(TForm& Form, TControl* Focused) {
  TButton* target = Form.Showing() ? Form.EnterTarget(Focused) : nullptr;
  return target && Click(*target);
}

bool HeadlessPeer::PressCloseBox(TForm& Form) {
  if (!Form.Showing()) return false;
  TForm* form = &Form;
  if (Application)
    Application->DispatchEvent([form] { form->Close(); });
  else
    form->Close();
  return true;
}

bool HeadlessPeer::OpenFolder(TDirectoryListBox& List, int Index) {
  return Run(List, [&] { List.OpenItem(Index); });
}

bool HeadlessPeer::ChooseDrive(TDriveComboBox& Box, char Letter) {
  return Run(Box, [&] { Box.SetDrive(Letter); });
}

bool HeadlessPeer::PaintForm(TForm& Form) {
  if (!Form.Showing()) return false;
  return Run(Form, [&] { Form.Paint(); });
}

int HeadlessPeer::ChangeCount(const TControl& Control) const {
  return static_cast<int>(
      std::count_if(Changes.begin(), Changes.end(), [&](const Note& N) { return N.Control == &Control; }));
}

int HeadlessPeer::ChangeCount(const TControl& Control, TWidgetChange What) const {
  return static_cast<int>(std::count_if(Changes.begin(), Changes.end(),
                                        [&](const Note& N) { return N.Control == &Control && N.What == What; }));
}
