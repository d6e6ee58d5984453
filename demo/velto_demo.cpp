// The demo payload's program: a small window titled "Velto" with a greeting.
// The demo installer carries it as velto.exe, so the links that the install
// run creates point at something that starts and shows itself.
#include <windows.h>

namespace {

const char kClassName[] = "VeltoDemoWindow";

LRESULT CALLBACK DemoWindowProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  switch (Message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(Window, &ps);
      RECT client;
      GetClientRect(Window, &client);
      HBRUSH band = CreateSolidBrush(RGB(0, 64, 128));
      RECT top = client;
      top.bottom = 48;
      FillRect(dc, &top, band);
      DeleteObject(band);
      SetBkMode(dc, TRANSPARENT);
      HFONT title = CreateFontA(-28, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
      HGDIOBJ old = SelectObject(dc, title);
      SetTextColor(dc, RGB(255, 255, 255));
      DrawTextA(dc, "Velto", -1, &top, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      SelectObject(dc, old);
      DeleteObject(title);
      RECT body = client;
      body.top = 48;
      SetTextColor(dc, RGB(0, 0, 96));
      old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
      DrawTextA(dc, "Velto è installato. Buona ricerca!", -1, &body, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      SelectObject(dc, old);
      EndPaint(Window, &ps);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(Window, Message, WParam, LParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE Instance, HINSTANCE, LPSTR, int ShowState) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DemoWindowProc;
  wc.hInstance = Instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hIcon = LoadIconA(Instance, "MAINICON");
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kClassName;
  if (!RegisterClassA(&wc)) return 1;
  RECT frame = {0, 0, 320, 140};
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  AdjustWindowRect(&frame, style, FALSE);
  HWND window = CreateWindowA(kClassName, "Velto", style, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                              frame.bottom - frame.top, nullptr, nullptr, Instance, nullptr);
  if (!window) return 1;
  ShowWindow(window, ShowState);
  UpdateWindow(window);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
