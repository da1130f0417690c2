#include "launcher/icon_image.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include "app/win_handles.h"

namespace corvalis {

namespace {

constexpr std::array<unsigned char, kIconHeadSize> makeHead() {
  std::array<unsigned char, kIconHeadSize> head{};
  auto put = [&head](std::size_t offset, std::uint32_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) head[offset + i] = static_cast<unsigned char>(value >> (8 * i));
  };
  put(2, 1, 2);       // type: icon
  put(4, 1, 2);       // one image
  put(6, 32, 1);      // width
  put(7, 32, 1);      // height
  put(10, 1, 2);      // planes
  put(12, 32, 2);     // bits per pixel
  put(14, 4264, 4);   // bytes in the image: header, pixels, mask
  put(18, 22, 4);     // where the image starts
  put(22, 40, 4);     // BITMAPINFOHEADER
  put(26, 32, 4);     // width
  put(30, 64, 4);     // height: colour and mask halves
  put(34, 1, 2);      // planes
  put(36, 32, 2);     // bits per pixel
  put(46, 3780, 4);   // 96 dpi, in pixels per metre
  put(50, 3780, 4);
  return head;
}

constexpr std::array<unsigned char, kIconHeadSize> kHead = makeHead();

// COM for the shell's icon lookup, undone only when this call did it.
class ComScope {
 public:
  ComScope() noexcept : initialized_(SUCCEEDED(CoInitialize(nullptr))) {}
  ~ComScope() {
    if (initialized_) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool initialized_;
};

// The shell's large icon, none when it has none. SHGetFileInfo leaves the record alone
// when it fails, so the record starts zeroed and the result is checked.
UniqueIcon shellIcon(const Text& path) {
  SHFILEINFOA info{};
  const DWORD_PTR found = SHGetFileInfoA(path.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info, SHGFI_ICON);
  return UniqueIcon(found != 0 ? info.hIcon : nullptr);
}

// Draws the icon (if any) on a fresh 32x32 bitmap and reads the bitmap back as a
// bottom-up 32-bit DIB. Zero bytes where anything fails.
ByteString drawnPixels(HICON icon) {
  ByteString pixels(kIconPixelBytes, '\0');
  WindowDC screen(nullptr);
  if (!screen) return pixels;
  UniqueDeviceContext drawing(CreateCompatibleDC(screen.get()));
  UniqueGdiObject bitmap(CreateCompatibleBitmap(screen.get(), kIconSide, kIconSide));
  if (!drawing || !bitmap) return pixels;
  ScopedSelection drawingSelection(drawing.get(), bitmap.get());
  // A new bitmap's content is not promised anywhere: start from blank.
  PatBlt(drawing.get(), 0, 0, kIconSide, kIconSide, BLACKNESS);
  if (icon != nullptr) DrawIconEx(drawing.get(), 0, 0, icon, kIconSide, kIconSide, 0, nullptr, DI_NORMAL);

  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  format.bmiHeader.biWidth = kIconSide;
  format.bmiHeader.biHeight = kIconSide;  // bottom row first
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  UniqueDeviceContext reading(CreateCompatibleDC(drawing.get()));
  void* bits = nullptr;
  UniqueGdiObject dib(CreateDIBSection(reading.get(), &format, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!reading || !dib || bits == nullptr) return pixels;
  ScopedSelection readingSelection(reading.get(), dib.get());
  BitBlt(reading.get(), 0, 0, kIconSide, kIconSide, drawing.get(), 0, 0, SRCCOPY);
  GdiFlush();
  std::memcpy(pixels.data(), bits, kIconPixelBytes);
  return pixels;
}

}  // namespace

const std::array<unsigned char, kIconHeadSize>& iconImageHead() { return kHead; }

ByteString iconImageFromPixels(std::string_view pixels) {
  ByteString image(kIconImageSize, '\0');
  std::memcpy(image.data(), kHead.data(), kHead.size());
  std::memcpy(image.data() + kIconHeadSize, pixels.data(), std::min(pixels.size(), kIconPixelBytes));
  return image;  // the mask stays zero: every pixel opaque
}

ByteString iconImage(std::string_view path) {
  const ComScope com;
  const UniqueIcon icon = shellIcon(Text(path));
  return iconImageFromPixels(drawnPixels(icon.get()));
}

}  // namespace corvalis
