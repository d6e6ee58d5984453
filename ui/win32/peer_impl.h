// The private state of the Win32 peer (see win32_peer.h) and the helpers its
// three parts share:
//   peer_windows.cpp  making, mirroring and dropping native windows;
//   peer_paint.cpp    fonts, brushes, bitmaps, frames and windowless controls;
//   peer_input.cpp    the window procedure, commands, focus, dialog keys and
//                     the message loops.
//
// Windowed kinds (forms, panels, notebooks, pages, group boxes, buttons, edit
// fields, text boxes, check boxes, radio buttons, progress bars, status bars,
// drive boxes, directory lists) get a native window whose GWLP_USERDATA
// points back at the control; TControl::PeerHandle holds the HWND. Labels,
// images and shapes are windowless, as graphic controls are: their parent
// paints them beneath its child windows, in creation order.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <set>
#include <string>
#include <tuple>

#include "ui/application.h"
#include "ui/widgets.h"
#include "ui/win32/win32_peer.h"

namespace win32peer {

inline constexpr char kFormClass[] = "VeltoForm";
inline constexpr char kContainerClass[] = "VeltoContainer";
// Child window ids start above IDOK and IDCANCEL, which the dialog manager
// sends for Enter and Escape.
inline constexpr int kFirstControlId = 100;

inline bool IsWindowless(TControlKind Kind) { return Kind == ckLabel || Kind == ckImage || Kind == ckShape; }

inline HWND HandleOf(const TControl& Control) { return static_cast<HWND>(Control.PeerHandle); }

inline TControl* ControlOf(HWND Window) {
  return Window ? reinterpret_cast<TControl*>(GetWindowLongPtrA(Window, GWLP_USERDATA)) : nullptr;
}

inline COLORREF ToColorRef(TColor Color) {
  return IsSystemColor(Color) ? GetSysColor(SystemColorIndex(Color)) : static_cast<COLORREF>(Color & 0xFFFFFF);
}

inline RECT BoundsOf(const TControl& Control) {
  return RECT{Control.Left(), Control.Top(), Control.Left() + Control.Width(), Control.Top() + Control.Height()};
}

// Runs a model input entry the way the application runs every event; an
// exception must never cross a window procedure.
template <class F>
inline void Dispatch(F&& Event) {
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
inline bool TakesInput(const TControl& Control) { return Control.Showing() && Control.EffectivelyEnabled(); }

}  // namespace win32peer

struct Win32Peer::Impl {
  HINSTANCE Instance;
  std::set<TForm*> Forms;
  std::map<std::tuple<std::string, int, bool, bool>, HFONT> Fonts;
  std::map<COLORREF, HBRUSH> Brushes;
  std::map<std::string, HBITMAP> Bitmaps;  // resource bitmaps by name; nullptr when missing
  // Set while the peer itself writes into an edit field, so that the
  // resulting EN_CHANGE is not taken for typing.
  int Writing = 0;
  int NextId = win32peer::kFirstControlId;

  explicit Impl(HINSTANCE AInstance) : Instance(AInstance) {}
  ~Impl() {
    for (auto& font : Fonts) DeleteObject(font.second);
    for (auto& brush : Brushes) DeleteObject(brush.second);
    for (auto& bitmap : Bitmaps) {
      if (bitmap.second) DeleteObject(bitmap.second);
    }
  }

  // ---- GDI objects and painting (peer_paint.cpp) ----
  HFONT FontFor(const TFont& Font);
  HBRUSH BrushFor(TColor Color);
  HBITMAP ResourceBitmap(const std::string& Name);
  static void InvalidateControl(const TControl& Control);
  void PaintContainer(HWND Window, TWinControl& Container);
  void PaintFrame(HDC Dc, RECT Client, TWinControl& Container);
  void PaintWindowless(HDC Dc, TControl& Control);
  void DrawDirectoryItem(const DRAWITEMSTRUCT& Item);
  LRESULT ChildColors(HDC Dc, HWND Child);

  // ---- Making and dropping native windows (peer_windows.cpp) ----
  static DWORD FormStyle(const TForm& Form);
  static DWORD FormExStyle(const TForm& Form);
  void MakeForm(TForm& Form);
  void MakeChildren(TWinControl& Parent);
  void MakeControl(TControl& Control);
  void ApplyState(TControl& Control);
  void FillDriveBox(TDriveComboBox& Box);
  void FillDirectoryList(TDirectoryListBox& List);
  static void ClearHandles(TControl& Control);

  // ---- Input and message loops (peer_input.cpp) ----
  static TControl* WindowlessAt(TWinControl& Container, POINT Point);
  void Command(HWND Child, WORD Code);
  void MoveFocusIfLost(TControl& Changed);
  static HWND FirstFocusOf(TForm& Form);
  bool DialogKeys(MSG& Message);
  bool HandleOne(MSG& Message);
  LRESULT ContainerProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam);
};

namespace win32peer {

// The peer whose windows the window procedure serves; set by the peer's
// constructor, cleared by its destructor.
extern Win32Peer::Impl* gPeer;

// The window procedure of the forms' and containers' classes.
LRESULT CALLBACK PeerWindowProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam);

}  // namespace win32peer
