// The Win32 peer's input: the window procedure of forms and containers,
// commands of child controls, clicks on windowless controls, the cursor,
// focus, the dialog keys and the message loops.
#include <cctype>
#include <string>
#include <vector>

#include "ui/win32/peer_impl.h"

using namespace win32peer;

namespace win32peer {

Win32Peer::Impl* gPeer = nullptr;

LRESULT CALLBACK PeerWindowProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  if (!gPeer) return DefWindowProcA(Window, Message, WParam, LParam);
  return gPeer->ContainerProc(Window, Message, WParam, LParam);
}

}  // namespace win32peer

// The topmost visible windowless control of Container under Point.
TControl* Win32Peer::Impl::WindowlessAt(TWinControl& Container, POINT Point) {
  for (int i = Container.ControlCount() - 1; i >= 0; --i) {
    TControl* child = Container.Controls(i);
    if (!IsWindowless(child->Kind()) || !child->Visible()) continue;
    RECT area = BoundsOf(*child);
    if (PtInRect(&area, Point)) return child;
  }
  return nullptr;
}

void Win32Peer::Impl::Command(HWND Child, WORD Code) {
  TControl* control = ControlOf(Child);
  if (!control || HandleOf(*control) != Child) return;
  switch (control->Kind()) {
    case ckButton:
    case ckCheckBox:
    case ckRadioButton:
      if (Code == BN_CLICKED && TakesInput(*control)) Dispatch([control] { control->Click(); });
      break;
    case ckEdit:
    case ckMemo:
      if (Code == EN_CHANGE && Writing == 0) {
        const int length = GetWindowTextLengthA(Child);
        std::string text(static_cast<size_t>(length) + 1, '\0');
        text.resize(static_cast<size_t>(GetWindowTextA(Child, text.data(), length + 1)));
        if (control->Kind() == ckEdit) {
          Dispatch([control, text] { static_cast<TEdit*>(control)->UserEdited(text); });
        } else {
          Dispatch([control, text] { static_cast<TMemo*>(control)->UserEdited(text); });
        }
      }
      break;
    case ckDriveComboBox:
      if (Code == CBN_SELCHANGE && TakesInput(*control)) {
        auto* box = static_cast<TDriveComboBox*>(control);
        const LRESULT index = SendMessageA(Child, CB_GETCURSEL, 0, 0);
        if (index >= 0 && static_cast<size_t>(index) < box->Items().size() &&
            !box->Items()[static_cast<size_t>(index)].empty()) {
          // Items begin with the drive's letter ("c:" or "c: [label]").
          const char letter =
              static_cast<char>(std::tolower(static_cast<unsigned char>(box->Items()[static_cast<size_t>(index)][0])));
          Dispatch([box, letter] { box->SetDrive(letter); });
        }
      }
      break;
    case ckDirectoryListBox:
      if (Code == LBN_DBLCLK && TakesInput(*control)) {
        auto* list = static_cast<TDirectoryListBox*>(control);
        const LRESULT index = SendMessageA(Child, LB_GETCURSEL, 0, 0);
        if (index >= 0) Dispatch([list, index] { list->OpenItem(static_cast<int>(index)); });
      }
      break;
    default:
      break;
  }
}

// When the focus sits on a window that is no longer shown or enabled (a
// page that was left), gives it to the form's first tab stop.
void Win32Peer::Impl::MoveFocusIfLost(TControl& Changed) {
  TForm* form = Changed.ParentForm();
  if (!form || !HandleOf(*form)) return;
  HWND formWindow = HandleOf(*form);
  HWND focus = GetFocus();
  if (focus && (focus == formWindow || IsChild(formWindow, focus)) && IsWindowVisible(focus) &&
      IsWindowEnabled(focus)) {
    return;
  }
  if (focus && focus != formWindow && !IsChild(formWindow, focus)) return;
  if (GetActiveWindow() != formWindow) return;
  SetFocus(FirstFocusOf(*form));
}

// The window of the form's first tab stop (the model decides), or the
// form's own window when it has none.
HWND Win32Peer::Impl::FirstFocusOf(TForm& Form) {
  TControl* first = Form.FirstTabStop();
  HWND window = first ? HandleOf(*first) : nullptr;
  return window ? window : HandleOf(Form);
}

// Passes Message through its form's dialog manager (Tab, accelerators);
// returns whether that handled it.
bool Win32Peer::Impl::DialogKeys(MSG& Message) {
  if (Message.message < WM_KEYFIRST || Message.message > WM_KEYLAST) return false;
  HWND root = GetAncestor(Message.hwnd, GA_ROOT);
  TControl* form = ControlOf(root);
  if (!root || !form || form->Kind() != ckForm || Forms.count(static_cast<TForm*>(form)) == 0) return false;
  if (Message.message == WM_KEYDOWN) {
    HWND focusWindow = GetFocus();
    TControl* focused = ControlOf(focusWindow);
    if (focused && HandleOf(*focused) != focusWindow) focused = nullptr;
    // Enter presses the focused push button, or else the default button;
    // a text box that wants it starts a new line.
    if (Message.wParam == VK_RETURN) {
      if (TButton* target = static_cast<TForm*>(form)->EnterTarget(focused)) {
        if (TakesInput(*target)) Dispatch([target] { target->Click(); });
        return true;
      }
    }
    // Tab and Shift+Tab leave a text box that does not want tabs (a
    // multi-line edit would take them); Ctrl+Tab still types one.
    auto* memo = dynamic_cast<TMemo*>(focused);
    if (Message.wParam == VK_TAB && memo && !memo->WantTabs && GetKeyState(VK_CONTROL) >= 0) {
      if (HWND next = GetNextDlgTabItem(root, focusWindow, GetKeyState(VK_SHIFT) < 0)) SetFocus(next);
      return true;
    }
  }
  return IsDialogMessageA(root, &Message) != FALSE;
}

// Handles one message; returns false on WM_QUIT (which it puts back).
bool Win32Peer::Impl::HandleOne(MSG& Message) {
  if (Message.message == WM_QUIT) {
    PostQuitMessage(static_cast<int>(Message.wParam));
    return false;
  }
  if (!DialogKeys(Message)) {
    TranslateMessage(&Message);
    DispatchMessageA(&Message);
  }
  return true;
}

// The window procedure of forms and containers.
LRESULT Win32Peer::Impl::ContainerProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  TControl* self = ControlOf(Window);
  auto* container = self ? dynamic_cast<TWinControl*>(self) : nullptr;
  switch (Message) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT fills everything
    case WM_PAINT:
      if (!container || HandleOf(*container) != Window) break;
      if (container->Kind() == ckForm) {
        auto* form = static_cast<TForm*>(container);
        Dispatch([form] { form->Paint(); });
        if (!Forms.count(form)) break;  // destroyed by its own paint handler
      }
      PaintContainer(Window, *container);
      return 0;
    case WM_COMMAND:
      if (LParam) Command(reinterpret_cast<HWND>(LParam), HIWORD(WParam));
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
      if (LRESULT brush = ChildColors(reinterpret_cast<HDC>(WParam), reinterpret_cast<HWND>(LParam))) return brush;
      break;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(LParam);
      if (item && item->CtlType == ODT_LISTBOX) {
        DrawDirectoryItem(*item);
        return TRUE;
      }
      break;
    }
    case WM_LBUTTONUP:
      if (container) {
        POINT point{static_cast<short>(LOWORD(LParam)), static_cast<short>(HIWORD(LParam))};
        TControl* hit = WindowlessAt(*container, point);
        if (hit && TakesInput(*hit)) {
          Dispatch([hit] { hit->Click(); });
          return 0;
        }
        if (container->Kind() != ckForm && TakesInput(*container)) {
          Dispatch([container] { container->Click(); });
          return 0;
        }
      }
      break;
    case WM_SETCURSOR: {
      // The hourglass set for a long piece of work stays while the mouse
      // moves, over every window of the form (children ask their parent
      // first); then the hand over controls that ask for it.
      if (LOWORD(LParam) == HTCLIENT && GetCursor() == LoadCursor(nullptr, IDC_WAIT)) return TRUE;
      HWND under = reinterpret_cast<HWND>(WParam);
      TControl* target = nullptr;
      if (under == Window && container) {
        POINT point;
        GetCursorPos(&point);
        ScreenToClient(Window, &point);
        target = WindowlessAt(*container, point);
      } else {
        target = ControlOf(under);
      }
      if (target && target->Cursor() == crHandPoint && LOWORD(LParam) == HTCLIENT) {
        SetCursor(LoadCursor(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    }
    case WM_CLOSE:
      if (self && self->Kind() == ckForm) {
        auto* form = static_cast<TForm*>(self);
        if (TakesInput(*form)) Dispatch([form] { form->Close(); });
        return 0;
      }
      break;
    case WM_ACTIVATE:
      if (self && self->Kind() == ckForm) {
        // Keeps the focused control across deactivation (a message box) and
        // starts on the model's first tab stop.
        if (LOWORD(WParam) == WA_INACTIVE) {
          HWND focus = GetFocus();
          if (focus && IsChild(Window, focus)) SetPropA(Window, "VeltoFocus", focus);
        } else {
          auto focus = static_cast<HWND>(GetPropA(Window, "VeltoFocus"));
          if (!focus || !IsWindow(focus) || !IsChild(Window, focus) || !IsWindowVisible(focus) ||
              !IsWindowEnabled(focus)) {
            focus = FirstFocusOf(*static_cast<TForm*>(self));
          }
          SetFocus(focus);
        }
        return 0;
      }
      break;
    case WM_DESTROY:
      RemovePropA(Window, "VeltoFocus");
      break;
    default:
      break;
  }
  return DefWindowProcA(Window, Message, WParam, LParam);
}

void Win32Peer::ShowModal(TForm& Form) {
  HWND window = HandleOf(Form);
  if (!window) {
    FormCreated(Form);
    window = HandleOf(Form);
    if (!window) return;
  }
  // The other forms take no input while this one is up.
  std::vector<HWND> disabled;
  for (TForm* other : F->Forms) {
    HWND h = HandleOf(*other);
    if (other != &Form && h && IsWindowEnabled(h)) {
      EnableWindow(h, FALSE);
      disabled.push_back(h);
    }
  }
  ShowWindow(window, SW_SHOWNORMAL);
  SetForegroundWindow(window);
  MSG message;
  while (F->Forms.count(&Form) && Form.ModalResult() == mrNone && Form.Visible() &&
         !(Application && Application->Terminated())) {
    if (GetMessageA(&message, nullptr, 0, 0) <= 0) {
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    F->HandleOne(message);
  }
  // Enabled again before the hide, so that the owner gets the activation back.
  for (HWND h : disabled) {
    if (IsWindow(h)) EnableWindow(h, TRUE);
  }
  if (F->Forms.count(&Form)) ShowWindow(HandleOf(Form), SW_HIDE);
}

void Win32Peer::RunMessageLoop(TApplication& App) {
  MSG message;
  while (!App.Terminated()) {
    const BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got <= 0) break;
    F->HandleOne(message);
  }
}

void Win32Peer::ProcessMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (!F->HandleOne(message)) break;
  }
}

void Win32Peer::PostQuit() { PostQuitMessage(0); }
