// HeadlessPeer: a peer that draws nothing. Tests play the user through its
// input methods (which, as a real peer's window procedure, go through the
// application's DispatchEvent and refuse controls that are hidden or
// disabled) and read the model's state back.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/widget_peer.h"
#include "ui/widgets.h"

class HeadlessPeer : public IWidgetPeer {
 public:
  // ---- IWidgetPeer ----
  void FormCreated(TForm& Form) override;
  void ControlCreated(TControl& Control) override;
  void ControlDestroying(TControl& Control) override;
  void FormDestroying(TForm& Form) override;
  void Changed(TControl& Control, TWidgetChange What) override;
  void Repaint(TControl& Control) override;
  // Runs OnShowModal (the user's part) once; returns.
  void ShowModal(TForm& Form) override;
  // Runs OnRun (the user's part) once while not Terminated; returns.
  void RunMessageLoop(TApplication& App) override;
  // Runs OnProcessMessages when set.
  void ProcessMessages() override;
  void PostQuit() override { ++QuitPosts; }

  // ---- The user ----
  // Clicks Control when it is showing and enabled; returns whether it did.
  bool Click(TControl& Control);
  // Types Text into an edit field (replacing its text) when showing and enabled.
  bool Type(TEdit& Edit, const std::string& Text);
  // Presses Enter while Focused (a control of Form, or nullptr for the form
  // itself) has the focus: clicks Form.EnterTarget(Focused) when there is
  // one and it takes input; returns whether a button was clicked.
  bool PressEnter(TForm& Form, TControl* Focused);
  // Presses the close box of Form (when it is showing).
  bool PressCloseBox(TForm& Form);
  // Opens item Index of a directory list; chooses a drive in a drive box.
  bool OpenFolder(TDirectoryListBox& List, int Index);
  bool ChooseDrive(TDriveComboBox& Box, char Letter);
  // Paints Form (its OnPaint runs) when it is showing.
  bool PaintForm(TForm& Form);

  std::function<void(TForm&)> OnShowModal;
  std::function<void(TApplication&)> OnRun;
  std::function<void()> OnProcessMessages;

  // ---- What the model told the peer ----
  struct Note {
    const TControl* Control;
    TWidgetChange What;
    const TForm* Form;  // the control's form at the time
  };
  std::vector<Note> Changes;                 // every Changed call, in order
  std::map<const TControl*, int> Repaints;   // Repaint calls per control
  std::vector<const TForm*> FormsCreated;    // FormCreated calls, in order
  std::vector<const TForm*> FormsDestroyed;  // FormDestroying calls, in order
  int ControlsDestroyed = 0;                 // ControlDestroying calls
  int ModalShows = 0;
  int ProcessMessagesCalls = 0;
  int QuitPosts = 0;
  // Number of Changed calls for Control (with What, or any when What is omitted).
  int ChangeCount(const TControl& Control) const;
  int ChangeCount(const TControl& Control, TWidgetChange What) const;

 private:
  bool Run(TControl& Control, const std::function<void()>& Action);
};
