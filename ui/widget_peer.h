// IWidgetPeer: what mirrors the widget model (ui/widgets.h) into a real
// user interface and feeds the user's input back into it.
//
// The model is the truth. A peer never keeps state of its own that the model
// does not have: it reads every property through the controls' getters.
//
// Model -> peer. A form is unknown to its peer until it is first shown
// (TForm::Show, TForm::ShowModal, TApplication::Run): then FormCreated is
// called once, and the peer makes the native windows of the form and of every
// control whose parent chain leads to it, from the state at that moment.
// From then on every setter that changes a property calls Changed with the
// control and what changed; a control given a parent later calls
// ControlCreated. Before FormCreated nothing is called at all.
//
// Peer -> model. Input arrives through the model's input entries, each
// called inside TApplication::DispatchEvent so that an exception escaping a
// handler is shown in a message box and the loop goes on:
//   - a click on a button, check box, radio button, image, label, panel:
//     TControl::Click() (a check box toggles itself, a radio button checks
//     itself, a button with a ModalResult sets its form's ModalResult);
//   - typing in an edit field or text box: TEdit::UserEdited / TMemo::UserEdited
//     (the model takes the text without calling Changed back);
//   - the close box (or Alt+F4): TForm::Close();
//   - a folder opened in a directory list: TDirectoryListBox::OpenItem;
//     a drive chosen in a drive box: TDriveComboBox::SetDrive;
//   - painting of a form: TForm::Paint() (runs OnPaint) before the peer paints;
//   - a control that is not effectively visible and enabled
//     (TControl::Showing(), TControl::EffectivelyEnabled()) takes no input.
#pragma once

#include <cstdint>

class TApplication;
class TControl;
class TForm;

// What changed on a control, for IWidgetPeer::Changed. Stable values.
enum TWidgetChange : uint8_t {
  wcBounds = 0,    // Left, Top, Width, Height (a form: ClientWidth/ClientHeight)
  wcCaption = 1,   // Caption (labels, buttons, check/radio boxes, group boxes, forms, panels)
  wcText = 2,      // Text of an edit field or text box, SimpleText of a status bar
  wcVisible = 3,   // Visible (also the pages' visibility when a notebook's PageIndex changes)
  wcEnabled = 4,   // Enabled
  wcColor = 5,     // Color (or a child's effective colour through ParentColor)
  wcFont = 6,      // Font (or a child's effective font through ParentFont)
  wcCursor = 7,    // Cursor
  wcChecked = 8,   // Checked of a check box or radio button
  wcPosition = 9,  // Min, Max or Position of a progress bar
  wcPicture = 10,  // the bitmap of an image, pen/brush/shape of a shape
  wcItems = 11,    // the items or the current item of a list (directory list, drive box)
  wcStyle = 12,    // anything else that changes the look (Alignment, WordWrap, ScrollBars,
                   // ReadOnly, BorderStyle, Transparent, TabOrder, TabStop...)
};

class IWidgetPeer {
 public:
  virtual ~IWidgetPeer() = default;

  // Form was shown for the first time: make the native windows of it and of
  // all its controls (hidden ones too, hidden), in creation order.
  virtual void FormCreated(TForm& Form) = 0;
  // Control got a parent inside a form for which FormCreated was called.
  virtual void ControlCreated(TControl& Control) = 0;
  // Control is being destroyed (its state is still readable): drop its
  // native window and those of its children. Not called for the controls of
  // a form being destroyed: FormDestroying covers them all.
  virtual void ControlDestroying(TControl& Control) = 0;
  // Form and all its controls are being destroyed: drop their native windows.
  virtual void FormDestroying(TForm& Form) = 0;

  // A property of Control changed (see TWidgetChange).
  virtual void Changed(TControl& Control, TWidgetChange What) = 0;
  // Paint Control now, even though the thread is busy (a progress bar during
  // an extraction): the native equivalent of an immediate update.
  virtual void Repaint(TControl& Control) = 0;

  // Shows Form modally (the other forms take no input), handles messages
  // until Form.ModalResult() is not 0 or the form closed, hides it and
  // returns. TForm::ShowModal reads the result; the peer need not set it.
  virtual void ShowModal(TForm& Form) = 0;
  // The application's message loop: handles messages until
  // App.Terminated(). Returns at once when it already is.
  virtual void RunMessageLoop(TApplication& App) = 0;
  // Handles the pending messages, then returns.
  virtual void ProcessMessages() = 0;
  // Wakes the message loop so that it sees App.Terminated() (PostQuitMessage).
  virtual void PostQuit() = 0;
};
