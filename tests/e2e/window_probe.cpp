// A test tool for the end-to-end test: prints the state of a running
// program's window and of all its child controls, one line each, so that a
// script can check what a user would see without reading pixels.
//
//   velto-window-probe.exe TITLE-PREFIX
//   velto-window-probe.exe --list
//
// The first form finds the first visible top-level window whose caption
// begins with TITLE-PREFIX and prints
//   window|<caption>|<client width>x<client height>|client=<x>,<y>|style=<hex>|screen=<w>x<h>
//   control|<class>|<text>|enabled=<0|1>|visible=<0|1>|checked=<0|1|->|rect=<x>,<y>,<w>,<h>|position=<n|->
// where client is the client area's top-left corner on the screen, style the
// window's GWL_STYLE, screen the screen's size, rect is
// the control's place relative to that corner, and visible means the control
// and all its parents are shown; position is a progress bar's. Last comes
//   focus|<class>|<text>
// for the control that has the keyboard focus, when it is one of the
// window's. The second form prints one line
//   top|<caption>|<class>
// per visible top-level window. Texts are printed as the windows hold them
// (ANSI); '|' and line breaks become blanks.
// Exit code 0 when the window was found, 2 when not, 1 on a usage error.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct Search {
  const char* Prefix;
  HWND Found;
};

std::string WindowText(HWND Window) {
  // WM_GETTEXT reaches the edit controls of another process too.
  const LRESULT length = SendMessageA(Window, WM_GETTEXTLENGTH, 0, 0);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const LRESULT got =
      SendMessageA(Window, WM_GETTEXT, static_cast<WPARAM>(text.size()), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(got));
  for (char& c : text) {
    if (c == '|' || c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

BOOL CALLBACK FindTopLevel(HWND Window, LPARAM Param) {
  auto* search = reinterpret_cast<Search*>(Param);
  if (!IsWindowVisible(Window)) return TRUE;
  char caption[512] = {};
  GetWindowTextA(Window, caption, sizeof caption);
  if (std::strncmp(caption, search->Prefix, std::strlen(search->Prefix)) == 0) {
    search->Found = Window;
    return FALSE;
  }
  return TRUE;
}

const char* CheckState(HWND Control, const char* ClassName) {
  if (_stricmp(ClassName, "Button") != 0) return "-";
  const LONG_PTR type = GetWindowLongPtrA(Control, GWL_STYLE) & BS_TYPEMASK;
  switch (type) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE:
      return SendMessageA(Control, BM_GETCHECK, 0, 0) == BST_CHECKED ? "1" : "0";
    default:
      return "-";
  }
}

BOOL CALLBACK PrintChild(HWND Control, LPARAM Param) {
  const auto top = reinterpret_cast<HWND>(Param);
  char className[128] = {};
  GetClassNameA(Control, className, sizeof className);
  RECT area{};
  GetWindowRect(Control, &area);
  MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&area), 2);
  std::string position = "-";
  if (_stricmp(className, "msctls_progress32") == 0) {
    position = std::to_string(SendMessageA(Control, PBM_GETPOS, 0, 0));
  }
  std::printf("control|%s|%s|enabled=%d|visible=%d|checked=%s|rect=%ld,%ld,%ld,%ld|position=%s\n", className,
              WindowText(Control).c_str(), IsWindowEnabled(Control) ? 1 : 0, IsWindowVisible(Control) ? 1 : 0,
              CheckState(Control, className), area.left, area.top, area.right - area.left, area.bottom - area.top,
              position.c_str());
  return TRUE;
}

BOOL CALLBACK PrintTopLevel(HWND Window, LPARAM) {
  if (!IsWindowVisible(Window)) return TRUE;
  char className[128] = {};
  GetClassNameA(Window, className, sizeof className);
  std::printf("top|%s|%s\n", WindowText(Window).c_str(), className);
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: velto-window-probe TITLE-PREFIX | --list\n");
    return 1;
  }
  if (std::strcmp(argv[1], "--list") == 0) {
    EnumWindows(PrintTopLevel, 0);
    return 0;
  }
  Search search{argv[1], nullptr};
  EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&search));
  if (!search.Found) return 2;
  RECT client{};
  GetClientRect(search.Found, &client);
  POINT origin{0, 0};
  ClientToScreen(search.Found, &origin);
  std::printf("window|%s|%ldx%ld|client=%ld,%ld|style=0x%08lx|screen=%dx%d\n", WindowText(search.Found).c_str(),
              client.right - client.left, client.bottom - client.top, origin.x, origin.y,
              static_cast<unsigned long>(GetWindowLongPtrA(search.Found, GWL_STYLE)), GetSystemMetrics(SM_CXSCREEN),
              GetSystemMetrics(SM_CYSCREEN));
  EnumChildWindows(search.Found, PrintChild, reinterpret_cast<LPARAM>(search.Found));
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(search.Found, nullptr), &thread) && thread.hwndFocus &&
      IsChild(search.Found, thread.hwndFocus)) {
    char className[128] = {};
    GetClassNameA(thread.hwndFocus, className, sizeof className);
    std::printf("focus|%s|%s\n", className, WindowText(thread.hwndFocus).c_str());
  }
  return 0;
}
