#include "controls/image.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/win_handles.h"
#include "controls/canvas.h"

namespace corvalis::exui {
namespace {

std::uint32_t word32(std::string_view bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}
std::uint16_t word16(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                    (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

constexpr std::uint32_t pack(unsigned a, unsigned r, unsigned g, unsigned b) {
  return (a << 24) | (r << 16) | (g << 8) | b;
}

struct Candidate {
  std::size_t offset = 0;
  std::size_t size = 0;
  int width = 0;
  int height = 0;
};

// Checks one directory entry's image: a BITMAPINFOHEADER of a 32-bit, uncompressed DIB that
// fits its stated place in the file.
std::optional<Candidate> checkEntry(std::string_view bytes, std::size_t entry) {
  const std::uint32_t size = word32(bytes, entry + 8);
  const std::uint32_t offset = word32(bytes, entry + 12);
  if (offset >= bytes.size() || size > bytes.size() - offset || size < 40) return std::nullopt;
  const std::string_view image = bytes.substr(offset, size);
  const std::uint32_t headerSize = word32(image, 0);
  const auto width = static_cast<std::int32_t>(word32(image, 4));
  const auto fullHeight = static_cast<std::int32_t>(word32(image, 8));
  if (headerSize < 40 || headerSize > image.size()) return std::nullopt;
  if (word16(image, 12) != 1 || word16(image, 14) != 32 || word32(image, 16) != BI_RGB) return std::nullopt;
  if (width <= 0 || width > 256 || fullHeight <= 0 || fullHeight > 512) return std::nullopt;
  // Icon images state twice their height (colour and mask); a bare DIB states its own.
  const int height = fullHeight >= 2 * width ? fullHeight / 2 : fullHeight;
  const std::size_t colourBytes = static_cast<std::size_t>(width) * height * 4;
  if (image.size() - headerSize < colourBytes) return std::nullopt;
  return Candidate{offset, size, width, height};
}

}  // namespace

bool Image::anyVisible() const {
  return std::any_of(pixels.begin(), pixels.end(), [](std::uint32_t p) { return (p >> 24) != 0; });
}

std::optional<Image> decodeIconImage(std::string_view bytes) {
  if (bytes.size() < 6 || word16(bytes, 0) != 0 || word16(bytes, 2) != 1) return std::nullopt;
  const int count = word16(bytes, 4);
  if (count <= 0 || static_cast<std::size_t>(count) > (bytes.size() - 6) / 16) return std::nullopt;
  std::optional<Candidate> best;
  for (int i = 0; i < count; ++i) {
    const auto candidate = checkEntry(bytes, 6 + static_cast<std::size_t>(i) * 16);
    if (candidate && (!best || candidate->width > best->width)) best = candidate;
  }
  if (!best) return std::nullopt;

  const std::string_view image = bytes.substr(best->offset, best->size);
  const std::size_t headerSize = word32(image, 0);
  const int width = best->width;
  const int height = best->height;
  const std::size_t colourBytes = static_cast<std::size_t>(width) * height * 4;
  const std::size_t maskStride = static_cast<std::size_t>((width + 31) / 32) * 4;
  const bool haveMask = image.size() - headerSize - colourBytes >= maskStride * height;

  Image result;
  result.width = width;
  result.height = height;
  result.pixels.resize(static_cast<std::size_t>(width) * height);
  bool anyAlpha = false;
  bool straight = false;
  for (int row = 0; row < height; ++row) {
    const std::size_t source = headerSize + static_cast<std::size_t>(height - 1 - row) * width * 4;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t bgra = word32(image, source + static_cast<std::size_t>(x) * 4);
      const unsigned a = bgra >> 24;
      const unsigned r = (bgra >> 16) & 0xFF, g = (bgra >> 8) & 0xFF, b = bgra & 0xFF;
      anyAlpha = anyAlpha || a != 0;
      straight = straight || r > a || g > a || b > a;
      result.pixels[static_cast<std::size_t>(row) * width + x] = bgra;
    }
  }
  if (anyAlpha) {
    if (straight) {
      for (auto& p : result.pixels) {
        const unsigned a = p >> 24;
        p = pack(a, ((p >> 16) & 0xFF) * a / 255, ((p >> 8) & 0xFF) * a / 255, (p & 0xFF) * a / 255);
      }
    }
    return result;
  }
  // No alpha at all: the AND mask decides, or, when it marks everything opaque, black does.
  bool maskUsed = false;
  if (haveMask) {
    const std::size_t maskStart = headerSize + colourBytes;
    for (int row = 0; row < height && !maskUsed; ++row) {
      for (std::size_t i = 0; i < maskStride && !maskUsed; ++i) {
        maskUsed = image[maskStart + static_cast<std::size_t>(row) * maskStride + i] != 0;
      }
    }
    if (maskUsed) {
      for (int row = 0; row < height; ++row) {
        const std::size_t line = maskStart + static_cast<std::size_t>(height - 1 - row) * maskStride;
        for (int x = 0; x < width; ++x) {
          const bool transparent = (static_cast<unsigned char>(image[line + x / 8]) >> (7 - x % 8)) & 1;
          auto& p = result.pixels[static_cast<std::size_t>(row) * width + x];
          p = transparent ? 0 : (p | 0xFF000000u);
        }
      }
    }
  }
  if (!maskUsed) {
    for (auto& p : result.pixels) p = (p & 0x00FFFFFF) == 0 ? 0 : (p | 0xFF000000u);
  }
  return result;
}

Image scaleImage(const Image& source, int width, int height) {
  Image result;
  if (source.empty() || width <= 0 || height <= 0) return result;
  result.width = width;
  result.height = height;
  result.pixels.resize(static_cast<std::size_t>(width) * height);
  if (width == source.width && height == source.height) {
    result.pixels = source.pixels;
    return result;
  }
  const double scaleX = static_cast<double>(source.width) / width;
  const double scaleY = static_cast<double>(source.height) / height;
  for (int y = 0; y < height; ++y) {
    const double top = y * scaleY, bottom = (y + 1) * scaleY;
    for (int x = 0; x < width; ++x) {
      const double left = x * scaleX, right = (x + 1) * scaleX;
      double sum[4] = {0, 0, 0, 0};
      double area = 0;
      for (int sy = static_cast<int>(top); sy < std::min(source.height, static_cast<int>(std::ceil(bottom))); ++sy) {
        const double wy = std::min<double>(bottom, sy + 1) - std::max<double>(top, sy);
        if (wy <= 0) continue;
        for (int sx = static_cast<int>(left); sx < std::min(source.width, static_cast<int>(std::ceil(right))); ++sx) {
          const double wx = std::min<double>(right, sx + 1) - std::max<double>(left, sx);
          if (wx <= 0) continue;
          const double weight = wx * wy;
          const std::uint32_t p = source.pixels[static_cast<std::size_t>(sy) * source.width + sx];
          for (int c = 0; c < 4; ++c) sum[c] += weight * ((p >> (24 - 8 * c)) & 0xFF);
          area += weight;
        }
      }
      unsigned channel[4];
      for (int c = 0; c < 4; ++c) {
        channel[c] = area > 0 ? static_cast<unsigned>(std::lround(std::clamp(sum[c] / area, 0.0, 255.0))) : 0;
      }
      channel[1] = std::min(channel[1], channel[0]);  // keep premultiplied colours within alpha
      channel[2] = std::min(channel[2], channel[0]);
      channel[3] = std::min(channel[3], channel[0]);
      result.pixels[static_cast<std::size_t>(y) * width + x] = pack(channel[0], channel[1], channel[2], channel[3]);
    }
  }
  return result;
}

namespace {

constexpr int kSupersample = 4;

// Coverage masks drawn in white on black at kSupersample times the size, averaged down.
class MaskCanvas {
 public:
  explicit MaskCanvas(int size) : size_(size), canvas_(size * kSupersample, size * kSupersample) {
    RECT all{0, 0, canvas_.width(), canvas_.height()};
    FillRect(canvas_.dc(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
  HDC dc() const { return canvas_.dc(); }
  int scale(double v) const { return static_cast<int>(std::lround(v * kSupersample)); }
  std::vector<double> coverage() {
    std::vector<double> out(static_cast<std::size_t>(size_) * size_);
    const DWORD* bits = canvas_.pixels();
    const int stride = canvas_.width();
    for (int y = 0; y < size_; ++y) {
      for (int x = 0; x < size_; ++x) {
        double sum = 0;
        for (int sy = 0; sy < kSupersample; ++sy) {
          for (int sx = 0; sx < kSupersample; ++sx) {
            sum += bits[static_cast<std::size_t>(y * kSupersample + sy) * stride + x * kSupersample + sx] & 0xFF;
          }
        }
        out[static_cast<std::size_t>(y) * size_ + x] = sum / (255.0 * kSupersample * kSupersample);
      }
    }
    return out;
  }

 private:
  int size_;
  Canvas canvas_;
};

void whiteShapes(HDC dc) {
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  SelectObject(dc, GetStockObject(NULL_PEN));
}

}  // namespace

Image renderGlyph(Glyph glyph, int size, COLORREF tileColour, COLORREF symbolColour) {
  Image image;
  if (glyph == kGlyphNone || size <= 0 || size > 256) return image;
  image.width = image.height = size;
  image.pixels.assign(static_cast<std::size_t>(size) * size, 0);
  const double s = size / 24.0;  // drawn on a 24-unit grid

  MaskCanvas tile(size);
  {
    ScopedDcState state(tile.dc());
    whiteShapes(tile.dc());
    RoundRect(tile.dc(), tile.scale(1 * s), tile.scale(1 * s), tile.scale(23 * s) + 1, tile.scale(23 * s) + 1,
              tile.scale(10 * s), tile.scale(10 * s));
  }
  MaskCanvas symbol(size);
  {
    ScopedDcState state(symbol.dc());
    whiteShapes(symbol.dc());
    HDC dc = symbol.dc();
    if (glyph == kGlyphAdd) {
      Rectangle(dc, symbol.scale(10.75 * s), symbol.scale(6 * s), symbol.scale(13.25 * s), symbol.scale(18 * s));
      Rectangle(dc, symbol.scale(6 * s), symbol.scale(10.75 * s), symbol.scale(18 * s), symbol.scale(13.25 * s));
    } else {
      // A pencil lying from the lower left to the upper right, over a base line.
      const double points[][2] = {{7.2, 14.6}, {14.9, 6.9}, {17.1, 9.1}, {9.4, 16.8}};
      POINT body[4];
      for (int i = 0; i < 4; ++i) body[i] = {symbol.scale(points[i][0] * s), symbol.scale(points[i][1] * s)};
      Polygon(dc, body, 4);
      const POINT tip[3] = {{symbol.scale(6.6 * s), symbol.scale(15.2 * s)},
                            {symbol.scale(8.8 * s), symbol.scale(17.4 * s)},
                            {symbol.scale(5.6 * s), symbol.scale(18.4 * s)}};
      Polygon(dc, tip, 3);
      const POINT cap[4] = {{symbol.scale(15.6 * s), symbol.scale(6.2 * s)}, {symbol.scale(16.6 * s), symbol.scale(5.2 * s)},
                            {symbol.scale(18.8 * s), symbol.scale(7.4 * s)}, {symbol.scale(17.8 * s), symbol.scale(8.4 * s)}};
      Polygon(dc, cap, 4);
      Rectangle(dc, symbol.scale(11 * s), symbol.scale(17.2 * s), symbol.scale(18 * s), symbol.scale(18.6 * s));
    }
  }
  const std::vector<double> tileCover = tile.coverage();
  const std::vector<double> symbolCover = symbol.coverage();
  for (std::size_t i = 0; i < image.pixels.size(); ++i) {
    // The symbol over the tile: source-over of two premultiplied layers.
    const double ta = tileCover[i], sa = std::min(symbolCover[i], ta);
    const double r = GetRValue(tileColour) * ta * (1 - sa) + GetRValue(symbolColour) * sa;
    const double g = GetGValue(tileColour) * ta * (1 - sa) + GetGValue(symbolColour) * sa;
    const double b = GetBValue(tileColour) * ta * (1 - sa) + GetBValue(symbolColour) * sa;
    const double a = ta;
    auto channel = [](double v) { return static_cast<unsigned>(std::lround(std::clamp(v, 0.0, 255.0))); };
    const unsigned alpha = channel(a * 255);
    image.pixels[i] = pack(alpha, std::min(channel(r), alpha), std::min(channel(g), alpha), std::min(channel(b), alpha));
  }
  return image;
}

void drawImage(HDC dc, const Image& image, int x, int y, BYTE opacity) {
  if (image.empty() || opacity == 0) return;
  Canvas source(image.width, image.height);
  if (!source.valid()) return;
  std::memcpy(source.pixels(), image.pixels.data(), image.pixels.size() * sizeof(std::uint32_t));
  BLENDFUNCTION blend{AC_SRC_OVER, 0, opacity, AC_SRC_ALPHA};
  AlphaBlend(dc, x, y, image.width, image.height, source.dc(), 0, 0, image.width, image.height, blend);
}

}  // namespace corvalis::exui
