// The back buffer every control paints into, and the canvas of the tests.
#pragma once

#include <windows.h>

#include <cstddef>

#include "base/win_handles.h"

namespace corvalis::exui {

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
  UniqueBitmap bitmap_;
  UniqueDeviceContext dc_;
  HGDIOBJ previous_ = nullptr;
  DWORD* pixels_ = nullptr;
};

}  // namespace corvalis::exui
