// The widget model: forms and standard controls whose state is the truth.
// A peer (ui/widget_peer.h) mirrors that state into native controls and
// feeds the user's input back through the input entries named there.
//
// Ownership: every control is a TComponent, destroyed by its Owner (a form
// owns all its controls). Parent is separate: it is the TWinControl inside
// which the control is laid out and shown; Left/Top are relative to the
// parent's client area. A TWinControl lists its children in the order they
// got it as parent (creation order); where siblings overlap, a later one lies
// over an earlier one.
//
// Setters change the state and, when the value really changed and the form
// is known to its peer, call IWidgetPeer::Changed. Getters never call the peer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/component.h"
#include "runtime/stringlist.h"
#include "ui/widget_peer.h"

namespace platform {
class IFileSystem;
}

// ---- Colours, fonts, cursors, bitmaps ---------------------------------

// A colour: 0x00BBGGRR as a Windows COLORREF, or a system colour
// 0x80000000 | index (GetSysColor's index) such as clBtnFace.
using TColor = uint32_t;
constexpr TColor RgbColor(uint8_t R, uint8_t G, uint8_t B) {
  return static_cast<TColor>(R) | (static_cast<TColor>(G) << 8) | (static_cast<TColor>(B) << 16);
}
constexpr bool IsSystemColor(TColor C) { return (C & 0x80000000u) != 0; }
constexpr int SystemColorIndex(TColor C) { return static_cast<int>(C & 0xFFu); }
enum : TColor {
  clBlack = 0x000000,
  clWhite = 0xFFFFFF,
  clBtnFace = 0x8000000F,     // COLOR_BTNFACE
  clWindow = 0x80000005,      // COLOR_WINDOW
  clWindowText = 0x80000008,  // COLOR_WINDOWTEXT
  clBtnText = 0x80000012,     // COLOR_BTNTEXT
};

struct TFont {
  std::string Name = "MS Sans Serif";
  int Size = 8;  // points; the pixel height is -Size * PixelsPerInch / 72 (8 pt = -11 at 96)
  bool Bold = false;
  bool Underline = false;
  TColor Color = clWindowText;
  // Character height in pixels at PixelsPerInch (negative, as LOGFONT's lfHeight).
  int Height(int PixelsPerInch = 96) const { return -((Size * PixelsPerInch + 36) / 72); }
  bool operator==(const TFont&) const = default;
};

enum TCursor : int16_t { crDefault = 0, crHourGlass = -11, crHandPoint = -21 };

// An immutable picture shared between copies: assigning a bitmap shares its
// data, and SameAs tells whether two bitmaps share it. A bitmap holds either
// pixels or the name of a bitmap resource of the program, which the peer
// loads (the headless peer draws neither).
class TBitmap {
 public:
  TBitmap() = default;
  // Pixels: Width * Height colours (0x00BBGGRR), rows top-down. Throws
  // EArgumentError when the count does not match.
  TBitmap(int Width, int Height, std::vector<TColor> Pixels);
  // The bitmap resource Name ("LOGO_PAGE"), of the given size.
  static TBitmap Resource(const std::string& Name, int Width, int Height);
  int Width() const { return FData ? FData->Width : 0; }
  int Height() const { return FData ? FData->Height : 0; }
  bool Empty() const { return !FData; }
  // Width * Height colours, rows top-down; nullptr when empty or a resource.
  const TColor* Pixels() const { return FData && !FData->Pixels.empty() ? FData->Pixels.data() : nullptr; }
  TColor Pixel(int X, int Y) const { return FData->Pixels.at(static_cast<size_t>(Y * FData->Width + X)); }
  // The resource's name; "" for pixels or an empty bitmap.
  const std::string& ResourceName() const;
  bool SameAs(const TBitmap& Other) const { return FData == Other.FData; }

 private:
  struct Data {
    int Width, Height;
    std::vector<TColor> Pixels;
    std::string ResourceName;
  };
  std::shared_ptr<const Data> FData;
};

// ---- Enumerations ------------------------------------------------------

enum TAlign : uint8_t { alNone = 0, alTop = 1, alBottom = 2, alLeft = 3, alRight = 4, alClient = 5 };
enum TAlignment : uint8_t { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };
enum TBorderStyle : uint8_t { bsNone = 0, bsSingle = 1, bsSizeable = 2, bsDialog = 3 };
enum TBevelCut : uint8_t { bvNone = 0, bvLowered = 1, bvRaised = 2 };
enum TScrollStyle : uint8_t { ssNone = 0, ssHorizontal = 1, ssVertical = 2, ssBoth = 3 };
enum TPosition : uint8_t { poDesigned = 0, poScreenCenter = 1 };
enum TShapeType : uint8_t { stRectangle = 0, stCircle = 1, stEllipse = 2 };
enum TCloseAction : uint8_t { caNone = 0, caHide = 1, caFree = 2, caMinimize = 3 };
enum : int { mrNone = 0, mrOk = 1, mrCancel = 2 };

// What the peer makes for a control.
enum TControlKind : uint8_t {
  ckForm,
  ckPanel,
  ckNotebook,
  ckPage,
  ckGroupBox,
  ckLabel,
  ckButton,
  ckEdit,
  ckMemo,
  ckCheckBox,
  ckRadioButton,
  ckProgressBar,
  ckStatusBar,
  ckImage,
  ckShape,
  ckDriveComboBox,
  ckDirectoryListBox,
};

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TWinControl;
class TForm;
class TButton;

// ---- TControl ----------------------------------------------------------

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  virtual TControlKind Kind() const = 0;

  // Parent for layout. Set once, normally right after construction; the
  // control is appended to the parent's children.
  TWinControl* Parent() const { return FParent; }
  void SetParent(TWinControl* AParent);
  // The form whose client area holds the control (itself for a form), or nullptr.
  TForm* ParentForm() const;

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  void SetLeft(int V) { SetBounds(V, FTop, FWidth, FHeight); }
  void SetTop(int V) { SetBounds(FLeft, V, FWidth, FHeight); }
  void SetWidth(int V) { SetBounds(FLeft, FTop, V, FHeight); }
  void SetHeight(int V) { SetBounds(FLeft, FTop, FWidth, V); }

  // Placement by the parent: alTop/alBottom/alLeft/alRight/alClient controls
  // are laid out by the parent in creation order, overriding their bounds.
  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign Value);

  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);

  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible, and so are all its parents up to the form (the form included).
  bool Showing() const;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  // Enabled, and so are all its parents.
  bool EffectivelyEnabled() const;

  // Colour: the parent's while ParentColor; SetColor turns ParentColor off.
  TColor Color() const;
  void SetColor(TColor Value);
  bool ParentColor() const { return FParentColor; }
  // Font: the parent's while ParentFont; SetFont turns ParentFont off.
  const TFont& Font() const;
  void SetFont(const TFont& Value);
  bool ParentFont() const { return FParentFont; }

  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor Value);

  // Tab order among the parent's children; defaults to creation order.
  int TabOrder() const { return FTabOrder; }
  void SetTabOrder(int Value);
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool Value);

  TNotifyEvent OnClick;
  // Input entry: the user clicked the control. Runs OnClick when set; kinds
  // with a click behaviour (button, check box, radio button) override it.
  virtual void Click();

  // Set by the peer (the Win32 peer: the native window handle) and cleared
  // when it drops the native window; the model itself never reads it. The
  // application reads it to name an owner window to the system (the browser
  // opener, the mail client); nullptr under a peer without native windows.
  void* PeerHandle = nullptr;

 protected:
  // Calls the peer's Changed when the form is known to its peer.
  void Notify(TWidgetChange What);
  // Notify for this control and, for a window control, every descendant
  // that inherits the colour or font (What = wcColor or wcFont).
  void NotifyInherited(TWidgetChange What);
  // The shape of every property setter: stores Value in Field and tells the
  // peer What changed. Returns false, and tells nothing, when Same(Field,
  // Value) holds already.
  template <class T, class TSame = std::equal_to<>>
  bool SetProperty(T& Field, const T& Value, TWidgetChange What, TSame Same = {}) {
    if (Same(Field, Value)) return false;
    Field = Value;
    Notify(What);
    return true;
  }
  // SetProperty for a property a control takes from its parent until it is
  // set (colour, font): FromParent ends, and the children that take it from
  // this control are told as well.
  template <class T>
  void SetOwnProperty(T& Field, bool& FromParent, const T& Value, TWidgetChange What) {
    if (!FromParent && Field == Value) return;
    Field = Value;
    FromParent = false;
    NotifyInherited(What);
  }
  bool FTabStop = false;
  TColor FColor = clBtnFace;
  bool FParentColor = true;

 private:
  friend class TWinControl;
  friend class TForm;
  TWinControl* FParent = nullptr;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  TAlign FAlign = alNone;
  std::string FCaption;
  bool FVisible = true;
  bool FEnabled = true;
  TFont FFont;
  bool FParentFont = true;
  TCursor FCursor = crDefault;
  int FTabOrder = 0;
};

// ---- TWinControl: a control that holds others ---------------------------

class TWinControl : public TControl {
 public:
  using TControl::TControl;
  ~TWinControl() override;

  int ControlCount() const { return static_cast<int>(FChildren.size()); }
  TControl* Controls(int Index) const { return FChildren.at(static_cast<size_t>(Index)); }
  // Children sorted by TabOrder (ties in creation order).
  std::vector<TControl*> TabOrderList() const;
  // The control that gets the focus first inside this one: the first tab
  // stop, in tab order and depth first through the containers, that is
  // showing and effectively enabled. nullptr when there is none.
  TControl* FirstTabStop() const;

  // Client size (for a plain window control, its Width and Height).
  virtual int ClientWidth() const { return Width(); }
  virtual int ClientHeight() const { return Height(); }
  // Lays out the aligned children again (done by the model whenever a
  // child's alignment or bounds or this control's size changes).
  void Realign();

 private:
  friend class TControl;
  std::vector<TControl*> FChildren;
};

// ---- Forms -------------------------------------------------------------

class TForm : public TWinControl {
 public:
  // The form's peer must outlive it.
  TForm(TComponent* AOwner, IWidgetPeer& Peer);
  ~TForm() override;
  TControlKind Kind() const override { return ckForm; }
  IWidgetPeer& Peer() const { return FPeer; }
  // True once FormCreated was called on the peer (the form was shown once).
  bool PeerKnows() const { return FPeerKnows; }

  // Width/Height of a form are its client size; the peer adds the frame.
  int ClientWidth() const override { return Width(); }
  int ClientHeight() const override { return Height(); }
  void SetClientWidth(int V) { SetWidth(V); }
  void SetClientHeight(int V) { SetHeight(V); }

  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle V);
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition V) { FPosition = V; }

  TNotifyEvent OnCreate;  // run by DoCreate
  TNotifyEvent OnPaint;   // run by Paint
  TCloseQueryEvent OnCloseQuery;
  TCloseEvent OnClose;

  // Runs OnCreate. An exception escaping it is shown by the application
  // (when there is one) and ends only OnCreate; without an application it
  // propagates. A form class calls it at the end of its constructor.
  void DoCreate();
  // Input entry: the window is being painted. Runs OnPaint.
  void Paint();

  // Makes the form visible (telling the peer about it the first time).
  void ShowForm();
  // Shows the form modally and returns its ModalResult (mrCancel when the
  // form was closed without one).
  int ShowModal();
  bool Modal() const { return FModal; }
  int ModalResult() const { return FModalResult; }
  void SetModalResult(int V) { FModalResult = V; }

  // Asks to close (close box, a button's handler). Runs OnCloseQuery; when
  // that refuses, nothing happens. Otherwise runs OnClose with the action
  // caHide (caFree would be set by the handler). Then, unless the action is
  // caNone: a modal form gets ModalResult mrCancel when it has none; the
  // application's main form terminates the application; caHide hides the
  // form; caFree releases it (destroyed later by the application, see
  // TApplication::ReleaseForm).
  void Close();
  // Destroys the form once the current event is over.
  void Release();

  // The default button that is showing and effectively enabled (on a
  // notebook, the current page's), or nullptr.
  TButton* DefaultButton() const;
  // The button that Enter presses while Focused has the focus: Focused
  // itself when it is a button; nullptr in a text box that takes Enter as a
  // new line (WantReturns); otherwise DefaultButton(). Focused may be nullptr
  // (the form itself has the focus).
  TButton* EnterTarget(TControl* Focused) const;

 private:
  friend class TControl;
  IWidgetPeer& FPeer;
  bool FPeerKnows = false;
  bool FModal = false;
  int FModalResult = mrNone;
  TBorderStyle FBorderStyle = bsSizeable;
  TPosition FPosition = poDesigned;
};

// ---- Containers ----------------------------------------------------------

class TPanel : public TWinControl {
 public:
  explicit TPanel(TComponent* AOwner);
  TControlKind Kind() const override { return ckPanel; }
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut V);

 private:
  TBevelCut FBevelOuter = bvRaised;
};

class TGroupBox : public TWinControl {
 public:
  using TWinControl::TWinControl;
  TControlKind Kind() const override { return ckGroupBox; }
};

class TNotebook;

// One page of a notebook; its Caption is the page's stored name. Visible
// only while it is the notebook's current page (managed by the notebook).
class TPage : public TWinControl {
 public:
  using TWinControl::TWinControl;
  TControlKind Kind() const override { return ckPage; }
};

// Pages stacked in the same place, one shown at a time.
class TNotebook : public TWinControl {
 public:
  using TWinControl::TWinControl;
  TControlKind Kind() const override { return ckNotebook; }
  // Appends a page named PageName, owned by Owner, filling the notebook.
  // The first page added becomes the current one.
  TPage* AddPage(TComponent* Owner, const std::string& PageName);
  int PageCount() const { return static_cast<int>(FPages.size()); }
  TPage* Pages(int Index) const { return FPages.at(static_cast<size_t>(Index)); }
  int PageIndex() const { return FPageIndex; }
  // Makes page Index current (shows it, hides the one before). An index
  // outside 0..PageCount-1 is ignored.
  void SetPageIndex(int Index);

 private:
  std::vector<TPage*> FPages;
  int FPageIndex = -1;
};

// ---- Simple controls -----------------------------------------------------

class TLabel : public TControl {
 public:
  explicit TLabel(TComponent* AOwner);
  TControlKind Kind() const override { return ckLabel; }
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool V);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool V);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment V);

 private:
  bool FTransparent = false;
  bool FWordWrap = false;
  TAlignment FAlignment = taLeftJustify;
};

// A push button; '&' in its Caption marks the accelerator.
class TButton : public TControl {
 public:
  explicit TButton(TComponent* AOwner);
  TControlKind Kind() const override { return ckButton; }
  // When not mrNone, a click sets the form's ModalResult to it (before OnClick).
  int ModalResult = mrNone;
  // The default button of its page or form: Enter presses it from any
  // control that does not take Enter itself (TForm::EnterTarget). Set with
  // the layout, before the form is shown.
  bool Default = false;
  void Click() override;
};

class TEdit : public TControl {
 public:
  explicit TEdit(TComponent* AOwner);
  TControlKind Kind() const override { return ckEdit; }
  const std::string& Text() const { return FText; }
  // Sets the text (the peer is told); runs OnChange when it changed.
  void SetText(const std::string& Value);
  // Input entry: the user changed the text to Value. Like SetText but the
  // peer is not told (it shows Value already).
  void UserEdited(const std::string& Value);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle V);
  TNotifyEvent OnChange;

 private:
  std::string FText;
  TBorderStyle FBorderStyle = bsSingle;
};

// A multi-line text box.
class TMemo : public TControl {
 public:
  explicit TMemo(TComponent* AOwner);
  TControlKind Kind() const override { return ckMemo; }
  const TStringList& Lines() const { return FLines; }
  // All lines, each ended by CR LF.
  std::string Text() const { return FLines.Text(); }
  void SetText(const std::string& Value);
  // Input entry: the user changed the text (the peer is not told).
  void UserEdited(const std::string& Value);
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle V);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool V);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle V);
  // Enter starts a new line (true) or goes to the form's default button.
  bool WantReturns = true;
  // Tab is typed into the text (true) or moves the focus as from any other
  // control (false, so a keyboard user can leave the box).
  bool WantTabs = false;
  TNotifyEvent OnChange;

 private:
  TStringList FLines;
  TScrollStyle FScrollBars = ssNone;
  bool FReadOnly = false;
  TBorderStyle FBorderStyle = bsSingle;
};

class TCheckBox : public TControl {
 public:
  explicit TCheckBox(TComponent* AOwner);
  TControlKind Kind() const override { return ckCheckBox; }
  bool Checked() const { return FChecked; }
  void SetChecked(bool V);
  // Toggles Checked, then runs OnClick.
  void Click() override;

 private:
  bool FChecked = false;
};

// Radio buttons with the same parent form one group: checking one unchecks
// the others.
class TRadioButton : public TControl {
 public:
  explicit TRadioButton(TComponent* AOwner);
  TControlKind Kind() const override { return ckRadioButton; }
  bool Checked() const { return FChecked; }
  void SetChecked(bool V);
  // Checks the button (unchecking its group), then runs OnClick.
  void Click() override;

 private:
  bool FChecked = false;
};

class TProgressBar : public TControl {
 public:
  explicit TProgressBar(TComponent* AOwner);
  TControlKind Kind() const override { return ckProgressBar; }
  int Min() const { return FMin; }
  int Max() const { return FMax; }
  int Position() const { return FPosition; }
  // Sets the range; Position is kept inside it.
  void SetRange(int AMin, int AMax);
  // Sets Position, kept inside Min..Max.
  void SetPosition(int Value);
  // Paints the bar at once (IWidgetPeer::Repaint).
  void Repaint();

 private:
  int FMin = 0, FMax = 100, FPosition = 0;
};

// A status bar with one text and no panels.
class TStatusBar : public TControl {
 public:
  explicit TStatusBar(TComponent* AOwner);
  TControlKind Kind() const override { return ckStatusBar; }
  const std::string& SimpleText() const { return FSimpleText; }
  void SetSimpleText(const std::string& Value);

 private:
  std::string FSimpleText;
};

// Shows a bitmap at its top-left corner, clipped to the control.
class TImage : public TControl {
 public:
  explicit TImage(TComponent* AOwner);
  TControlKind Kind() const override { return ckImage; }
  const TBitmap& Picture() const { return FPicture; }
  // Replaces the bitmap; the peer is told only when it is another one.
  void SetPicture(const TBitmap& Value);

 private:
  TBitmap FPicture;
};

// A filled rectangle or circle with an outline.
class TShape : public TControl {
 public:
  explicit TShape(TComponent* AOwner);
  TControlKind Kind() const override { return ckShape; }
  TShapeType Shape() const { return FShape; }
  void SetShape(TShapeType V);
  TColor PenColor() const { return FPenColor; }
  void SetPenColor(TColor V);
  TColor BrushColor() const { return FBrushColor; }
  void SetBrushColor(TColor V);

 private:
  TShapeType FShape = stRectangle;
  TColor FPenColor = clBlack;
  TColor FBrushColor = clWhite;
};

// ---- Folder choosing -------------------------------------------------------

class TDirectoryListBox;

// The machine's drives; choosing one moves the linked directory list to it.
class TDriveComboBox : public TControl {
 public:
  explicit TDriveComboBox(TComponent* AOwner);
  TControlKind Kind() const override { return ckDriveComboBox; }
  // Reads the drives from Files (which must outlive the control) and picks
  // the drive of Files.GetCurrentDir().
  void SetFileSystem(platform::IFileSystem* Files);
  // One text per drive: "c:" or "c: [label]".
  const std::vector<std::string>& Items() const { return FItems; }
  // Lower-case letter of the current drive; 0 before SetFileSystem.
  char Drive() const { return FDrive; }
  int ItemIndex() const;
  // Input entry too: makes Letter the current drive and moves the linked list
  // to that drive's current folder (its root, or the process's current folder
  // when that is on this drive). A drive not in Items is ignored.
  void SetDrive(char Letter);
  TDirectoryListBox* DirList = nullptr;
  TNotifyEvent OnChange;

 private:
  platform::IFileSystem* FFiles = nullptr;
  std::vector<std::string> FItems;
  std::vector<char> FLetters;
  char FDrive = 0;
};

// A folder tree: the current folder's ancestors (from the drive's root),
// the current folder, then its subfolders.
class TDirectoryListBox : public TControl {
 public:
  explicit TDirectoryListBox(TComponent* AOwner);
  TControlKind Kind() const override { return ckDirectoryListBox; }
  // Files must outlive the control; the list opens at Files.GetCurrentDir().
  void SetFileSystem(platform::IFileSystem* Files);
  struct Item {
    std::string Name;  // "c:\" for the root, else the folder's name
    int Level;         // 0 for the root, 1 for its folders, ...
    bool Open;         // an ancestor or the current folder itself
  };
  const std::vector<Item>& Items() const { return FItems; }
  // Index of the current folder in Items.
  int ItemIndex() const { return FItemIndex; }
  int ItemHeight = 16;
  // The current folder, a full path ("c:\programmi\brovik"; a root is "c:\").
  const std::string& Directory() const { return FDirectory; }
  // Makes Path current and re-reads the items; runs OnChange when it changed.
  void SetDirectory(const std::string& Path);
  // Input entry: the user opened item Index (a double click): its full path
  // becomes the Directory. Out of range: ignored.
  void OpenItem(int Index);
  // The full path of item Index.
  std::string ItemPath(int Index) const;
  TNotifyEvent OnChange;

 private:
  platform::IFileSystem* FFiles = nullptr;
  std::string FDirectory;
  std::vector<Item> FItems;
  int FItemIndex = -1;
};

// Makes a control of class T owned by Owner (which destroys it), named Name,
// at the given bounds inside Parent: the one way forms lay out their
// controls. Returns the control; an exception from the peer propagates and
// leaves the control with its owner.
template <class T>
T* NewControl(TComponent* Owner, TWinControl* Parent, const char* Name, int Left, int Top, int Width, int Height) {
  auto* control = new T(Owner);
  control->Name = Name;
  control->SetBounds(Left, Top, Width, Height);
  control->SetParent(Parent);
  return control;
}
