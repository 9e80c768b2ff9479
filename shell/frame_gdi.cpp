// The GDI side of the frame: the top-down 32-bit DIB section whose pixels are
// backBuffer, its memory DC with the four fonts, text drawing, and copying the
// frame (or the progress band) to the window.
#include "frame_gdi.h"

#include <cwchar>

#include "shell_state.h"

HDC backBufferDC = nullptr;
HFONT fontTitle = nullptr;
HFONT fontSubtitle = nullptr;
HFONT fontText = nullptr;
HFONT fontSmall = nullptr;

namespace {

HBITMAP backBufferBitmap = nullptr;
// What the memory DC held before ours were selected, put back before deletion
// so that no object is deleted while selected.
HGDIOBJ originalBitmap = nullptr;
HGDIOBJ originalFont = nullptr;

constexpr int kProgressBandTop = 247;
constexpr int kProgressBandRows = 24;

// The window's DC for the length of one presentation.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

HFONT MakeFont(int height) {
  return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_CHARACTER_PRECIS, CLIP_CHARACTER_PRECIS, DEFAULT_QUALITY, 0,
                     L"MS Shell Dlg");
}

void DeleteFont(HFONT& font) {
  if (font) {
    DeleteObject(font);
    font = nullptr;
  }
}

}  // namespace

bool CreateFrameResources(HWND window) {
  WindowDC windowDC(window);
  if (!windowDC.get()) return false;

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = kFrameWidth;
  info.bmiHeader.biHeight = -kFrameHeight;  // top-down: row 0 is the top row
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  backBufferBitmap = CreateDIBSection(windowDC.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!backBufferBitmap || !bits) {
    DestroyFrameResources();
    return false;
  }
  backBufferDC = CreateCompatibleDC(windowDC.get());
  if (!backBufferDC) {
    DestroyFrameResources();
    return false;
  }
  originalBitmap = SelectObject(backBufferDC, backBufferBitmap);
  SetBkMode(backBufferDC, TRANSPARENT);
  SetTextColor(backBufferDC, RGB(0, 0, 0));

  fontTitle = MakeFont(32);
  fontSubtitle = MakeFont(24);
  fontText = MakeFont(17);
  fontSmall = MakeFont(13);
  originalFont = GetCurrentObject(backBufferDC, OBJ_FONT);

  backBuffer = static_cast<uint32_t*>(bits);
  return true;
}

void DestroyFrameResources() {
  if (backBufferDC) {
    if (originalFont) SelectObject(backBufferDC, originalFont);
    if (originalBitmap) SelectObject(backBufferDC, originalBitmap);
  }
  originalFont = nullptr;
  originalBitmap = nullptr;
  DeleteFont(fontTitle);
  DeleteFont(fontSubtitle);
  DeleteFont(fontText);
  DeleteFont(fontSmall);
  if (backBufferDC) {
    DeleteDC(backBufferDC);
    backBufferDC = nullptr;
  }
  if (backBufferBitmap) {
    DeleteObject(backBufferBitmap);
    backBufferBitmap = nullptr;
  }
  backBuffer = nullptr;
}

void DrawTextLine(HFONT font, const wchar_t* text, const TextRect& rect) {
  if (!backBufferDC || !text) return;
  SelectObject(backBufferDC, font);
  RECT r = {rect.left, rect.top, rect.right, rect.bottom};
  DrawTextW(backBufferDC, text, static_cast<int>(wcslen(text)), &r, DT_SINGLELINE | DT_VCENTER);
  // The pixel code writes the same memory directly; let GDI finish first.
  GdiFlush();
}

void DrawTextRow(HFONT font, int row) {
  if (row < 0 || row >= kTextRectRows) return;
  DrawTextLine(font, uiTexts[row], textRects[row]);
}

void PresentFrame(HWND window) {
  if (!backBufferDC) return;
  WindowDC windowDC(window);
  if (!windowDC.get()) return;
  BitBlt(windowDC.get(), 0, 0, kFrameWidth, kFrameHeight, backBufferDC, 0, 0, SRCCOPY);
}

void PresentProgressBand(HWND window) {
  if (!backBufferDC) return;
  WindowDC windowDC(window);
  if (!windowDC.get()) return;
  BitBlt(windowDC.get(), 0, kProgressBandTop, kFrameWidth, kProgressBandRows, backBufferDC, 0,
         kProgressBandTop, SRCCOPY);
}

void PresentFrameAround(HWND window, const RECT& hole, HWND child) {
  if (!backBufferDC) return;
  {
    WindowDC windowDC(window);
    if (!windowDC.get()) return;
    ExcludeClipRect(windowDC.get(), hole.left, hole.top, hole.right, hole.bottom);
    BitBlt(windowDC.get(), 0, 0, kFrameWidth, kFrameHeight, backBufferDC, 0, 0, SRCCOPY);
  }
  // The copy left the child's rectangle alone, so the child needs to paint
  // only what it has pending; invalidating it on every present would erase and
  // redraw its text on every hover change (visible flicker).
  if (child) UpdateWindow(child);
}
