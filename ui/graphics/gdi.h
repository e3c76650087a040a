#pragma once
#include <windows.h>

#include <cstdint>
#include <utility>
#include <vector>

// Ownership of GDI objects lives in the type: an owning handle deletes its object; a borrowed
// one (stock objects, fonts handed in by WM_SETFONT) is a plain handle.
template <class H>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(H h) : h_(h) {}
  GdiObject(GdiObject&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  GdiObject& operator=(GdiObject&& o) noexcept {
    reset(std::exchange(o.h_, nullptr));
    return *this;
  }
  ~GdiObject() { reset(); }
  void reset(H h = nullptr) {
    if (h_) DeleteObject(h_);
    h_ = h;
  }
  H get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  H h_ = nullptr;
};
using OwnedFont = GdiObject<HFONT>;
using OwnedBrush = GdiObject<HBRUSH>;
using OwnedBitmap = GdiObject<HBITMAP>;
using OwnedRegion = GdiObject<HRGN>;

// BeginPaint/EndPaint.
class PaintDC {
 public:
  explicit PaintDC(HWND hwnd) : hwnd_(hwnd) { dc_ = BeginPaint(hwnd, &ps_); }
  ~PaintDC() { EndPaint(hwnd_, &ps_); }
  PaintDC(const PaintDC&) = delete;
  PaintDC& operator=(const PaintDC&) = delete;
  HDC dc() const { return dc_; }
  const PAINTSTRUCT& ps() const { return ps_; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

// Selects an object into a DC and restores the previous one.
class SelectObjectScope {
 public:
  SelectObjectScope(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  ~SelectObjectScope() { SelectObject(dc_, old_); }
  SelectObjectScope(const SelectObjectScope&) = delete;
  SelectObjectScope& operator=(const SelectObjectScope&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// The screen DC.
class ScreenDC {
 public:
  ScreenDC() : dc_(GetDC(nullptr)) {}
  ~ScreenDC() { ReleaseDC(nullptr, dc_); }
  ScreenDC(const ScreenDC&) = delete;
  ScreenDC& operator=(const ScreenDC&) = delete;
  HDC dc() const { return dc_; }

 private:
  HDC dc_;
};

int screenDpiY();  // LOGPIXELSY of the screen

// The font rule shared by the edit box, the status bar and the label: the stored 60-byte
// LOGFONTA with the character set forced to DEFAULT_CHARSET, precisions and pitch 0 and
// PROOF_QUALITY. Returns null when the data is not 60 bytes or the font cannot be made.
HFONT createRuleFont(const std::vector<uint8_t>& logfont);
HFONT createRuleFont(const uint8_t* logfont, size_t size);
// The 60 bytes of a font's LOGFONTA (DEFAULT_GUI_FONT's when font is null).
std::vector<uint8_t> logFontBytes(HFONT font);
