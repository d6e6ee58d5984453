// The Win32 peer's painting: cached fonts, brushes and resource bitmaps, the
// containers' backgrounds and frames, the windowless controls, the directory
// list's items and the colours of child controls.
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "ui/win32/peer_impl.h"

using namespace win32peer;

HFONT Win32Peer::Impl::FontFor(const TFont& Font) {
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

HBRUSH Win32Peer::Impl::BrushFor(TColor Color) {
  const COLORREF rgb = ToColorRef(Color);
  auto found = Brushes.find(rgb);
  if (found != Brushes.end()) return found->second;
  HBRUSH brush = CreateSolidBrush(rgb);
  Brushes.emplace(rgb, brush);
  return brush;
}

namespace {

// The bytes of the gzip stream Packed, or nothing when it is damaged or its
// trailer gives a size over Limit.
std::vector<uint8_t> Gunzip(const uint8_t* Packed, size_t Size, size_t Limit) {
  if (Size < 18) return {};
  uint32_t unpacked;  // the trailer's last field: the size, little-endian
  std::memcpy(&unpacked, Packed + Size - 4, 4);
  if (unpacked == 0 || unpacked > Limit) return {};
  std::vector<uint8_t> out(unpacked);
  z_stream zs{};
  if (inflateInit2(&zs, 16 + MAX_WBITS) != Z_OK) return {};
  zs.next_in = const_cast<Bytef*>(Packed);
  zs.avail_in = static_cast<uInt>(Size);
  zs.next_out = out.data();
  zs.avail_out = static_cast<uInt>(out.size());
  const int status = inflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  inflateEnd(&zs);
  return status == Z_STREAM_END && out.size() == unpacked ? out : std::vector<uint8_t>{};
}

// A DIB section made from the BMP file File (palette and bottom-up rows
// as LoadImage's LR_CREATEDIBSECTION gives them), or null when the file is
// not a whole uncompressed BMP.
HBITMAP BitmapFromFile(const std::vector<uint8_t>& File) {
  BITMAPFILEHEADER head;
  if (File.size() < sizeof head + sizeof(BITMAPINFOHEADER)) return nullptr;
  std::memcpy(&head, File.data(), sizeof head);
  BITMAPINFOHEADER info;
  std::memcpy(&info, File.data() + sizeof head, sizeof info);
  if (head.bfType != 0x4D42 || info.biSize < sizeof info || info.biCompression != BI_RGB || info.biWidth <= 0 ||
      info.biHeight <= 0 || info.biWidth > 4096 || info.biHeight > 4096 || info.biBitCount > 32)
    return nullptr;
  const size_t colors = info.biClrUsed ? info.biClrUsed : info.biBitCount <= 8 ? size_t(1) << info.biBitCount : 0;
  const size_t stride = ((size_t(info.biWidth) * info.biBitCount + 31) / 32) * 4;
  const size_t pixels = stride * size_t(info.biHeight);
  if (colors > 256 || head.bfOffBits < sizeof head + info.biSize + colors * sizeof(RGBQUAD) ||
      head.bfOffBits > File.size() || File.size() - head.bfOffBits < pixels)
    return nullptr;
  void* bits = nullptr;
  auto* format = reinterpret_cast<const BITMAPINFO*>(File.data() + sizeof head);
  HBITMAP bitmap = CreateDIBSection(nullptr, format, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap) std::memcpy(bits, File.data() + head.bfOffBits, pixels);
  return bitmap;
}

}  // namespace

// The resource bitmaps are gzip-compressed BMP files (RCDATA).
HBITMAP Win32Peer::Impl::ResourceBitmap(const std::string& Name) {
  auto found = Bitmaps.find(Name);
  if (found != Bitmaps.end()) return found->second;
  HBITMAP bitmap = nullptr;
  HRSRC resource = FindResourceA(Instance, Name.c_str(), MAKEINTRESOURCEA(10));  // RT_RCDATA, in the A form
  HGLOBAL loaded = resource ? LoadResource(Instance, resource) : nullptr;
  const void* packed = loaded ? LockResource(loaded) : nullptr;
  if (packed) {
    constexpr size_t kMaxBitmapFile = 4 << 20;
    bitmap =
        BitmapFromFile(Gunzip(static_cast<const uint8_t*>(packed), SizeofResource(Instance, resource), kMaxBitmapFile));
  }
  Bitmaps.emplace(Name, bitmap);
  return bitmap;
}

// Asks the parent window to repaint the area of a windowless control.
void Win32Peer::Impl::InvalidateControl(const TControl& Control) {
  if (!Control.Parent()) return;
  HWND parent = HandleOf(*Control.Parent());
  if (!parent) return;
  RECT area = BoundsOf(Control);
  InvalidateRect(parent, &area, FALSE);
}

void Win32Peer::Impl::PaintContainer(HWND Window, TWinControl& Container) {
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
void Win32Peer::Impl::PaintFrame(HDC Dc, RECT Client, TWinControl& Container) {
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

void Win32Peer::Impl::PaintWindowless(HDC Dc, TControl& Control) {
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
                        static_cast<DWORD>(picture.Height()), 0, 0, 0, static_cast<UINT>(picture.Height()), bits.data(),
                        &info, DIB_RGB_COLORS);
      break;
    }
    default:
      break;
  }
}

// One item of the directory list: indented by its level, with a small
// folder, open for the current folder and its ancestors.
void Win32Peer::Impl::DrawDirectoryItem(const DRAWITEMSTRUCT& Item) {
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

// Colours of a child control that asks its parent (WM_CTLCOLOR*).
LRESULT Win32Peer::Impl::ChildColors(HDC Dc, HWND Child) {
  TControl* control = ControlOf(Child);
  if (!control) return 0;
  const TColor back = control->Color();
  SetTextColor(Dc, control->EffectivelyEnabled() ? ToColorRef(control->Font().Color) : GetSysColor(COLOR_GRAYTEXT));
  SetBkColor(Dc, ToColorRef(back));
  return reinterpret_cast<LRESULT>(BrushFor(back));
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
