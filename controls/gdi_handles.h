// Owners for the GDI and USER handles the control layer makes. Each handle has one owner,
// copies are impossible, moves hand the handle on.
#pragma once

#include <windows.h>

#include <utility>

namespace corvalis::exui {

template <typename Handle, auto Close>
class Owned {
 public:
  Owned() noexcept = default;
  explicit Owned(Handle adopted) noexcept : handle_(adopted) {}
  ~Owned() { reset(); }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  Owned(Owned&& other) noexcept : handle_(other.release()) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != nullptr; }
  void reset(Handle adopted = nullptr) noexcept {
    const Handle old = std::exchange(handle_, adopted);
    if (old != nullptr) Close(old);
  }
  [[nodiscard]] Handle release() noexcept { return std::exchange(handle_, nullptr); }

 private:
  Handle handle_ = nullptr;
};

inline void deleteGdiObject(HGDIOBJ object) noexcept { DeleteObject(object); }
inline void deleteDc(HDC dc) noexcept { DeleteDC(dc); }
inline void destroyIcon(HICON icon) noexcept { DestroyIcon(icon); }

using OwnedFont = Owned<HFONT, deleteGdiObject>;
using OwnedBrush = Owned<HBRUSH, deleteGdiObject>;
using OwnedPen = Owned<HPEN, deleteGdiObject>;
using OwnedBitmap = Owned<HBITMAP, deleteGdiObject>;
using OwnedRegion = Owned<HRGN, deleteGdiObject>;
using OwnedDc = Owned<HDC, deleteDc>;
using OwnedIcon = Owned<HICON, destroyIcon>;

// Selects an object into a DC for the life of the scope.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~ScopedSelect() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// Saves a DC's state (clip, origins, selections) and restores it at the end of the scope.
class ScopedDcState {
 public:
  explicit ScopedDcState(HDC dc) noexcept : dc_(dc), saved_(SaveDC(dc)) {}
  ~ScopedDcState() {
    if (saved_ != 0) RestoreDC(dc_, saved_);
  }
  ScopedDcState(const ScopedDcState&) = delete;
  ScopedDcState& operator=(const ScopedDcState&) = delete;

 private:
  HDC dc_;
  int saved_;
};

// BeginPaint / EndPaint.
class PaintScope {
 public:
  explicit PaintScope(HWND window) noexcept : window_(window) { dc_ = BeginPaint(window, &paint_); }
  ~PaintScope() { EndPaint(window_, &paint_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC dc() const noexcept { return dc_; }
  const RECT& area() const noexcept { return paint_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_ = nullptr;
};

// GetDC / ReleaseDC.
class ScopedWindowDc {
 public:
  explicit ScopedWindowDc(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
  ~ScopedWindowDc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  ScopedWindowDc(const ScopedWindowDc&) = delete;
  ScopedWindowDc& operator=(const ScopedWindowDc&) = delete;
  HDC get() const noexcept { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// OpenClipboard / CloseClipboard.
class ClipboardScope {
 public:
  explicit ClipboardScope(HWND owner) noexcept : open_(OpenClipboard(owner) != FALSE) {}
  ~ClipboardScope() {
    if (open_) CloseClipboard();
  }
  ClipboardScope(const ClipboardScope&) = delete;
  ClipboardScope& operator=(const ClipboardScope&) = delete;
  bool open() const noexcept { return open_; }

 private:
  bool open_;
};

// A 32-bit top-down DIB section selected into its own memory DC: the back buffer every
// control paints into, and the canvas of the tests.
class Canvas {
 public:
  Canvas(int width, int height) noexcept {
    width_ = width > 0 ? width : 1;
    height_ = height > 0 ? height : 1;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    dc_.reset(CreateCompatibleDC(nullptr));
    if (bitmap_ && dc_) {
      pixels_ = static_cast<DWORD*>(bits);
      previous_ = SelectObject(dc_.get(), bitmap_.get());
    }
  }
  ~Canvas() {
    if (previous_ != nullptr) SelectObject(dc_.get(), previous_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  bool valid() const noexcept { return pixels_ != nullptr; }
  HDC dc() const noexcept { return dc_.get(); }
  int width() const noexcept { return width_; }
  int height() const noexcept { return height_; }
  // The pixel as a COLORREF (comparable with RGB(...)); CLR_INVALID outside the canvas.
  COLORREF pixel(int x, int y) const noexcept {
    if (pixels_ == nullptr || x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
    GdiFlush();
    const DWORD value = pixels_[static_cast<size_t>(y) * width_ + x];
    return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
  }
  DWORD* pixels() noexcept {
    GdiFlush();
    return pixels_;
  }

 private:
  int width_ = 0;
  int height_ = 0;
  OwnedBitmap bitmap_;
  OwnedDc dc_;
  HGDIOBJ previous_ = nullptr;
  DWORD* pixels_ = nullptr;
};

}  // namespace corvalis::exui
