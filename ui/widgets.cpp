#include "ui/widgets.h"

#include <algorithm>
#include <cctype>

#include "platform/filesystem.h"
#include "runtime/exceptions.h"
#include "runtime/name_rule.h"
#include "runtime/windows_path.h"
#include "ui/application.h"

// ---- TBitmap ---------------------------------------------------------------

TBitmap::TBitmap(int Width, int Height, std::vector<TColor> Pixels) {
  if (Width <= 0 || Height <= 0 || Pixels.size() != static_cast<size_t>(Width) * static_cast<size_t>(Height))
    throw EArgumentError("bitmap size does not match its pixels");
  FData = std::make_shared<const Data>(Data{Width, Height, std::move(Pixels), ""});
}

TBitmap TBitmap::Resource(const std::string& Name, int Width, int Height) {
  TBitmap b;
  b.FData = std::make_shared<const Data>(Data{Width, Height, {}, Name});
  return b;
}

const std::string& TBitmap::ResourceName() const {
  static const std::string kNone;
  return FData ? FData->ResourceName : kNone;
}

// ---- TControl --------------------------------------------------------------

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {}

TControl::~TControl() {
  TForm* form = FParent ? FParent->ParentForm() : nullptr;
  if (form && form->PeerKnows()) form->Peer().ControlDestroying(*this);
  if (FParent) {
    auto& siblings = FParent->FChildren;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    FParent->Realign();
  }
}

void TControl::SetParent(TWinControl* AParent) {
  if (AParent == FParent) return;
  if (FParent) {
    auto& siblings = FParent->FChildren;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    FParent->Realign();
  }
  FParent = AParent;
  if (!FParent) return;
  FTabOrder = static_cast<int>(FParent->FChildren.size());
  FParent->FChildren.push_back(this);
  if (FAlign != alNone) FParent->Realign();
  TForm* form = ParentForm();
  if (form && form->PeerKnows()) form->Peer().ControlCreated(*this);
}

TForm* TControl::ParentForm() const {
  // dynamic_cast rather than Kind(): this runs in ~TControl as well.
  for (const TControl* c = this; c; c = c->FParent)
    if (auto* form = dynamic_cast<const TForm*>(c)) return const_cast<TForm*>(form);
  return nullptr;
}

void TControl::Notify(TWidgetChange What) {
  TForm* form = ParentForm();
  if (form && form->PeerKnows()) form->Peer().Changed(*this, What);
}

void TControl::NotifyInherited(TWidgetChange What) {
  Notify(What);
  if (auto* self = dynamic_cast<TWinControl*>(this)) {
    for (int i = 0; i < self->ControlCount(); ++i) {
      TControl* child = self->Controls(i);
      bool inherits = What == wcColor ? child->FParentColor : child->FParentFont;
      if (inherits) child->NotifyInherited(What);
    }
  }
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
  bool resized = AWidth != FWidth || AHeight != FHeight;
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
  Notify(wcBounds);
  if (resized)
    if (auto* self = dynamic_cast<TWinControl*>(this)) self->Realign();
  if (FParent && FAlign != alNone) FParent->Realign();
}

void TControl::SetAlign(TAlign Value) {
  if (Value == FAlign) return;
  FAlign = Value;
  if (FParent) FParent->Realign();
}

void TControl::SetCaption(const std::string& Value) { SetProperty(FCaption, Value, wcCaption); }

void TControl::SetVisible(bool Value) { SetProperty(FVisible, Value, wcVisible); }

bool TControl::Showing() const {
  for (const TControl* c = this; c; c = c->FParent)
    if (!c->FVisible) return false;
  return ParentForm() != nullptr;
}

void TControl::SetEnabled(bool Value) { SetProperty(FEnabled, Value, wcEnabled); }

bool TControl::EffectivelyEnabled() const {
  for (const TControl* c = this; c; c = c->FParent)
    if (!c->FEnabled) return false;
  return true;
}

TColor TControl::Color() const {
  if (FParentColor && FParent) return FParent->Color();
  return FColor;
}

void TControl::SetColor(TColor Value) { SetOwnProperty(FColor, FParentColor, Value, wcColor); }

const TFont& TControl::Font() const {
  if (FParentFont && FParent) return FParent->Font();
  return FFont;
}

void TControl::SetFont(const TFont& Value) { SetOwnProperty(FFont, FParentFont, Value, wcFont); }

void TControl::SetCursor(TCursor Value) { SetProperty(FCursor, Value, wcCursor); }

void TControl::SetTabOrder(int Value) { SetProperty(FTabOrder, Value, wcStyle); }

void TControl::SetTabStop(bool Value) { SetProperty(FTabStop, Value, wcStyle); }

void TControl::Click() {
  if (OnClick) OnClick(this);
}

// ---- TWinControl -------------------------------------------------------------

TWinControl::~TWinControl() {
  for (TControl* child : FChildren) child->FParent = nullptr;
  FChildren.clear();
}

std::vector<TControl*> TWinControl::TabOrderList() const {
  std::vector<TControl*> list = FChildren;
  std::stable_sort(list.begin(), list.end(),
                   [](const TControl* A, const TControl* B) { return A->TabOrder() < B->TabOrder(); });
  return list;
}

TControl* TWinControl::FirstTabStop() const {
  for (TControl* child : TabOrderList()) {
    if (!child->Showing() || !child->EffectivelyEnabled()) continue;
    if (auto* container = dynamic_cast<TWinControl*>(child)) {
      if (TControl* inner = container->FirstTabStop()) return inner;
    } else if (child->TabStop()) {
      return child;
    }
  }
  return nullptr;
}

void TWinControl::Realign() {
  int left = 0, top = 0, right = ClientWidth(), bottom = ClientHeight();
  auto place = [](TControl* C, int L, int T, int W, int H) {
    // Through SetBounds so the peer hears of it, but without re-entering
    // the parent's Realign: the control's own alignment stays as it is.
    TAlign keep = C->FAlign;
    C->FAlign = alNone;
    C->SetBounds(L, T, std::max(W, 0), std::max(H, 0));
    C->FAlign = keep;
  };
  for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient}) {
    for (TControl* c : FChildren) {
      if (c->FAlign != pass) continue;
      switch (pass) {
        case alTop:
          place(c, left, top, right - left, c->Height());
          top += c->Height();
          break;
        case alBottom:
          place(c, left, bottom - c->Height(), right - left, c->Height());
          bottom -= c->Height();
          break;
        case alLeft:
          place(c, left, top, c->Width(), bottom - top);
          left += c->Width();
          break;
        case alRight:
          place(c, right - c->Width(), top, c->Width(), bottom - top);
          right -= c->Width();
          break;
        case alClient:
          place(c, left, top, right - left, bottom - top);
          break;
        case alNone:
          break;
      }
    }
  }
}

// ---- TForm -------------------------------------------------------------------

TForm::TForm(TComponent* AOwner, IWidgetPeer& Peer) : TWinControl(AOwner), FPeer(Peer) {
  FParentColor = false;
  FParentFont = false;
  FVisible = false;
}

TForm::~TForm() {
  if (FPeerKnows) FPeer.FormDestroying(*this);
  FPeerKnows = false;
  // The owned controls go while the form is still whole, newest first.
  while (ComponentCount() > 0) delete Components(ComponentCount() - 1);
  if (Application) Application->FormDestroyed(this);
}

void TForm::SetBorderStyle(TBorderStyle V) { SetProperty(FBorderStyle, V, wcStyle); }

void TForm::DoCreate() {
  if (!OnCreate) return;
  if (!Application) {
    OnCreate(this);
    return;
  }
  try {
    OnCreate(this);
  } catch (...) {
    Application->HandleException();
  }
}

void TForm::Paint() {
  if (OnPaint) OnPaint(this);
}

void TForm::ShowForm() {
  if (!FPeerKnows) {
    FPeerKnows = true;
    FPeer.FormCreated(*this);
  }
  SetVisible(true);
}

int TForm::ShowModal() {
  FModalResult = mrNone;
  FModal = true;
  ShowForm();
  try {
    FPeer.ShowModal(*this);
  } catch (...) {
    FModal = false;
    throw;
  }
  FModal = false;
  if (FModalResult == mrNone) FModalResult = mrCancel;
  SetVisible(false);
  return FModalResult;
}

void TForm::Close() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  if (!canClose) return;
  TCloseAction action = caHide;
  if (OnClose) OnClose(this, action);
  if (action == caNone) return;
  if (FModal && FModalResult == mrNone) FModalResult = mrCancel;
  bool isMain = Application && Application->MainForm() == this;
  if (action == caFree) {
    Release();
  } else if (isMain) {
    if (Application) Application->Terminate();
  } else if (!FModal) {
    SetVisible(false);
  }
}

void TForm::Release() {
  if (Application) Application->ReleaseForm(this);
}

namespace {

TButton* FindDefaultButton(const TWinControl& Parent) {
  for (int i = 0; i < Parent.ControlCount(); ++i) {
    TControl* child = Parent.Controls(i);
    if (!child->Showing() || !child->EffectivelyEnabled()) continue;
    if (auto* button = dynamic_cast<TButton*>(child); button && button->Default) return button;
    if (auto* container = dynamic_cast<TWinControl*>(child))
      if (TButton* inner = FindDefaultButton(*container)) return inner;
  }
  return nullptr;
}

}  // namespace

TButton* TForm::DefaultButton() const { return FindDefaultButton(*this); }

TButton* TForm::EnterTarget(TControl* Focused) const {
  if (auto* button = dynamic_cast<TButton*>(Focused)) return button;
  if (auto* memo = dynamic_cast<TMemo*>(Focused); memo && memo->WantReturns) return nullptr;
  return DefaultButton();
}

// ---- Containers ----------------------------------------------------------------

TPanel::TPanel(TComponent* AOwner) : TWinControl(AOwner) { FParentColor = true; }

void TPanel::SetBevelOuter(TBevelCut V) { SetProperty(FBevelOuter, V, wcStyle); }

TPage* TNotebook::AddPage(TComponent* Owner, const std::string& PageName) {
  auto* page = new TPage(Owner);
  page->Name = PageName;
  page->SetCaption(PageName);
  page->SetVisible(FPages.empty());
  page->SetAlign(alClient);
  page->SetParent(this);
  FPages.push_back(page);
  if (FPageIndex < 0) FPageIndex = 0;
  return page;
}

void TNotebook::SetPageIndex(int Index) {
  if (Index < 0 || Index >= PageCount() || Index == FPageIndex) return;
  int old = FPageIndex;
  FPageIndex = Index;
  // Show the new page before hiding the old so the area never shows empty.
  FPages[static_cast<size_t>(Index)]->SetVisible(true);
  if (old >= 0) FPages[static_cast<size_t>(old)]->SetVisible(false);
}

// ---- Simple controls -------------------------------------------------------------

TLabel::TLabel(TComponent* AOwner) : TControl(AOwner) {}

void TLabel::SetTransparent(bool V) { SetProperty(FTransparent, V, wcStyle); }

void TLabel::SetWordWrap(bool V) { SetProperty(FWordWrap, V, wcStyle); }

void TLabel::SetAlignment(TAlignment V) { SetProperty(FAlignment, V, wcStyle); }

TButton::TButton(TComponent* AOwner) : TControl(AOwner) { FTabStop = true; }

void TButton::Click() {
  if (ModalResult != mrNone)
    if (TForm* form = ParentForm()) form->SetModalResult(ModalResult);
  TControl::Click();
}

TEdit::TEdit(TComponent* AOwner) : TControl(AOwner) {
  FTabStop = true;
  FParentColor = false;
  FColor = clWindow;
}

void TEdit::SetText(const std::string& Value) {
  if (SetProperty(FText, Value, wcText) && OnChange) OnChange(this);
}

void TEdit::UserEdited(const std::string& Value) {
  if (Value == FText) return;
  FText = Value;
  if (OnChange) OnChange(this);
}

void TEdit::SetBorderStyle(TBorderStyle V) { SetProperty(FBorderStyle, V, wcStyle); }

TMemo::TMemo(TComponent* AOwner) : TControl(AOwner) {
  FTabStop = true;
  FParentColor = false;
  FColor = clWindow;
}

void TMemo::SetText(const std::string& Value) {
  TStringList lines;
  lines.SetText(Value);
  if (lines.Items() == FLines.Items()) return;
  FLines.Assign(lines);
  Notify(wcText);
  if (OnChange) OnChange(this);
}

void TMemo::UserEdited(const std::string& Value) {
  TStringList lines;
  lines.SetText(Value);
  if (lines.Items() == FLines.Items()) return;
  FLines.Assign(lines);
  if (OnChange) OnChange(this);
}

void TMemo::SetScrollBars(TScrollStyle V) { SetProperty(FScrollBars, V, wcStyle); }

void TMemo::SetReadOnly(bool V) { SetProperty(FReadOnly, V, wcStyle); }

void TMemo::SetBorderStyle(TBorderStyle V) { SetProperty(FBorderStyle, V, wcStyle); }

TCheckBox::TCheckBox(TComponent* AOwner) : TControl(AOwner) { FTabStop = true; }

void TCheckBox::SetChecked(bool V) { SetProperty(FChecked, V, wcChecked); }

void TCheckBox::Click() {
  SetChecked(!FChecked);
  TControl::Click();
}

TRadioButton::TRadioButton(TComponent* AOwner) : TControl(AOwner) { FTabStop = true; }

void TRadioButton::SetChecked(bool V) {
  if (!SetProperty(FChecked, V, wcChecked)) return;
  if (V && Parent()) {
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
      TControl* sibling = Parent()->Controls(i);
      if (sibling != this && sibling->Kind() == ckRadioButton) static_cast<TRadioButton*>(sibling)->SetChecked(false);
    }
  }
}

void TRadioButton::Click() {
  SetChecked(true);
  TControl::Click();
}

TProgressBar::TProgressBar(TComponent* AOwner) : TControl(AOwner) {}

void TProgressBar::SetRange(int AMin, int AMax) {
  if (AMax < AMin) AMax = AMin;
  int pos = std::clamp(FPosition, AMin, AMax);
  if (AMin == FMin && AMax == FMax && pos == FPosition) return;
  FMin = AMin;
  FMax = AMax;
  FPosition = pos;
  Notify(wcPosition);
}

void TProgressBar::SetPosition(int Value) { SetProperty(FPosition, std::clamp(Value, FMin, FMax), wcPosition); }

void TProgressBar::Repaint() {
  TForm* form = ParentForm();
  if (form && form->PeerKnows()) form->Peer().Repaint(*this);
}

TStatusBar::TStatusBar(TComponent* AOwner) : TControl(AOwner) {}

void TStatusBar::SetSimpleText(const std::string& Value) { SetProperty(FSimpleText, Value, wcText); }

TImage::TImage(TComponent* AOwner) : TControl(AOwner) {}

void TImage::SetPicture(const TBitmap& Value) {
  SetProperty(FPicture, Value, wcPicture, [](const TBitmap& A, const TBitmap& B) { return A.SameAs(B); });
}

TShape::TShape(TComponent* AOwner) : TControl(AOwner) {}

void TShape::SetShape(TShapeType V) { SetProperty(FShape, V, wcPicture); }

void TShape::SetPenColor(TColor V) { SetProperty(FPenColor, V, wcPicture); }

void TShape::SetBrushColor(TColor V) { SetProperty(FBrushColor, V, wcPicture); }

// ---- Folder choosing ---------------------------------------------------------------

namespace {

char LowerLetter(char C) { return static_cast<char>(std::tolower(static_cast<unsigned char>(C))); }

// "c:\a\b" -> {"c:\", "a", "b"}; "c:\" -> {"c:\"}.
std::vector<std::string> SplitPath(const std::string& Path) {
  std::vector<std::string> parts;
  if (Path.size() < 2 || Path[1] != ':') return parts;
  parts.push_back(std::string(1, LowerLetter(Path[0])) + ":\\");
  for (std::string& part : SplitPathParts(Path.substr(2)))
    if (!part.empty()) parts.push_back(std::move(part));
  return parts;
}

}  // namespace

TDriveComboBox::TDriveComboBox(TComponent* AOwner) : TControl(AOwner) {
  FTabStop = true;
  FParentColor = false;
  FColor = clWindow;
}

void TDriveComboBox::SetFileSystem(platform::IFileSystem* Files) {
  FFiles = Files;
  FItems.clear();
  FLetters.clear();
  FDrive = 0;
  if (!FFiles) return;
  for (const auto& d : FFiles->Drives()) {
    char letter = LowerLetter(d.Letter);
    std::string text = std::string(1, letter) + ":";
    if (!d.Label.empty()) text += " [" + d.Label + "]";
    FItems.push_back(text);
    FLetters.push_back(letter);
  }
  std::string current = FFiles->GetCurrentDir();
  if (current.size() >= 2 && current[1] == ':') FDrive = LowerLetter(current[0]);
  Notify(wcItems);
}

int TDriveComboBox::ItemIndex() const {
  for (size_t i = 0; i < FLetters.size(); ++i)
    if (FLetters[i] == FDrive) return static_cast<int>(i);
  return -1;
}

void TDriveComboBox::SetDrive(char Letter) {
  Letter = LowerLetter(Letter);
  if (std::find(FLetters.begin(), FLetters.end(), Letter) == FLetters.end()) return;
  bool changed = Letter != FDrive;
  FDrive = Letter;
  if (changed) Notify(wcItems);
  if (DirList && FFiles) {
    std::string current = FFiles->GetCurrentDir();
    std::string target = std::string(1, Letter) + ":\\";
    if (current.size() >= 2 && current[1] == ':' && LowerLetter(current[0]) == Letter) target = current;
    DirList->SetDirectory(target);
  }
  if (changed && OnChange) OnChange(this);
}

TDirectoryListBox::TDirectoryListBox(TComponent* AOwner) : TControl(AOwner) {
  FTabStop = true;
  FParentColor = false;
  FColor = clWindow;
}

void TDirectoryListBox::SetFileSystem(platform::IFileSystem* Files) {
  FFiles = Files;
  FDirectory.clear();
  if (FFiles) SetDirectory(FFiles->GetCurrentDir());
}

void TDirectoryListBox::SetDirectory(const std::string& Path) {
  std::vector<std::string> parts = SplitPath(Path);
  if (parts.empty()) return;
  std::string full = parts[0];
  for (size_t i = 1; i < parts.size(); ++i) full += (i > 1 ? "\\" : "") + parts[i];
  if (full == FDirectory) return;
  FDirectory = full;
  FItems.clear();
  for (size_t i = 0; i < parts.size(); ++i) FItems.push_back({parts[i], static_cast<int>(i), true});
  FItemIndex = static_cast<int>(parts.size()) - 1;
  if (FFiles)
    for (const auto& sub : FFiles->SubFolders(FDirectory))
      FItems.push_back({sub, static_cast<int>(parts.size()), false});
  Notify(wcItems);
  if (OnChange) OnChange(this);
}

std::string TDirectoryListBox::ItemPath(int Index) const {
  if (Index < 0 || Index >= static_cast<int>(FItems.size())) return "";
  const Item& item = FItems[static_cast<size_t>(Index)];
  if (item.Open) {
    std::string path = FItems[0].Name;
    for (int i = 1; i <= Index; ++i) path += (i > 1 ? "\\" : "") + FItems[static_cast<size_t>(i)].Name;
    return path;
  }
  return WithTrailingBackslash(FDirectory) + item.Name;
}

void TDirectoryListBox::OpenItem(int Index) {
  if (Index < 0 || Index >= static_cast<int>(FItems.size())) return;
  SetDirectory(ItemPath(Index));
}
