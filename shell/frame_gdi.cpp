// The GDI side of the frame: the top-down 32-bit DIB section whose pixels are
// backBuffer, its memory DC with the four fonts, text drawing, and copying the
// frame (or the progress band) to the window, all at the display scale.
#include "frame_gdi.h"

#include <cwchar>

#include "display_scale.h"
#include "frame_replay.h"
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

// The four fonts by number, so that a recorded text step finds its font again
// after the fonts were made anew at another scale.
HFONT* const kFonts[] = {&fontTitle, &fontSubtitle, &fontText, &fontSmall};

int FontNumber(HFONT font) {
  for (int i = 0; i < 4; ++i)
    if (*kFonts[i] == font) return i;
  return -1;
}

void DrawTextScaled(HFONT font, const wchar_t* text, int length, const TextRect& rect) {
  SelectObject(backBufferDC, font);
  RECT r = ScaleRect(RECT{rect.left, rect.top, rect.right, rect.bottom});
  DrawTextW(backBufferDC, text, length, &r, DT_SINGLELINE | DT_VCENTER);
  // The pixel code writes the same memory directly; let GDI finish first.
  GdiFlush();
}

void ReplayText(const DrawnStep& step) {
  if (step.font < 0) return;
  DrawTextScaled(*kFonts[step.font], step.text, static_cast<int>(wcslen(step.text)),
                 TextRect{step.left, step.top, step.right, step.bottom});
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
  info.bmiHeader.biWidth = ClientWidth();
  info.bmiHeader.biHeight = -ClientHeight();  // top-down: row 0 is the top row
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

  // The design's pixel heights at the scale: the text is drawn anew, not enlarged.
  fontTitle = MakeFont(ScaleLength(32));
  fontSubtitle = MakeFont(ScaleLength(24));
  fontText = MakeFont(ScaleLength(17));
  fontSmall = MakeFont(ScaleLength(13));
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
  RecordDrawnText(FontNumber(font), text, rect.left, rect.top, rect.right, rect.bottom);
  DrawTextScaled(font, text, static_cast<int>(wcslen(text)), rect);
}

bool RescaleFrame(HWND window) {
  DestroyFrameResources();
  if (!CreateFrameResources(window)) return false;
  ReplayDrawn(ReplayText);
  repaintFlag = 1;
  return true;
}

void DrawTextRow(HFONT font, int row) {
  if (row < 0 || row >= kTextRectRows) return;
  DrawTextLine(font, uiTexts[row], textRects[row]);
}

void PresentFrame(HWND window) {
  if (!backBufferDC) return;
  WindowDC windowDC(window);
  if (!windowDC.get()) return;
  BitBlt(windowDC.get(), 0, 0, ClientWidth(), ClientHeight(), backBufferDC, 0, 0, SRCCOPY);
}

void PresentProgressBand(HWND window) {
  if (!backBufferDC) return;
  WindowDC windowDC(window);
  if (!windowDC.get()) return;
  const int top = ScaleLength(kProgressBandTop);
  const int rows = ScaleLength(kProgressBandTop + kProgressBandRows) - top;
  BitBlt(windowDC.get(), 0, top, ClientWidth(), rows, backBufferDC, 0, top, SRCCOPY);
}

void PresentFrameAround(HWND window, const RECT& hole, HWND child) {
  if (!backBufferDC) return;
  {
    WindowDC windowDC(window);
    if (!windowDC.get()) return;
    const RECT h = ScaleRect(hole);
    ExcludeClipRect(windowDC.get(), h.left, h.top, h.right, h.bottom);
    BitBlt(windowDC.get(), 0, 0, ClientWidth(), ClientHeight(), backBufferDC, 0, 0, SRCCOPY);
  }
  // The copy left the child's rectangle alone, so the child needs to paint
  // only what it has pending; invalidating it on every present would erase and
  // redraw its text on every hover change (visible flicker).
  if (child) UpdateWindow(child);
}
