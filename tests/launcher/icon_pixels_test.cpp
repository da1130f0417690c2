// Icon pixels brought to a row's size without the shell: whether a jumbo tile is a small
// image in its corner, and the smooth scaling that follows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "launcher/icon_pixels.h"

namespace corvalis {
namespace {

constexpr std::uint32_t kBlue = 0xFF2040E0u;
constexpr std::uint32_t kWhite = 0xFFFFFFFFu;
constexpr std::uint32_t kBlack = 0xFF000000u;

IconPixels blank(int width, int height) {
  return {width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height, 0)};
}

void paint(IconPixels& pixels, int left, int top, int side, std::uint32_t colour) {
  for (int y = top; y < top + side; ++y)
    for (int x = left; x < left + side; ++x) pixels.bgra[static_cast<std::size_t>(y) * pixels.width + x] = colour;
}

IconPixels checkerboard(int side, std::uint32_t one, std::uint32_t other) {
  IconPixels pixels = blank(side, side);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) pixels.bgra[static_cast<std::size_t>(y) * side + x] = (x + y) % 2 ? other : one;
  return pixels;
}

std::uint32_t at(const IconPixels& pixels, int x, int y) {
  return pixels.bgra[static_cast<std::size_t>(y) * pixels.width + x];
}

int channel(std::uint32_t pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xFF); }

double opaqueShare(const IconPixels& pixels) {
  const auto opaque =
      std::count_if(pixels.bgra.begin(), pixels.bgra.end(), [](std::uint32_t p) { return p >> 24 != 0; });
  return static_cast<double>(opaque) / static_cast<double>(pixels.bgra.size());
}

// ----- The small image in the corner ------------------------------------------------------

TEST(IconPixels, TheOpaquePartsBoundsHoldEveryPixelWithAlpha) {
  IconPixels tile = blank(256, 256);
  EXPECT_TRUE(opaqueBounds(tile).empty()) << "nothing opaque";
  paint(tile, 3, 5, 20, kBlue);
  tile.bgra[100 * 256 + 7] = 0x01000000u;  // the faintest alpha counts
  const PixelBounds bounds = opaqueBounds(tile);
  EXPECT_EQ(bounds.left, 3);
  EXPECT_EQ(bounds.top, 5);
  EXPECT_EQ(bounds.right, 23);
  EXPECT_EQ(bounds.bottom, 101);
  EXPECT_TRUE(opaqueBounds(IconPixels{4, 4, {}}).empty()) << "pixels missing are not read";
}

TEST(IconPixels, A32PixelSquareInTheTopLeftCornerIsASmallImage) {
  IconPixels tile = blank(256, 256);
  paint(tile, 0, 0, 32, kBlue);
  EXPECT_EQ(cornerImageSide(opaqueBounds(tile), 256, 256), 32);

  IconPixels full = blank(256, 256);
  paint(full, 0, 0, 256, kBlue);
  EXPECT_EQ(cornerImageSide(opaqueBounds(full), 256, 256), 0) << "a full image is one image";
}

TEST(IconPixels, TheCornerSquareIsTheSmallImagesSizeMarginIncluded) {
  // A 48-px image whose own transparent margin is 4 pixels wide.
  IconPixels tile = blank(256, 256);
  paint(tile, 4, 4, 40, kBlue);
  EXPECT_EQ(cornerImageSide(opaqueBounds(tile), 256, 256), 48);
  EXPECT_EQ(cornerImageSide(PixelBounds{2, 2, 14, 15}, 256, 256), 16);
  EXPECT_EQ(cornerImageSide(PixelBounds{0, 0, 128, 100}, 256, 256), 128) << "the top-left quarter at most";
  EXPECT_EQ(cornerImageSide(PixelBounds{0, 0, 20, 20}, 48, 48), 24) << "never more than the quarter";
}

TEST(IconPixels, ALargeImageThatLeavesTheCornerIsNotASmallOne) {
  EXPECT_EQ(cornerImageSide(PixelBounds{112, 112, 144, 144}, 256, 256), 0) << "a small thing in the middle";
  EXPECT_EQ(cornerImageSide(PixelBounds{0, 0, 129, 40}, 256, 256), 0) << "wider than the quarter";
  EXPECT_EQ(cornerImageSide(PixelBounds{0, 0, 40, 129}, 256, 256), 0) << "taller than the quarter";
  EXPECT_EQ(cornerImageSide(PixelBounds{}, 256, 256), 0) << "nothing opaque: nothing to cut out";
}

TEST(IconPixels, TheSmallImageInTheCornerFillsTheCell) {
  IconPixels tile = blank(256, 256);
  paint(tile, 0, 0, 32, kBlue);
  for (const int side : {64, 80}) {
    const IconPixels fitted = fittedPixels(tile, side);
    ASSERT_EQ(fitted.width, side);
    ASSERT_EQ(fitted.bgra.size(), static_cast<std::size_t>(side) * side);
    EXPECT_GE(opaqueShare(fitted), 0.8) << side;
    EXPECT_EQ(at(fitted, side / 2, side / 2), kBlue) << side;
  }
  // Scaled down with the rest of the tile it would have been a speck.
  EXPECT_LT(opaqueShare(scaledSmoothly(tile, 64, 64)), 0.05);
}

TEST(IconPixels, AFullImageIsScaledWhole) {
  IconPixels tile = checkerboard(256, kBlack, kWhite);
  paint(tile, 0, 0, 16, kBlue);
  const IconPixels fitted = fittedPixels(tile, 64);
  EXPECT_EQ(opaqueShare(fitted), 1.0);
  EXPECT_EQ(at(fitted, 0, 0), kBlue) << "the corner is a quarter of its old size";
  EXPECT_NE(at(fitted, 4, 4), kBlue);
}

// ----- Smooth scaling ---------------------------------------------------------------------

TEST(IconPixels, TheSameSizeGivesTheSamePixels) {
  const IconPixels source = checkerboard(48, 0x80102030u, 0x00000000u);
  const IconPixels same = scaledSmoothly(source, 48, 48);
  EXPECT_EQ(same.bgra, source.bgra);
}

TEST(IconPixels, ShrinkingAveragesRatherThanDropsPixels) {
  // Any pixel dropping would leave pure black or pure white.
  for (const int side : {64, 80, 100}) {
    const IconPixels small = scaledSmoothly(checkerboard(256, kBlack, kWhite), side, side);
    ASSERT_EQ(small.bgra.size(), static_cast<std::size_t>(side) * side);
    for (const std::uint32_t p : small.bgra) {
      ASSERT_EQ(p >> 24, 0xFFu);
      ASSERT_NEAR(channel(p, 16), 128, 26) << side;
      ASSERT_EQ(channel(p, 16), channel(p, 0));
    }
  }
  // A 4:1 shrink is the mean of each 4 x 4 block.
  IconPixels stripes = blank(8, 8);
  paint(stripes, 0, 0, 8, kBlack);
  for (int y = 0; y < 8; ++y) stripes.bgra[static_cast<std::size_t>(y) * 8] = kWhite;
  const IconPixels two = scaledSmoothly(stripes, 2, 2);
  EXPECT_EQ(at(two, 0, 0), 0xFF404040u);
  EXPECT_EQ(at(two, 1, 1), kBlack);
}

TEST(IconPixels, GrowingBlendsBetweenPixelsRatherThanRepeatsThem) {
  IconPixels source = blank(2, 1);
  source.bgra = {kBlack, kWhite};
  const IconPixels wide = scaledSmoothly(source, 8, 1);
  EXPECT_EQ(wide.bgra.front(), kBlack) << "edges hold their colour";
  EXPECT_EQ(wide.bgra.back(), kWhite);
  int between = 0;
  for (int x = 1; x < 8; ++x) {
    EXPECT_GE(channel(wide.bgra[x], 8), channel(wide.bgra[x - 1], 8)) << "a ramp, never back";
    if (channel(wide.bgra[x], 8) != 0 && channel(wide.bgra[x], 8) != 255) ++between;
  }
  EXPECT_GE(between, 3) << "repeated pixels would give only black and white";
}

TEST(IconPixels, ATransparentPixelsColourDoesNotBleed) {
  // Opaque blue beside transparent pixels whose colour bytes are red.
  IconPixels source = checkerboard(64, kBlue, 0x00FF0000u);
  for (const int side : {32, 16, 100}) {
    const IconPixels scaled = scaledSmoothly(source, side, side);
    for (const std::uint32_t p : scaled.bgra) {
      if (side < 64) {
        ASSERT_NEAR(channel(p, 24), 128, 1) << "half covered, at " << side;
      }
      if (p >> 24 == 0) continue;
      ASSERT_NEAR(channel(p, 16), 0x20, 1) << "red from a transparent pixel, at " << side;
      ASSERT_NEAR(channel(p, 0), 0xE0, 1) << side;
    }
  }
  EXPECT_EQ(scaledSmoothly(blank(256, 256), 64, 64).bgra, blank(64, 64).bgra) << "nothing stays nothing";
}

TEST(IconPixels, ShrinkingKeepsTheAmountOfCover) {
  IconPixels tile = blank(256, 256);
  paint(tile, 10, 30, 100, kBlue);
  const IconPixels small = scaledSmoothly(tile, 80, 80);
  double alpha = 0;
  for (const std::uint32_t p : small.bgra) alpha += p >> 24;
  const double expected = 255.0 * 100 * 100 * (80.0 / 256) * (80.0 / 256);
  EXPECT_NEAR(alpha, expected, expected * 0.01);
}

TEST(IconPixels, TheMaskGivesAlphaOnlyToAnIconWithNone) {
  IconPixels old{2, 1, {0x00123456u, 0x00654321u}};
  takeAlphaFromMask(old, {0x00000000u, 0x00FFFFFFu});
  EXPECT_EQ(old.bgra, (std::vector<std::uint32_t>{0xFF123456u, 0u})) << "black in the mask: opaque";

  IconPixels modern{2, 1, {0x80123456u, 0x00654321u}};
  takeAlphaFromMask(modern, {0x00FFFFFFu, 0x00000000u});
  EXPECT_EQ(modern.bgra, (std::vector<std::uint32_t>{0x80123456u, 0x00654321u})) << "its own alpha rules";

  IconPixels other{2, 1, {0x00123456u, 0x00654321u}};
  takeAlphaFromMask(other, {0u});
  EXPECT_EQ(other.bgra, (std::vector<std::uint32_t>{0x00123456u, 0x00654321u})) << "a mask of another size";
}

}  // namespace
}  // namespace corvalis
