// The Win32 peer's window making: the window classes, a native window for
// each windowed control, the model's changes mirrored into them, and the
// windows dropped with their controls.
#include <vector>

#include "ui/win32/peer_impl.h"

using namespace win32peer;

DWORD Win32Peer::Impl::FormStyle(const TForm& Form) {
  switch (Form.BorderStyle()) {
    case bsDialog:
      return WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    case bsSingle:
      return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    case bsNone:
      return WS_POPUP;
    case bsSizeable:
    default:
      return WS_OVERLAPPEDWINDOW;
  }
}

DWORD Win32Peer::Impl::FormExStyle(const TForm& Form) {
  DWORD ex = WS_EX_CONTROLPARENT;
  if (Form.BorderStyle() == bsDialog) ex |= WS_EX_DLGMODALFRAME;
  return ex;
}

void Win32Peer::Impl::MakeForm(TForm& Form) {
  const DWORD style = FormStyle(Form) | WS_CLIPCHILDREN;
  const DWORD exStyle = FormExStyle(Form);
  RECT frame{0, 0, Form.ClientWidth(), Form.ClientHeight()};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  int x = Form.Left();
  int y = Form.Top();
  if (Form.Position() == poScreenCenter) {
    x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  }
  // A second form (the folder chooser) belongs to the main window, so it
  // stays above it.
  HWND owner = nullptr;
  if (Application && Application->MainForm() && Application->MainForm() != &Form) {
    owner = HandleOf(*Application->MainForm());
  }
  HWND window = CreateWindowExA(exStyle, kFormClass, Form.Caption().c_str(), style, x, y, width, height, owner, nullptr,
                                Instance, nullptr);
  if (!window) return;
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&Form));
  Form.PeerHandle = window;
  Forms.insert(&Form);
  MakeChildren(Form);
}

// Makes the windows of Parent's children in tab order, so that the
// windows' order (which the dialog manager's Tab follows) is the tab order.
void Win32Peer::Impl::MakeChildren(TWinControl& Parent) {
  for (TControl* child : Parent.TabOrderList()) MakeControl(*child);
}

void Win32Peer::Impl::MakeControl(TControl& Control) {
  if (IsWindowless(Control.Kind())) {
    InvalidateControl(Control);
    return;
  }
  if (HandleOf(Control) || !Control.Parent() || !HandleOf(*Control.Parent())) return;
  HWND parent = HandleOf(*Control.Parent());
  const char* className = nullptr;
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  DWORD exStyle = 0;
  if (Control.Visible()) style |= WS_VISIBLE;
  if (!Control.Enabled()) style |= WS_DISABLED;
  if (Control.TabStop()) style |= WS_TABSTOP;
  std::string text = Control.Caption();
  switch (Control.Kind()) {
    case ckPanel:
    case ckNotebook:
    case ckPage:
    case ckGroupBox:
      className = kContainerClass;
      style |= WS_CLIPCHILDREN;
      exStyle |= WS_EX_CONTROLPARENT;
      break;
    case ckButton:
      className = "BUTTON";
      style |= static_cast<TButton&>(Control).Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
      break;
    case ckCheckBox:
      // Not an automatic box: the model toggles, the peer shows its state.
      className = "BUTTON";
      style |= BS_CHECKBOX;
      break;
    case ckRadioButton:
      className = "BUTTON";
      style |= BS_RADIOBUTTON;
      break;
    case ckEdit: {
      auto& edit = static_cast<TEdit&>(Control);
      className = "EDIT";
      style |= ES_AUTOHSCROLL;
      if (edit.BorderStyle() != bsNone) exStyle |= WS_EX_CLIENTEDGE;
      text = edit.Text();
      break;
    }
    case ckMemo: {
      auto& memo = static_cast<TMemo&>(Control);
      className = "EDIT";
      style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
      if (memo.ScrollBars() == ssVertical || memo.ScrollBars() == ssBoth) style |= WS_VSCROLL;
      if (memo.ScrollBars() == ssHorizontal || memo.ScrollBars() == ssBoth) {
        style |= WS_HSCROLL | ES_AUTOHSCROLL;
      }
      if (memo.ReadOnly()) style |= ES_READONLY;
      if (memo.BorderStyle() != bsNone) exStyle |= WS_EX_CLIENTEDGE;
      text = memo.Text();
      break;
    }
    case ckProgressBar:
      className = PROGRESS_CLASSA;
      break;
    case ckStatusBar:
      className = STATUSCLASSNAMEA;
      style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
      text = static_cast<TStatusBar&>(Control).SimpleText();
      break;
    case ckDriveComboBox:
      className = "COMBOBOX";
      style |= CBS_DROPDOWNLIST | WS_VSCROLL;
      text.clear();
      break;
    case ckDirectoryListBox:
      className = "LISTBOX";
      style |= LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
      exStyle |= WS_EX_CLIENTEDGE;
      text.clear();
      break;
    default:
      return;
  }
  // A drop-down list's height is its open height.
  const int height = Control.Kind() == ckDriveComboBox ? Control.Height() + 160 : Control.Height();
  ++Writing;
  HWND window =
      CreateWindowExA(exStyle, className, text.c_str(), style, Control.Left(), Control.Top(), Control.Width(), height,
                      parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(NextId++)), Instance, nullptr);
  --Writing;
  if (!window) return;
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&Control));
  Control.PeerHandle = window;
  SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(Control.Font())), FALSE);
  ApplyState(Control);
  if (auto* container = dynamic_cast<TWinControl*>(&Control)) MakeChildren(*container);
}

// Copies the kind-specific state that CreateWindow does not take.
void Win32Peer::Impl::ApplyState(TControl& Control) {
  HWND window = HandleOf(Control);
  switch (Control.Kind()) {
    case ckCheckBox:
      SendMessageA(window, BM_SETCHECK, static_cast<TCheckBox&>(Control).Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case ckRadioButton:
      SendMessageA(window, BM_SETCHECK, static_cast<TRadioButton&>(Control).Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case ckProgressBar: {
      auto& bar = static_cast<TProgressBar&>(Control);
      SendMessageA(window, PBM_SETRANGE32, static_cast<WPARAM>(bar.Min()), static_cast<LPARAM>(bar.Max()));
      SendMessageA(window, PBM_SETPOS, static_cast<WPARAM>(bar.Position()), 0);
      break;
    }
    case ckStatusBar:
      SendMessageA(window, SB_SETTEXTA, 0,
                   reinterpret_cast<LPARAM>(static_cast<TStatusBar&>(Control).SimpleText().c_str()));
      break;
    case ckDriveComboBox:
      FillDriveBox(static_cast<TDriveComboBox&>(Control));
      break;
    case ckDirectoryListBox:
      FillDirectoryList(static_cast<TDirectoryListBox&>(Control));
      break;
    default:
      break;
  }
}

void Win32Peer::Impl::FillDriveBox(TDriveComboBox& Box) {
  HWND window = HandleOf(Box);
  SendMessageA(window, CB_RESETCONTENT, 0, 0);
  for (const std::string& item : Box.Items())
    SendMessageA(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  SendMessageA(window, CB_SETCURSEL, static_cast<WPARAM>(Box.ItemIndex()), 0);
}

void Win32Peer::Impl::FillDirectoryList(TDirectoryListBox& List) {
  HWND window = HandleOf(List);
  SendMessageA(window, WM_SETREDRAW, FALSE, 0);
  SendMessageA(window, LB_RESETCONTENT, 0, 0);
  SendMessageA(window, LB_SETITEMHEIGHT, 0, static_cast<LPARAM>(List.ItemHeight));
  for (const auto& item : List.Items())
    SendMessageA(window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.Name.c_str()));
  SendMessageA(window, LB_SETCURSEL, static_cast<WPARAM>(List.ItemIndex()), 0);
  SendMessageA(window, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(window, nullptr, TRUE);
}

// Forgets the native windows of Control and its descendants.
void Win32Peer::Impl::ClearHandles(TControl& Control) {
  Control.PeerHandle = nullptr;
  if (auto* container = dynamic_cast<TWinControl*>(&Control)) {
    for (int i = 0; i < container->ControlCount(); ++i) ClearHandles(*container->Controls(i));
  }
}

Win32Peer::Win32Peer(void* Instance) : F(std::make_unique<Impl>(static_cast<HINSTANCE>(Instance))) {
  gPeer = F.get();
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSA wc{};
  wc.lpfnWndProc = PeerWindowProc;
  wc.hInstance = F->Instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hIcon = LoadIconA(F->Instance, "MAINICON");
  wc.lpszClassName = kFormClass;
  RegisterClassA(&wc);
  wc.hIcon = nullptr;
  wc.lpszClassName = kContainerClass;
  RegisterClassA(&wc);
}

Win32Peer::~Win32Peer() {
  for (TForm* form : std::vector<TForm*>(F->Forms.begin(), F->Forms.end())) FormDestroying(*form);
  if (gPeer == F.get()) gPeer = nullptr;
}

void Win32Peer::FormCreated(TForm& Form) {
  F->MakeForm(Form);
  if (HWND window = HandleOf(Form); window && Form.Visible()) {
    ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
    UpdateWindow(window);
  }
}

void Win32Peer::ControlCreated(TControl& Control) { F->MakeControl(Control); }

void Win32Peer::ControlDestroying(TControl& Control) {
  if (IsWindowless(Control.Kind())) {
    Impl::InvalidateControl(Control);
  } else if (HWND window = HandleOf(Control)) {
    DestroyWindow(window);
  }
  Impl::ClearHandles(Control);
}

void Win32Peer::FormDestroying(TForm& Form) {
  F->Forms.erase(&Form);
  HWND window = HandleOf(Form);
  Impl::ClearHandles(Form);
  if (window) {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
  }
}

void Win32Peer::Changed(TControl& Control, TWidgetChange What) {
  if (IsWindowless(Control.Kind())) {
    // Old and new area alike: a move or a hide must clear the old place.
    if (Control.Parent() && HandleOf(*Control.Parent())) InvalidateRect(HandleOf(*Control.Parent()), nullptr, FALSE);
    return;
  }
  HWND window = HandleOf(Control);
  if (!window) return;
  switch (What) {
    case wcBounds:
      if (Control.Kind() == ckForm) {
        auto& form = static_cast<TForm&>(Control);
        RECT frame{0, 0, form.ClientWidth(), form.ClientHeight()};
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE)));
        SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      } else {
        const int height = Control.Kind() == ckDriveComboBox ? Control.Height() + 160 : Control.Height();
        MoveWindow(window, Control.Left(), Control.Top(), Control.Width(), height, TRUE);
      }
      break;
    case wcCaption:
      if (Control.Kind() != ckEdit && Control.Kind() != ckMemo) {
        ++F->Writing;
        SetWindowTextA(window, Control.Caption().c_str());
        --F->Writing;
      }
      InvalidateRect(window, nullptr, FALSE);
      break;
    case wcText:
      ++F->Writing;
      if (Control.Kind() == ckEdit) SetWindowTextA(window, static_cast<TEdit&>(Control).Text().c_str());
      if (Control.Kind() == ckMemo) SetWindowTextA(window, static_cast<TMemo&>(Control).Text().c_str());
      --F->Writing;
      if (Control.Kind() == ckStatusBar) F->ApplyState(Control);
      break;
    case wcVisible:
      if (Control.Kind() == ckForm) {
        ShowWindow(window, Control.Visible() ? SW_SHOWNORMAL : SW_HIDE);
        if (Control.Visible()) SetForegroundWindow(window);
      } else {
        ShowWindow(window, Control.Visible() ? SW_SHOWNA : SW_HIDE);
        F->MoveFocusIfLost(Control);
      }
      break;
    case wcEnabled:
      EnableWindow(window, Control.Enabled() ? TRUE : FALSE);
      InvalidateRect(window, nullptr, FALSE);
      if (!Control.Enabled()) F->MoveFocusIfLost(Control);
      break;
    case wcColor:
      InvalidateRect(window, nullptr, TRUE);
      break;
    case wcFont:
      SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(F->FontFor(Control.Font())), TRUE);
      InvalidateRect(window, nullptr, TRUE);
      break;
    case wcChecked:
    case wcPosition:
    case wcItems:
      F->ApplyState(Control);
      break;
    case wcStyle: {
      if (Control.Kind() == ckMemo) {
        SendMessageA(window, EM_SETREADONLY, static_cast<TMemo&>(Control).ReadOnly() ? TRUE : FALSE, 0);
      }
      LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
      style = Control.TabStop() ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
      SetWindowLongPtrA(window, GWL_STYLE, style);
      // The tab order is the windows' order among their siblings.
      if (Control.Parent()) {
        HWND after = HWND_TOP;
        for (TControl* sibling : Control.Parent()->TabOrderList()) {
          if (HWND h = HandleOf(*sibling)) {
            SetWindowPos(h, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            after = h;
          }
        }
      }
      InvalidateRect(window, nullptr, TRUE);
      break;
    }
    case wcPicture:
    case wcCursor:
    default:
      InvalidateRect(window, nullptr, FALSE);
      break;
  }
}
