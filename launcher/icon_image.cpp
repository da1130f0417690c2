#include "launcher/icon_image.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <commoncontrols.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "base/win_handles.h"
#include "launcher/icon_pixels.h"

namespace corvalis {

namespace {

constexpr std::size_t maskStride(int side) { return static_cast<std::size_t>((side + 31) / 32) * 4; }
constexpr std::size_t pixelBytes(int side) { return static_cast<std::size_t>(side) * side * 4; }

constexpr std::array<unsigned char, kIconHeadSize> makeHead(int side) {
  std::array<unsigned char, kIconHeadSize> head{};
  auto put = [&head](std::size_t offset, std::uint32_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) head[offset + i] = static_cast<unsigned char>(value >> (8 * i));
  };
  const auto edge = static_cast<std::uint32_t>(side);
  const auto imageBytes = static_cast<std::uint32_t>(40 + pixelBytes(side) + maskStride(side) * edge);
  put(2, 1, 2);                        // type: icon
  put(4, 1, 2);                        // one image
  put(6, side >= 256 ? 0 : edge, 1);   // width (0 stands for 256)
  put(7, side >= 256 ? 0 : edge, 1);   // height
  put(10, 1, 2);                       // planes
  put(12, 32, 2);                      // bits per pixel
  put(14, imageBytes, 4);              // bytes in the image: header, pixels, mask (4264 at 32)
  put(18, 22, 4);                      // where the image starts
  put(22, 40, 4);                      // BITMAPINFOHEADER
  put(26, edge, 4);                    // width
  put(30, 2 * edge, 4);                // height: colour and mask halves
  put(34, 1, 2);                       // planes
  put(36, 32, 2);                      // bits per pixel
  put(46, 3780, 4);                    // 96 dpi, in pixels per metre
  put(50, 3780, 4);
  return head;
}

// IImageList's interface identifier, spelt out: not every import library carries it.
constexpr GUID kImageListInterface = {0x46eb5926, 0x582e, 0x4017, {0x9f, 0xdf, 0xe8, 0x99, 0x8d, 0xaa, 0x09, 0x50}};

constexpr int validSide(int side) { return side >= 16 && side <= 256 ? side : kIconSide; }

constexpr std::array<unsigned char, kIconHeadSize> kHead = makeHead(kIconSide);
static_assert(kIconHeadSize + pixelBytes(kIconSide) + maskStride(kIconSide) * kIconSide == kIconImageSize);

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

// The shell's icon for a side above 32: from its extra-large (48) or jumbo (256) image
// list, the smallest that is not smaller than the side; the large icon where neither
// can be had.
UniqueIcon shellIconFor(const Text& path, int side) {
  if (side <= kIconSide) return shellIcon(path);
  SHFILEINFOA info{};
  if (SHGetFileInfoA(path.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info, SHGFI_SYSICONINDEX) != 0) {
    for (const int list : {side <= 48 ? SHIL_EXTRALARGE : SHIL_JUMBO, SHIL_JUMBO}) {
      IImageList* images = nullptr;
      if (FAILED(SHGetImageList(list, kImageListInterface, reinterpret_cast<void**>(&images))) || images == nullptr)
        continue;
      HICON icon = nullptr;
      const HRESULT got = images->GetIcon(info.iIcon, ILD_TRANSPARENT, &icon);
      images->Release();
      if (SUCCEEDED(got) && icon != nullptr) return UniqueIcon(icon);
    }
  }
  return shellIcon(path);
}

// 32-bit pixels, bottom row first for a positive height, top row first for a negative one.
BITMAPINFO pixelFormat(int width, int height) {
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  format.bmiHeader.biWidth = width;
  format.bmiHeader.biHeight = height;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  return format;
}

// The icon's own pixels, with the alpha the mask gives an icon that has none; nothing
// for an icon without a colour bitmap (a monochrome one) or one that cannot be read.
std::optional<IconPixels> pixelsOf(HICON icon) {
  ICONINFO parts{};
  if (icon == nullptr || !GetIconInfo(icon, &parts)) return std::nullopt;
  const UniqueBitmap colour(parts.hbmColor);
  const UniqueBitmap mask(parts.hbmMask);
  BITMAP size{};
  if (!colour || GetObjectW(colour.get(), sizeof size, &size) == 0) return std::nullopt;
  // The shell's images are 256 at most: anything far larger is left to the drawing.
  if (size.bmWidth <= 0 || size.bmHeight <= 0 || size.bmWidth > 1024 || size.bmHeight > 1024) return std::nullopt;
  const auto count = static_cast<std::size_t>(size.bmWidth) * static_cast<std::size_t>(size.bmHeight);
  IconPixels pixels{size.bmWidth, size.bmHeight, std::vector<std::uint32_t>(count)};
  BITMAPINFO format = pixelFormat(size.bmWidth, -size.bmHeight);
  const WindowDC screen(nullptr);
  if (!screen || GetDIBits(screen.get(), colour.get(), 0, static_cast<UINT>(size.bmHeight), pixels.bgra.data(), &format,
                           DIB_RGB_COLORS) != size.bmHeight)
    return std::nullopt;
  std::vector<std::uint32_t> maskPixels(count);
  format = pixelFormat(size.bmWidth, -size.bmHeight);  // GetDIBits may have filled in the header
  if (mask && GetDIBits(screen.get(), mask.get(), 0, static_cast<UINT>(size.bmHeight), maskPixels.data(), &format,
                        DIB_RGB_COLORS) == size.bmHeight)
    takeAlphaFromMask(pixels, maskPixels);
  return pixels;
}

// An icon of the pixels as they are. Its mask marks every pixel opaque: the alpha
// decides where it is drawn.
UniqueIcon iconOf(const IconPixels& pixels) {
  BITMAPINFO format = pixelFormat(pixels.width, -pixels.height);
  void* bits = nullptr;
  const WindowDC screen(nullptr);
  UniqueBitmap colour(CreateDIBSection(screen.get(), &format, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!colour || bits == nullptr) return UniqueIcon();
  std::memcpy(bits, pixels.bgra.data(), pixels.bgra.size() * sizeof(std::uint32_t));
  // Mask rows are padded to 16 bits; given zeros, never left undefined.
  const std::vector<unsigned char> clear(static_cast<std::size_t>((pixels.width + 15) / 16 * 2) * pixels.height);
  UniqueBitmap mask(CreateBitmap(pixels.width, pixels.height, 1, 1, clear.data()));
  if (!mask) return UniqueIcon();
  ICONINFO parts{TRUE, 0, 0, mask.get(), colour.get()};
  return UniqueIcon(CreateIconIndirect(&parts));
}

// The shell's icon brought to side x side by this program rather than by the drawing,
// which shrinks by dropping pixels and shows a jumbo tile's small corner image as a
// speck. Nothing where the icon already is one image of that size: it is drawn as it is.
UniqueIcon fittedIcon(HICON icon, int side) {
  const std::optional<IconPixels> pixels = pixelsOf(icon);
  if (!pixels) return UniqueIcon();
  const bool oneImageOfTheSide = pixels->width == side && pixels->height == side &&
                                 cornerImageSide(opaqueBounds(*pixels), side, side) == 0;
  if (oneImageOfTheSide) return UniqueIcon();
  return iconOf(fittedPixels(*pixels, side));
}

// Draws the icon (if any) on a fresh side x side bitmap and reads the bitmap back as a
// bottom-up 32-bit DIB. Zero bytes where anything fails.
ByteString drawnPixels(HICON icon, int side) {
  ByteString pixels(pixelBytes(side), '\0');
  WindowDC screen(nullptr);
  if (!screen) return pixels;
  UniqueDeviceContext drawing(CreateCompatibleDC(screen.get()));
  UniqueGdiObject bitmap(CreateCompatibleBitmap(screen.get(), side, side));
  if (!drawing || !bitmap) return pixels;
  ScopedSelection drawingSelection(drawing.get(), bitmap.get());
  // A new bitmap's content is not promised anywhere: start from blank.
  PatBlt(drawing.get(), 0, 0, side, side, BLACKNESS);
  if (icon != nullptr) DrawIconEx(drawing.get(), 0, 0, icon, side, side, 0, nullptr, DI_NORMAL);

  BITMAPINFO format = pixelFormat(side, side);  // bottom row first
  UniqueDeviceContext reading(CreateCompatibleDC(drawing.get()));
  void* bits = nullptr;
  UniqueGdiObject dib(CreateDIBSection(reading.get(), &format, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!reading || !dib || bits == nullptr) return pixels;
  ScopedSelection readingSelection(reading.get(), dib.get());
  BitBlt(reading.get(), 0, 0, side, side, drawing.get(), 0, 0, SRCCOPY);
  GdiFlush();
  std::memcpy(pixels.data(), bits, pixels.size());
  return pixels;
}

}  // namespace

const std::array<unsigned char, kIconHeadSize>& iconImageHead() { return kHead; }

std::array<unsigned char, kIconHeadSize> iconImageHeadFor(int side) { return makeHead(validSide(side)); }

std::size_t iconImageSizeFor(int side) {
  side = validSide(side);
  return kIconHeadSize + pixelBytes(side) + maskStride(side) * static_cast<std::size_t>(side);
}

ByteString iconImageFromPixels(std::string_view pixels, int side) {
  side = validSide(side);
  const auto head = makeHead(side);
  ByteString image(iconImageSizeFor(side), '\0');
  std::memcpy(image.data(), head.data(), head.size());
  std::memcpy(image.data() + kIconHeadSize, pixels.data(), std::min(pixels.size(), pixelBytes(side)));
  return image;  // the mask stays zero: every pixel opaque
}

ByteString iconImageOfIcon(HICON icon, int side) {
  side = validSide(side);
  // At 32 the shell's large icon is drawn as it always was.
  const UniqueIcon fitted = side > kIconSide ? fittedIcon(icon, side) : UniqueIcon();
  return iconImageFromPixels(drawnPixels(fitted ? fitted.get() : icon, side), side);
}

ByteString iconImage(std::string_view path, int side) {
  side = validSide(side);
  const ComScope com;
  const UniqueIcon icon = shellIconFor(Text(path), side);
  return iconImageOfIcon(icon.get(), side);
}

}  // namespace corvalis
