// The Win32 peer: real windows for the widget model (see win32_peer.h).
//
// Windowed kinds (forms, panels, notebooks, pages, group boxes, buttons, edit
// fields, text boxes, check boxes, radio buttons, progress bars, status bars,
// drive boxes, directory lists) get a native window whose GWLP_USERDATA
// points back at the control; TControl::PeerHandle holds the HWND. Labels,
// images and shapes are windowless, as graphic controls are: their parent
// paints them beneath its child windows, in creation order.
#include "ui/win32/win32_peer.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "ui/application.h"
#include "ui/widgets.h"

namespace {

const char kFormClass[] = "VeltoForm";
const char kContainerClass[] = "VeltoContainer";
// Child window ids start above IDOK and IDCANCEL, which the dialog manager
// sends for Enter and Escape.
const int kFirstControlId = 100;

bool IsWindowless(TControlKind Kind) { return Kind == ckLabel || Kind == ckImage || Kind == ckShape; }

HWND HandleOf(const TControl& Control) { return static_cast<HWND>(Control.PeerHandle); }

TControl* ControlOf(HWND Window) {
  return Window ? reinterpret_cast<TControl*>(GetWindowLongPtrA(Window, GWLP_USERDATA)) : nullptr;
}

COLORREF ToColorRef(TColor Color) {
  return IsSystemColor(Color) ? GetSysColor(SystemColorIndex(Color)) : static_cast<COLORREF>(Color & 0xFFFFFF);
}

RECT BoundsOf(const TControl& Control) {
  return RECT{Control.Left(), Control.Top(), Control.Left() + Control.Width(), Control.Top() + Control.Height()};
}

// Runs a model input entry the way the application runs every event; an
// exception must never cross a window procedure.
template <class F>
void Dispatch(F&& Event) {
  try {
    if (Application) {
      Application->DispatchEvent(Event);
    } else {
      Event();
    }
  } catch (...) {
  }
}

// Whether a control takes input now: showing and enabled in the model.
bool TakesInput(const TControl& Control) { return Control.Showing() && Control.EffectivelyEnabled(); }

}  // namespace

struct Win32Peer::Impl {
  HINSTANCE Instance;
  std::set<TForm*> Forms;
  std::map<std::tuple<std::string, int, bool, bool>, HFONT> Fonts;
  std::map<COLORREF, HBRUSH> Brushes;
  std::map<std::string, HBITMAP> Bitmaps;  // resource bitmaps by name; nullptr when missing
  // Set while the peer itself writes into an edit field, so that the
  // resulting EN_CHANGE is not taken for typing.
  int Writing = 0;
  int NextId = kFirstControlId;

  explicit Impl(HINSTANCE AInstance) : Instance(AInstance) {}
  ~Impl() {
    for (auto& font : Fonts) DeleteObject(font.second);
    for (auto& brush : Brushes) DeleteObject(brush.second);
    for (auto& bitmap : Bitmaps) {
      if (bitmap.second) DeleteObject(bitmap.second);
    }
  }

  // ---- GDI objects, cached for the life of the peer ----

  HFONT FontFor(const TFont& Font) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    const int height = Font.Height(dpi > 0 ? dpi : 96);
    auto key = std::make_tuple(Font.Name, height, Font.Bold, Font.Underline);
    auto found = Fonts.find(key);
    if (found != Fonts.end()) return found->second;
    HFONT font = CreateFontA(height, 0, 0, 0, Font.Bold ? FW_BOLD : FW_NORMAL, FALSE, Font.Underline ? TRUE : FALSE,
                             FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, Font.Name.c_str());
    Fonts.emplace(key, font);
    return font;
  }

  HBRUSH BrushFor(TColor Color) {
    const COLORREF rgb = ToColorRef(Color);
    auto found = Brushes.find(rgb);
    if (found != Brushes.end()) return found->second;
    HBRUSH brush = CreateSolidBrush(rgb);
    Brushes.emplace(rgb, brush);
    return brush;
  }

  HBITMAP ResourceBitmap(const std::string& Name) {
    auto found = Bitmaps.find(Name);
    if (found != Bitmaps.end()) return found->second;
    auto bitmap = static_cast<HBITMAP>(LoadImageA(Instance, Name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    Bitmaps.emplace(Name, bitmap);
    return bitmap;
  }

  // ---- Making and dropping native windows ----

  static DWORD FormStyle(const TForm& Form) {
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
  static DWORD FormExStyle(const TForm& Form) {
    DWORD ex = WS_EX_CONTROLPARENT;
    if (Form.BorderStyle() == bsDialog) ex |= WS_EX_DLGMODALFRAME;
    return ex;
  }

  void MakeForm(TForm& Form) {
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
    HWND window = CreateWindowExA(exStyle, kFormClass, Form.Caption().c_str(), style, x, y, width, height, owner,
                                  nullptr, Instance, nullptr);
    if (!window) return;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&Form));
    Form.PeerHandle = window;
    Forms.insert(&Form);
    MakeChildren(Form);
  }

  // Makes the windows of Parent's children in tab order, so that the
  // windows' order (which the dialog manager's Tab follows) is the tab order.
  void MakeChildren(TWinControl& Parent) {
    for (TControl* child : Parent.TabOrderList()) MakeControl(*child);
  }

  void MakeControl(TControl& Control) {
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
  void ApplyState(TControl& Control) {
    HWND window = HandleOf(Control);
    switch (Control.Kind()) {
      case ckCheckBox:
        SendMessageA(window, BM_SETCHECK, static_cast<TCheckBox&>(Control).Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
        break;
      case ckRadioButton:
        SendMessageA(window, BM_SETCHECK, static_cast<TRadioButton&>(Control).Checked() ? BST_CHECKED : BST_UNCHECKED,
                     0);
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

  void FillDriveBox(TDriveComboBox& Box) {
    HWND window = HandleOf(Box);
    SendMessageA(window, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : Box.Items())
      SendMessageA(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    SendMessageA(window, CB_SETCURSEL, static_cast<WPARAM>(Box.ItemIndex()), 0);
  }

  void FillDirectoryList(TDirectoryListBox& List) {
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
  static void ClearHandles(TControl& Control) {
    Control.PeerHandle = nullptr;
    if (auto* container = dynamic_cast<TWinControl*>(&Control)) {
      for (int i = 0; i < container->ControlCount(); ++i) ClearHandles(*container->Controls(i));
    }
  }

  // ---- Painting ----

  // Asks the parent window to repaint the area of a windowless control.
  static void InvalidateControl(const TControl& Control) {
    if (!Control.Parent()) return;
    HWND parent = HandleOf(*Control.Parent());
    if (!parent) return;
    RECT area = BoundsOf(Control);
    InvalidateRect(parent, &area, FALSE);
  }

  void PaintContainer(HWND Window, TWinControl& Container) {
    PAINTSTRUCT ps;
    HDC target = BeginPaint(Window, &ps);
    RECT client;
    GetClientRect(Window, &client);
    // Drawn off screen first, so that texts over shapes do not flicker.
    HDC dc = CreateCompatibleDC(target);
    HBITMAP buffer = CreateCompatibleBitmap(target, std::max<LONG>(client.right, 1), std::max<LONG>(client.bottom, 1));
    HGDIOBJ oldBitmap = SelectObject(dc, buffer);
    FillRect(dc, &client, BrushFor(Container.Color()));
    PaintFrame(dc, client, Container);
    for (int i = 0; i < Container.ControlCount(); ++i) {
      TControl& child = *Container.Controls(i);
      if (!IsWindowless(child.Kind()) || !child.Visible()) continue;
      RECT area = BoundsOf(child);
      RECT visible;
      if (!IntersectRect(&visible, &area, &ps.rcPaint)) continue;
      const int saved = SaveDC(dc);
      IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
      PaintWindowless(dc, child);
      RestoreDC(dc, saved);
    }
    BitBlt(target, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
           ps.rcPaint.bottom - ps.rcPaint.top, dc, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
    SelectObject(dc, oldBitmap);
    DeleteObject(buffer);
    DeleteDC(dc);
    EndPaint(Window, &ps);
  }

  // The bevel of a panel and the etched frame and caption of a group box.
  void PaintFrame(HDC Dc, RECT Client, TWinControl& Container) {
    if (Container.Kind() == ckPanel) {
      auto& panel = static_cast<TPanel&>(Container);
      if (panel.BevelOuter() == bvRaised) DrawEdge(Dc, &Client, BDR_RAISEDINNER, BF_RECT);
      if (panel.BevelOuter() == bvLowered) DrawEdge(Dc, &Client, BDR_SUNKENOUTER, BF_RECT);
      if (!panel.Caption().empty()) {
        SetBkMode(Dc, TRANSPARENT);
        SetTextColor(Dc, ToColorRef(panel.Font().Color));
        HGDIOBJ old = SelectObject(Dc, FontFor(panel.Font()));
        DrawTextA(Dc, panel.Caption().c_str(), -1, &Client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SelectObject(Dc, old);
      }
    } else if (Container.Kind() == ckGroupBox) {
      HGDIOBJ old = SelectObject(Dc, FontFor(Container.Font()));
      TEXTMETRICA metrics;
      GetTextMetricsA(Dc, &metrics);
      RECT frame = Client;
      frame.top += metrics.tmHeight / 2;
      DrawEdge(Dc, &frame, EDGE_ETCHED, BF_RECT);
      if (!Container.Caption().empty()) {
        SIZE extent;
        GetTextExtentPoint32A(Dc, Container.Caption().c_str(), static_cast<int>(Container.Caption().size()), &extent);
        RECT label{8, 0, 8 + extent.cx + 4, metrics.tmHeight};
        FillRect(Dc, &label, BrushFor(Container.Color()));
        SetBkMode(Dc, TRANSPARENT);
        SetTextColor(Dc,
                     Container.EffectivelyEnabled() ? ToColorRef(Container.Font().Color) : GetSysColor(COLOR_GRAYTEXT));
        label.left += 2;
        DrawTextA(Dc, Container.Caption().c_str(), -1, &label, DT_LEFT | DT_SINGLELINE);
      }
      SelectObject(Dc, old);
    }
  }

  void PaintWindowless(HDC Dc, TControl& Control) {
    RECT area = BoundsOf(Control);
    switch (Control.Kind()) {
      case ckLabel: {
        auto& label = static_cast<TLabel&>(Control);
        if (!label.Transparent()) FillRect(Dc, &area, BrushFor(label.Color()));
        HGDIOBJ old = SelectObject(Dc, FontFor(label.Font()));
        SetBkMode(Dc, TRANSPARENT);
        UINT flags = DT_EXPANDTABS;
        if (label.WordWrap()) flags |= DT_WORDBREAK;
        if (label.Alignment() == taCenter) flags |= DT_CENTER;
        if (label.Alignment() == taRightJustify) flags |= DT_RIGHT;
        if (label.EffectivelyEnabled()) {
          SetTextColor(Dc, ToColorRef(label.Font().Color));
          DrawTextA(Dc, label.Caption().c_str(), -1, &area, flags);
        } else {
          // The engraved look of a disabled text.
          RECT shifted = area;
          OffsetRect(&shifted, 1, 1);
          SetTextColor(Dc, GetSysColor(COLOR_BTNHIGHLIGHT));
          DrawTextA(Dc, label.Caption().c_str(), -1, &shifted, flags);
          SetTextColor(Dc, GetSysColor(COLOR_BTNSHADOW));
          DrawTextA(Dc, label.Caption().c_str(), -1, &area, flags);
        }
        SelectObject(Dc, old);
        break;
      }
      case ckShape: {
        auto& shape = static_cast<TShape&>(Control);
        HPEN pen = CreatePen(PS_SOLID, 1, ToColorRef(shape.PenColor()));
        HGDIOBJ oldPen = SelectObject(Dc, pen);
        HGDIOBJ oldBrush = SelectObject(Dc, BrushFor(shape.BrushColor()));
        if (shape.Shape() == stRectangle) {
          Rectangle(Dc, area.left, area.top, area.right, area.bottom);
        } else {
          RECT box = area;
          if (shape.Shape() == stCircle) {
            // A circle fills the largest square centred in the control.
            const int side = std::min(area.right - area.left, area.bottom - area.top);
            box.left = area.left + (area.right - area.left - side) / 2;
            box.top = area.top + (area.bottom - area.top - side) / 2;
            box.right = box.left + side;
            box.bottom = box.top + side;
          }
          Ellipse(Dc, box.left, box.top, box.right, box.bottom);
        }
        SelectObject(Dc, oldBrush);
        SelectObject(Dc, oldPen);
        DeleteObject(pen);
        break;
      }
      case ckImage: {
        const TBitmap& picture = static_cast<TImage&>(Control).Picture();
        if (picture.Empty()) break;
        if (!picture.ResourceName().empty()) {
          // A bitmap of the program's resources, drawn at its own size.
          HBITMAP bitmap = ResourceBitmap(picture.ResourceName());
          if (!bitmap) break;
          BITMAP info{};
          GetObjectA(bitmap, sizeof info, &info);
          HDC source = CreateCompatibleDC(Dc);
          HGDIOBJ old = SelectObject(source, bitmap);
          BitBlt(Dc, area.left, area.top, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
          SelectObject(source, old);
          DeleteDC(source);
          break;
        }
        const TColor* pixels = picture.Pixels();
        if (!pixels) break;
        // TColor is 0x00BBGGRR; a 32-bit DIB wants 0x00RRGGBB.
        std::vector<uint32_t> bits(static_cast<size_t>(picture.Width()) * static_cast<size_t>(picture.Height()));
        for (size_t i = 0; i < bits.size(); ++i) {
          const TColor c = pixels[i];
          bits[i] = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
        }
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = picture.Width();
        info.bmiHeader.biHeight = -picture.Height();  // rows top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        SetDIBitsToDevice(Dc, area.left, area.top, static_cast<DWORD>(picture.Width()),
                          static_cast<DWORD>(picture.Height()), 0, 0, 0, static_cast<UINT>(picture.Height()),
                          bits.data(), &info, DIB_RGB_COLORS);
        break;
      }
      default:
        break;
    }
  }

  // One item of the directory list: indented by its level, with a small
  // folder, open for the current folder and its ancestors.
  void DrawDirectoryItem(const DRAWITEMSTRUCT& Item) {
    auto* list = static_cast<TDirectoryListBox*>(ControlOf(Item.hwndItem));
    if (!list || Item.itemID == static_cast<UINT>(-1) || Item.itemID >= list->Items().size()) return;
    const auto& entry = list->Items()[Item.itemID];
    HDC dc = Item.hDC;
    RECT area = Item.rcItem;
    const bool selected = (Item.itemState & ODS_SELECTED) != 0;
    FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
    const int x = area.left + 2 + entry.Level * 8;
    const int mid = (area.top + area.bottom) / 2;
    HBRUSH folder = CreateSolidBrush(entry.Open ? RGB(255, 224, 120) : RGB(230, 190, 80));
    RECT tab{x, mid - 5, x + 6, mid - 3};
    RECT body{x, mid - 3, x + 14, mid + 6};
    FillRect(dc, &tab, folder);
    FillRect(dc, &body, folder);
    FrameRect(dc, &body, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    DeleteObject(folder);
    RECT text = area;
    text.left = x + 18;
    HGDIOBJ old = SelectObject(dc, FontFor(list->Font()));
    SIZE extent;
    GetTextExtentPoint32A(dc, entry.Name.c_str(), static_cast<int>(entry.Name.size()), &extent);
    RECT back{text.left - 1, area.top, text.left + extent.cx + 2, area.bottom};
    if (selected) FillRect(dc, &back, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    DrawTextA(dc, entry.Name.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (Item.itemState & ODS_FOCUS) DrawFocusRect(dc, &back);
    SelectObject(dc, old);
  }

  // ---- Input ----

  // The topmost visible windowless control of Container under Point.
  static TControl* WindowlessAt(TWinControl& Container, POINT Point) {
    for (int i = Container.ControlCount() - 1; i >= 0; --i) {
      TControl* child = Container.Controls(i);
      if (!IsWindowless(child->Kind()) || !child->Visible()) continue;
      RECT area = BoundsOf(*child);
      if (PtInRect(&area, Point)) return child;
    }
    return nullptr;
  }

  void Command(HWND Child, WORD Code) {
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
            const char letter = static_cast<char>(
                std::tolower(static_cast<unsigned char>(box->Items()[static_cast<size_t>(index)][0])));
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

  // Colours of a child control that asks its parent (WM_CTLCOLOR*).
  LRESULT ChildColors(HDC Dc, HWND Child) {
    TControl* control = ControlOf(Child);
    if (!control) return 0;
    const TColor back = control->Color();
    SetTextColor(Dc, control->EffectivelyEnabled() ? ToColorRef(control->Font().Color) : GetSysColor(COLOR_GRAYTEXT));
    SetBkColor(Dc, ToColorRef(back));
    return reinterpret_cast<LRESULT>(BrushFor(back));
  }

  // When the focus sits on a window that is no longer shown or enabled (a
  // page that was left), gives it to the form's first tab stop.
  void MoveFocusIfLost(TControl& Changed) {
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
  static HWND FirstFocusOf(TForm& Form) {
    TControl* first = Form.FirstTabStop();
    HWND window = first ? HandleOf(*first) : nullptr;
    return window ? window : HandleOf(Form);
  }

  // ---- Message loops ----

  // Passes Message through its form's dialog manager (Tab, accelerators);
  // returns whether that handled it.
  bool DialogKeys(MSG& Message) {
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
  bool HandleOne(MSG& Message) {
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

  LRESULT ContainerProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam);
};

namespace {

Win32Peer::Impl* gPeer = nullptr;

LRESULT CALLBACK PeerWindowProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  if (!gPeer) return DefWindowProcA(Window, Message, WParam, LParam);
  return gPeer->ContainerProc(Window, Message, WParam, LParam);
}

}  // namespace

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

void Win32Peer::Repaint(TControl& Control) {
  if (IsWindowless(Control.Kind())) {
    if (!Control.Parent() || !HandleOf(*Control.Parent())) return;
    RECT area = BoundsOf(Control);
    RedrawWindow(HandleOf(*Control.Parent()), &area, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  } else if (HWND window = HandleOf(Control)) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
  }
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
