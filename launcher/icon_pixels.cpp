#include "launcher/icon_pixels.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

namespace corvalis {

namespace {

constexpr std::uint32_t alphaOf(std::uint32_t pixel) { return pixel >> 24; }

// The sizes icon images are made in: the image in the corner is one of them, and its own
// transparent margin may leave its opaque part a little smaller.
constexpr std::array<int, 7> kImageSides = {16, 24, 32, 48, 64, 96, 128};

// How much each source pixel along one axis gives to one target pixel.
struct Taps {
  int first = 0;
  std::vector<double> weights;
};

std::vector<Taps> axisTaps(int from, int to) {
  std::vector<Taps> taps(static_cast<std::size_t>(to));
  const double step = static_cast<double>(from) / to;
  for (int i = 0; i < to; ++i) {
    Taps& tap = taps[static_cast<std::size_t>(i)];
    if (step >= 1) {
      // Shrinking: every source pixel by the share of it the target pixel covers.
      const double begin = i * step;
      const double end = begin + step;
      tap.first = static_cast<int>(begin);
      for (int s = tap.first; s < from && s < end; ++s) {
        const double covered = std::min(end, s + 1.0) - std::max(begin, static_cast<double>(s));
        if (covered > 0) tap.weights.push_back(covered / step);
      }
      if (tap.weights.empty()) tap.weights.push_back(1);
    } else {
      // Growing: between the two source pixels whose centres are nearest; the edge
      // pixels hold their colour out to the border.
      const double centre = std::clamp((i + 0.5) * step - 0.5, 0.0, from - 1.0);
      tap.first = static_cast<int>(centre);
      const double toNext = centre - tap.first;
      tap.weights.push_back(1 - toNext);
      if (toNext > 0) tap.weights.push_back(toNext);
    }
  }
  return taps;
}

// Four planes of premultiplied channels (alpha, red, green, blue), 0..255, row by row.
struct Planes {
  int width = 0;
  int height = 0;
  std::array<std::vector<double>, 4> channel;

  Planes(int w, int h) : width(w), height(h) {
    for (auto& plane : channel) plane.assign(static_cast<std::size_t>(w) * h, 0.0);
  }
  std::size_t at(int x, int y) const { return static_cast<std::size_t>(y) * width + x; }
};

Planes premultiplied(const IconPixels& source) {
  Planes planes(source.width, source.height);
  for (std::size_t i = 0; i < source.bgra.size(); ++i) {
    const std::uint32_t pixel = source.bgra[i];
    const double alpha = alphaOf(pixel);
    planes.channel[0][i] = alpha;
    for (int c = 1; c < 4; ++c) planes.channel[c][i] = ((pixel >> (24 - 8 * c)) & 0xFF) * alpha / 255.0;
  }
  return planes;
}

Planes acrossRows(const Planes& source, int width) {
  Planes result(width, source.height);
  const std::vector<Taps> taps = axisTaps(source.width, width);
  for (int y = 0; y < source.height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Taps& tap = taps[static_cast<std::size_t>(x)];
      for (int c = 0; c < 4; ++c) {
        double sum = 0;
        for (std::size_t k = 0; k < tap.weights.size(); ++k)
          sum += tap.weights[k] * source.channel[c][source.at(tap.first + static_cast<int>(k), y)];
        result.channel[c][result.at(x, y)] = sum;
      }
    }
  }
  return result;
}

Planes downColumns(const Planes& source, int height) {
  Planes result(source.width, height);
  const std::vector<Taps> taps = axisTaps(source.height, height);
  for (int y = 0; y < height; ++y) {
    const Taps& tap = taps[static_cast<std::size_t>(y)];
    for (int x = 0; x < source.width; ++x) {
      for (int c = 0; c < 4; ++c) {
        double sum = 0;
        for (std::size_t k = 0; k < tap.weights.size(); ++k)
          sum += tap.weights[k] * source.channel[c][source.at(x, tap.first + static_cast<int>(k))];
        result.channel[c][result.at(x, y)] = sum;
      }
    }
  }
  return result;
}

std::uint32_t channelByte(double value) {
  return static_cast<std::uint32_t>(std::lround(std::clamp(value, 0.0, 255.0)));
}

IconPixels straight(const Planes& planes) {
  IconPixels result{planes.width, planes.height, std::vector<std::uint32_t>(planes.channel[0].size(), 0)};
  for (std::size_t i = 0; i < result.bgra.size(); ++i) {
    const double alpha = planes.channel[0][i];
    const std::uint32_t alphaByte = channelByte(alpha);
    if (alphaByte == 0) continue;  // wholly transparent: no colour worth keeping
    std::uint32_t pixel = alphaByte << 24;
    for (int c = 1; c < 4; ++c) pixel |= channelByte(planes.channel[c][i] * 255.0 / alpha) << (24 - 8 * c);
    result.bgra[i] = pixel;
  }
  return result;
}

IconPixels topLeftSquare(const IconPixels& tile, int side) {
  IconPixels square{side, side, std::vector<std::uint32_t>(static_cast<std::size_t>(side) * side)};
  for (int y = 0; y < side; ++y) {
    const auto row = tile.bgra.begin() + static_cast<std::ptrdiff_t>(y) * tile.width;
    std::copy(row, row + side, square.bgra.begin() + static_cast<std::ptrdiff_t>(y) * side);
  }
  return square;
}

bool whole(const IconPixels& pixels) {
  return pixels.width > 0 && pixels.height > 0 &&
         pixels.bgra.size() == static_cast<std::size_t>(pixels.width) * pixels.height;
}

}  // namespace

PixelBounds opaqueBounds(const IconPixels& pixels) {
  PixelBounds bounds{pixels.width, pixels.height, 0, 0};
  if (!whole(pixels)) return {};
  for (int y = 0; y < pixels.height; ++y) {
    for (int x = 0; x < pixels.width; ++x) {
      if (alphaOf(pixels.bgra[static_cast<std::size_t>(y) * pixels.width + x]) == 0) continue;
      bounds.left = std::min(bounds.left, x);
      bounds.top = std::min(bounds.top, y);
      bounds.right = std::max(bounds.right, x + 1);
      bounds.bottom = std::max(bounds.bottom, y + 1);
    }
  }
  return bounds.empty() ? PixelBounds{} : bounds;
}

int cornerImageSide(const PixelBounds& opaque, int tileWidth, int tileHeight) {
  if (opaque.empty() || opaque.left < 0 || opaque.top < 0) return 0;
  const int room = std::min(tileWidth, tileHeight) / 2;
  if (opaque.right > tileWidth / 2 || opaque.bottom > tileHeight / 2) return 0;
  const int reach = std::max(opaque.right, opaque.bottom);
  for (const int side : kImageSides)
    if (side >= reach) return std::min(side, room);
  return reach;
}

void takeAlphaFromMask(IconPixels& pixels, const std::vector<std::uint32_t>& mask) {
  if (mask.size() != pixels.bgra.size()) return;
  if (std::any_of(pixels.bgra.begin(), pixels.bgra.end(), [](std::uint32_t p) { return alphaOf(p) != 0; })) return;
  for (std::size_t i = 0; i < mask.size(); ++i)
    pixels.bgra[i] = (mask[i] & 0x00FFFFFFu) == 0 ? pixels.bgra[i] | 0xFF000000u : 0;
}

IconPixels scaledSmoothly(const IconPixels& source, int width, int height) {
  if (!whole(source) || width <= 0 || height <= 0) {
    return {std::max(width, 0), std::max(height, 0),
            std::vector<std::uint32_t>(static_cast<std::size_t>(std::max(width, 0)) * std::max(height, 0))};
  }
  if (width == source.width && height == source.height) return source;
  return straight(downColumns(acrossRows(premultiplied(source), width), height));
}

IconPixels fittedPixels(const IconPixels& tile, int side) {
  if (!whole(tile)) return scaledSmoothly(tile, side, side);
  const int corner = cornerImageSide(opaqueBounds(tile), tile.width, tile.height);
  return scaledSmoothly(corner > 0 ? topLeftSquare(tile, corner) : tile, side, side);
}

}  // namespace corvalis
