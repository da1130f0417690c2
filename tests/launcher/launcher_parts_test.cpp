// The launcher's parts that need no user: the icon image, names from paths, the show
// modes, the dialog's filter, the bar's layout and the shortcut file's place and steps.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "store/hash_table.h"
#include "app/current_directory.h"
#include "app/file_io.h"
#include "base/win_handles.h"
#include "base/wide_text.h"
#include "launcher/edit_history.h"
#include "launcher/file_dialog.h"
#include "launcher/icon_image.h"
#include "launcher/bar_layout.h"
#include "base/dpi.h"
#include "launcher/shell_launch.h"
#include "launcher/shortcut_name.h"
#include "launcher/shortcut_file.h"
#include "launcher/shortcuts.h"
#include "tests/app/thread_windows.h"

namespace corvalis {
namespace {

using namespace std::string_literals;

// ----- Icon image ------------------------------------------------------------------------

// The head of the in-memory icon file, byte by byte: ICONDIR, one ICONDIRENTRY (32x32,
// 32 bits, 4264 bytes at offset 22) and a BITMAPINFOHEADER whose height counts colour
// and mask.
const unsigned char kExpectedHead[62] = {
    0x00, 0x00, 0x01, 0x00, 0x01, 0x00,                          // reserved, icon, one image
    0x20, 0x20, 0x00, 0x00, 0x01, 0x00, 0x20, 0x00,              // 32x32, no palette, 1 plane, 32 bpp
    0xA8, 0x10, 0x00, 0x00, 0x16, 0x00, 0x00, 0x00,              // 4264 bytes at 22
    0x28, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00,  // 40, 32, 64
    0x01, 0x00, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // planes, bpp, BI_RGB, size 0
    0xC4, 0x0E, 0x00, 0x00, 0xC4, 0x0E, 0x00, 0x00,              // 3780 pixels per metre
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};             // colours used, important

std::string expectedHead() { return std::string(reinterpret_cast<const char*>(kExpectedHead), 62); }

TEST(IconImage, HeadPixelsAndMaskAreLaidOutInOrder) {
  std::string pixels(4096, '\0');
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<char>(i * 7 + 3);
  const ByteString image = iconImageFromPixels(pixels);
  ASSERT_EQ(image.size(), 4286u);
  EXPECT_EQ(image.substr(0, 62), expectedHead());
  EXPECT_EQ(image.substr(62, 4096), pixels);
  EXPECT_EQ(image.substr(62 + 4096), std::string(128, '\0')) << "the mask marks every pixel opaque";
  // Short input is padded, long input cut: the file never changes its size.
  EXPECT_EQ(iconImageFromPixels("\x01\x02").substr(62, 3), "\x01\x02\0"s);
  EXPECT_EQ(iconImageFromPixels(std::string(5000, '\x05')).size(), 4286u);
}

TEST(IconImage, AMissingFileGetsABlankImage) {
  // The shell finds no icon; nothing stray is drawn (or destroyed).
  const ByteString image = iconImage("C:\\no such folder\\\xC8\xB1\xCA\xA7.exe");
  ASSERT_EQ(image.size(), 4286u);
  EXPECT_EQ(image.substr(0, 62), expectedHead());
  EXPECT_EQ(image.substr(62), std::string(4096 + 128, '\0'));
}

TEST(IconImage, AProgramsIconIsAnIconFileWindowsReads) {
  char self[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
  ByteString image = iconImage(self);
  ASSERT_EQ(image.size(), 4286u);
  EXPECT_EQ(image.substr(0, 62), expectedHead());
  const std::string pixels = image.substr(62, 4096);
  EXPECT_NE(pixels, std::string(4096, '\0')) << "the shell's icon was not drawn";

  // Windows itself takes the bytes for a 32x32 icon and gives the same pixels back.
  auto* bytes = reinterpret_cast<PBYTE>(image.data());
  const int offset = LookupIconIdFromDirectoryEx(bytes, TRUE, 32, 32, LR_DEFAULTCOLOR);
  ASSERT_EQ(offset, 22);
  HICON icon = CreateIconFromResourceEx(bytes + offset, 4264, TRUE, 0x00030000, 32, 32, LR_DEFAULTCOLOR);
  ASSERT_NE(icon, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = 32;
  format.bmiHeader.biHeight = 32;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  std::string back(4096, '\0');
  HDC screen = GetDC(nullptr);
  const int lines = GetDIBits(screen, info.hbmColor, 0, 32, back.data(), &format, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(icon);
  EXPECT_EQ(lines, 32);
  EXPECT_EQ(back, pixels);
}

TEST(IconImage, AtOtherDpisTheSameLayoutAtTheShownSize) {
  // 48 pixels at 144 DPI: 48 x 48 x 4 colour bytes and 48 mask rows of 8 bytes.
  EXPECT_EQ(iconImageSizeFor(48), 62u + 9216u + 384u);
  EXPECT_EQ(iconImageSizeFor(32), 4286u);
  EXPECT_EQ(iconImageHeadFor(32), iconImageHead()) << "the 96-DPI image is unchanged";
  const auto head = iconImageHeadFor(48);
  EXPECT_EQ(head[6], 48);
  EXPECT_EQ(head[7], 48);
  EXPECT_EQ(head[14] | head[15] << 8, 40 + 9216 + 384);
  EXPECT_EQ(head[26], 48);
  EXPECT_EQ(head[30], 96) << "colour and mask halves";
  EXPECT_EQ(iconImageHeadFor(256)[6], 0) << "256 is written as 0";

  char self[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
  ByteString image = iconImage(self, 48);
  ASSERT_EQ(image.size(), iconImageSizeFor(48));
  EXPECT_NE(image.substr(62, 9216), std::string(9216, '\0')) << "the shell's icon was not drawn";
  // Windows reads the bytes as a 48x48 icon.
  auto* bytes = reinterpret_cast<PBYTE>(image.data());
  ASSERT_EQ(LookupIconIdFromDirectoryEx(bytes, TRUE, 48, 48, LR_DEFAULTCOLOR), 22);
  HICON icon = CreateIconFromResourceEx(bytes + 22, 40 + 9216 + 384, TRUE, 0x00030000, 48, 48, LR_DEFAULTCOLOR);
  ASSERT_NE(icon, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  BITMAP colour{};
  GetObjectW(info.hbmColor, sizeof colour, &colour);
  EXPECT_EQ(colour.bmWidth, 48);
  EXPECT_EQ(colour.bmHeight, 48);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(icon);

  const ByteString missing = iconImage("C:\\no such folder\\x.exe", 48);
  EXPECT_EQ(missing.substr(62), std::string(9216 + 384, '\0')) << "a missing file's image is blank";
  EXPECT_EQ(iconImage(self, 5000).size(), 4286u) << "a nonsense size counts as 32";
}

// A copy of this test program whose icon is made of `images` (side, 0xRRGGBB colour, and
// a second colour that alternates with it pixel by pixel), each a 32-bit BMP entry.
// Programs are the files the shell takes the icon from the file itself for. It lives in
// the temp folder and is removed when the object ends.
class ProgramWithIcon {
 public:
  struct Image {
    int side;
    std::uint32_t colour;
    std::uint32_t other;
  };

  ProgramWithIcon(const char* name, const std::vector<Image>& images) {
    char temp[MAX_PATH] = {};
    char self[MAX_PATH] = {};
    if (GetTempPathA(MAX_PATH, temp) == 0 || GetModuleFileNameA(nullptr, self, MAX_PATH) == 0) return;
    path_ = std::string(temp) + "corvalis-" + std::to_string(GetCurrentProcessId()) + "-" + name + ".exe";
    if (!CopyFileA(self, path_.c_str(), FALSE)) return;
    HANDLE update = BeginUpdateResourceA(path_.c_str(), FALSE);
    if (update == nullptr) return;
    std::string group = bytes(0, 2) + bytes(1, 2) + bytes(images.size(), 2);
    bool written = true;
    for (std::size_t i = 0; i < images.size(); ++i) {
      std::string image = bmpImage(images[i]);
      const auto id = static_cast<WORD>(i + 1);
      written = written && UpdateResourceA(update, MAKEINTRESOURCEA(3), MAKEINTRESOURCEA(id), 0, image.data(),
                                           static_cast<DWORD>(image.size()));
      const int side = images[i].side;
      group += bytes(side >= 256 ? 0 : side, 1) + bytes(side >= 256 ? 0 : side, 1) + bytes(0, 2) + bytes(1, 2) +
               bytes(32, 2) + bytes(image.size(), 4) + bytes(id, 2);
    }
    written = written && UpdateResourceA(update, MAKEINTRESOURCEA(14), MAKEINTRESOURCEA(1), 0, group.data(),
                                         static_cast<DWORD>(group.size()));
    made_ = EndUpdateResourceA(update, !written) && written;
  }
  ~ProgramWithIcon() {
    if (!path_.empty()) DeleteFileA(path_.c_str());
  }
  ProgramWithIcon(const ProgramWithIcon&) = delete;
  ProgramWithIcon& operator=(const ProgramWithIcon&) = delete;

  bool made() const { return made_; }
  const std::string& path() const { return path_; }

 private:
  static std::string bytes(std::size_t value, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
  }
  static std::string bmpImage(const Image& image) {
    const auto side = static_cast<std::size_t>(image.side);
    std::string bmp = bytes(40, 4) + bytes(side, 4) + bytes(2 * side, 4) + bytes(1, 2) + bytes(32, 2) +
                      std::string(24, '\0');
    for (std::size_t y = 0; y < side; ++y)
      for (std::size_t x = 0; x < side; ++x) bmp += bytes(0xFF000000u | ((x + y) % 2 ? image.other : image.colour), 4);
    return bmp + std::string((side + 31) / 32 * 4 * side, '\0');  // the mask: every pixel drawn
  }

  std::string path_;
  bool made_ = false;
};

// The pixels of an image iconImage made, as 0xRRGGBB (the alpha byte left out).
std::vector<std::uint32_t> colours(const ByteString& image, int side) {
  std::vector<std::uint32_t> out(static_cast<std::size_t>(side) * side);
  if (image.size() < 62 + out.size() * 4) return {};
  std::memcpy(out.data(), image.data() + 62, out.size() * 4);
  for (auto& pixel : out) pixel &= 0xFFFFFFu;
  return out;
}

// The share of the cell the icon covers: it is drawn on black, and the test icons have
// no black in them.
double filled(const std::vector<std::uint32_t>& pixels) {
  const auto drawn = std::count_if(pixels.begin(), pixels.end(), [](std::uint32_t p) { return p != 0; });
  return pixels.empty() ? 0.0 : static_cast<double>(drawn) / static_cast<double>(pixels.size());
}

int channelOf(std::uint32_t pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xFF); }

// The colours of an image of `side`, once it is checked that the icon covers at least
// 80 % of the cell; the share goes into the test report, in per mille.
std::vector<std::uint32_t> cellPixels(const ByteString& image, int side, const std::string& label) {
  const std::vector<std::uint32_t> pixels = colours(image, side);
  const double share = filled(pixels);
  ::testing::Test::RecordProperty("filled_per_mille_" + label, static_cast<int>(share * 1000));
  EXPECT_GE(share, 0.8) << label << ": only " << share * 100 << " % of the cell";
  return pixels;
}

TEST(IconImage, AnIconWithNothingAbove32PixelsFillsALargeCell) {
  // On Windows the jumbo list holds such an icon as its 32-px image in a tile's corner;
  // Wine's scales it up to the tile itself. Either way it fills the cell.
  const ProgramWithIcon program("small", {{16, 0xE02020, 0xE02020}, {32, 0x2040E0, 0x2040E0}});
  ASSERT_TRUE(program.made());
  for (const int side : {64, 80}) {
    const std::vector<std::uint32_t> pixels = cellPixels(iconImage(program.path(), side), side, std::to_string(side));
    ASSERT_FALSE(pixels.empty());
    const std::uint32_t middle = pixels[static_cast<std::size_t>(side / 2) * side + side / 2];
    EXPECT_GT(channelOf(middle, 0), channelOf(middle, 16)) << "the 32-px image (blue), not the 16 (red)";
  }
  EXPECT_EQ(iconImage(program.path()).size(), 4286u);
}

TEST(IconImage, ARealLargeImageIsShrunkSmoothly) {
  // Blue and orange alternate pixel by pixel: dropping pixels would leave one of them,
  // averaging gives their mean everywhere.
  const ProgramWithIcon program("large", {{256, 0x2040E0, 0xE08020}});
  ASSERT_TRUE(program.made());
  for (const int side : {64, 80}) {
    const std::vector<std::uint32_t> pixels = cellPixels(iconImage(program.path(), side), side, std::to_string(side));
    ASSERT_FALSE(pixels.empty());
    const auto mixed = std::count_if(pixels.begin(), pixels.end(), [](std::uint32_t p) {
      return std::abs(channelOf(p, 16) - 0x80) <= 24 && std::abs(channelOf(p, 8) - 0x60) <= 24 &&
             std::abs(channelOf(p, 0) - 0x80) <= 24;
    });
    EXPECT_GE(mixed, static_cast<std::ptrdiff_t>(pixels.size() * 9 / 10)) << "at " << side;
  }
}

// A 256-px tile as Windows' jumbo list gives an icon with nothing above 32 px: that
// image, blue, in the top-left corner, the rest transparent. With `alpha` false it is an
// old icon whose transparency is all in its mask.
UniqueIcon cornerTile(bool alpha) {
  constexpr int kTile = 256;
  std::vector<std::uint32_t> pixels(kTile * kTile, 0);
  std::vector<unsigned char> mask(kTile / 8 * kTile, 0xFF);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      pixels[y * kTile + x] = alpha ? 0xFF2040E0u : 0x002040E0u;
      mask[y * kTile / 8 + x / 8] &= static_cast<unsigned char>(~(0x80 >> (x % 8)));
    }
  }
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = kTile;
  format.bmiHeader.biHeight = -kTile;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  UniqueBitmap colour(CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!colour || bits == nullptr) return UniqueIcon();
  std::memcpy(bits, pixels.data(), pixels.size() * 4);
  UniqueBitmap maskBitmap(CreateBitmap(kTile, kTile, 1, 1, mask.data()));
  ICONINFO parts{TRUE, 0, 0, maskBitmap.get(), colour.get()};
  return UniqueIcon(CreateIconIndirect(&parts));
}

TEST(IconImage, ASmallImageInAJumboTilesCornerFillsTheCell) {
  // Under Wine the jumbo list scales such an icon itself, so the tile is made here.
  for (const bool alpha : {true, false}) {
    const UniqueIcon tile = cornerTile(alpha);
    ASSERT_TRUE(tile);
    for (const int side : {64, 80}) {
      const std::string label = std::to_string(side) + (alpha ? "" : "_mask");
      const std::vector<std::uint32_t> pixels = cellPixels(iconImageOfIcon(tile.get(), side), side, label);
      ASSERT_FALSE(pixels.empty());
      EXPECT_EQ(pixels[static_cast<std::size_t>(side / 2) * side + side / 2], 0x2040E0u) << side;
    }
  }
  EXPECT_EQ(colours(iconImageOfIcon(nullptr, 64), 64), std::vector<std::uint32_t>(64 * 64, 0)) << "no icon: blank";
}

// ----- Names, show modes, the dialog's filter ---------------------------------------------

TEST(NameFromPath, TheFileNameWithoutItsLastExtension) {
  EXPECT_EQ(nameFromPath("C:\\Games\\Chess.exe"), "Chess");
  EXPECT_EQ(nameFromPath("D:\\backup\\archive.tar.gz"), "archive.tar");
  EXPECT_EQ(nameFromPath("C:\\tools\\make"), "make");
  EXPECT_EQ(nameFromPath("C:\\dot.folder\\readme"), "readme") << "a dot in a folder is no extension";
  EXPECT_EQ(nameFromPath("C:\\home\\.profile"), "") << "a leading only dot: the whole name is the extension";
  EXPECT_EQ(nameFromPath("C:\\some folder\\"), "");
  EXPECT_EQ(nameFromPath("notes.txt"), "notes");
  EXPECT_EQ(nameFromPath(""), "");
  // 中文目录\记事本.exe
  EXPECT_EQ(nameFromPath("C:\\\xD6\xD0\xCE\xC4\xC4\xBF\xC2\xBC\\\xBC\xC7\xCA\xC2\xB1\xBE.exe"),
            "\xBC\xC7\xCA\xC2\xB1\xBE");
}

TEST(NameFromPath, ABackslashThatIsASecondByteSplitsNothing) {
  if (GetACP() != 936) GTEST_SKIP() << "the shell's path functions walk the ANSI code page, here " << GetACP();
  // \x81\x5C is one character whose second byte is the backslash.
  EXPECT_EQ(nameFromPath("C:\\a\\\x81\x5C.exe"), "\x81\x5C");
  EXPECT_EQ(nameFromPath("C:\\a\\b\x81\x5C"), "b\x81\x5C") << "the name ends in a character, not a separator";
}

TEST(ShowModes, MapToShowWindowCommands) {
  EXPECT_EQ(showCommandFor(0), SW_SHOWNORMAL);
  EXPECT_EQ(showCommandFor(1), SW_HIDE);
  EXPECT_EQ(showCommandFor(2), SW_SHOWMINNOACTIVE);
  EXPECT_EQ(showCommandFor(3), SW_SHOWMAXIMIZED);
  EXPECT_EQ(showCommandFor(4), SW_SHOWNORMAL);
  EXPECT_EQ(showCommandFor(-1), SW_SHOWNORMAL);
}

TEST(LaunchFile, AMissingFileIsReported) {
  EXPECT_FALSE(launchFile("C:\\no such folder\\\xC8\xB1\xCA\xA7.exe", "", 0));
}

TEST(DialogFilter, PartsEndInOneZeroAndTheLastInTwo) {
  EXPECT_EQ(dialogFilter(kDefaultOpenFilter), "\xCB\xF9\xD3\xD0\xCE\xC4\xBC\xFE(*.*)\0*.*\0\0"s);
  EXPECT_EQ(dialogFilter("Programs|*.exe;*.lnk|All|*.*"), "Programs\0*.exe;*.lnk\0All\0*.*\0\0"s);
  // \x81\x7C is one character whose second byte is "|".
  EXPECT_EQ(dialogFilter("\x81\x7C|*.x"), "\x81\x7C\0*.x\0\0"s);
  EXPECT_EQ(dialogFilter(""), "\0\0"s);
}

// ----- Layout ---------------------------------------------------------------------------

TEST(BarLayout, ThirtyPixelsARowLessTwelveCentredOnTheScreen) {
  EXPECT_EQ(barLayout(2, 1080, 40).height, 48);
  EXPECT_EQ(barLayout(2, 1080, 40).top, 1080 / 2 - 24);
  EXPECT_EQ(barLayout(5, 1080, 40).height, 138) << "three shortcuts";
  EXPECT_EQ(barLayout(5, 1080, 40).top, 471);
  EXPECT_EQ(barLayout(3, 1081, 0).top, 501) << "540.5 - 39, truncated";
}

TEST(BarLayout, EveryRowHeightScalesWithTheDpi) {
  // 144 DPI, three shortcuts: fixed rows of 36, shortcut rows of 45.
  EXPECT_EQ(barLayout(5, 1080, 40, 144).height, 2 * 36 + 3 * 45);
  EXPECT_EQ(barLayout(5, 1080, 40, 144).height, 207);
  EXPECT_EQ(barLayout(2, 1080, 40, 144).height, 72);
  EXPECT_EQ(barLayout(5, 1080, 40, 120).height, 2 * 30 + 3 * 38) << "125 %: 24 -> 30, 30 -> 37.5 -> 38";
  EXPECT_EQ(barLayout(5, 1080, 40, 192).height, 2 * 48 + 3 * 60);
  for (int rows = 2; rows < 40; ++rows) EXPECT_EQ(barLayout(rows, 4000, 0, 96).height, rows * 30 - 12);
  EXPECT_EQ(barLayout(40, 800, 30, 144).height, 740) << "the cap does not scale";
}

TEST(DpiScale, RoundsAsMulDivDoes) {
  for (int dpi : {96, 120, 144, 168, 192, 288}) {
    for (int value : {-7, 0, 1, 3, 12, 24, 30, 104, 195, 363}) {
      SCOPED_TRACE(std::to_string(value) + " at " + std::to_string(dpi));
      EXPECT_EQ(scaleForDpi(value, dpi), MulDiv(value, dpi, 96));
    }
  }
  EXPECT_EQ(scaleForDpi(104, 144), 156);
  EXPECT_EQ(scaleForDpi(3, 144), 5) << "4.5 rounds up";
  EXPECT_EQ(scaleForDpi(30, 0), 30) << "no DPI counts as 96";
}

TEST(BarLayout, NoTallerThanTheScreenLessTwoTaskbars) {
  const BarLayout capped = barLayout(40, 800, 30);
  EXPECT_EQ(capped.height, 740);
  EXPECT_EQ(capped.top, 30);
  EXPECT_EQ(barLayout(26, 800, 30).height, 740) << "768 would not fit";
  EXPECT_EQ(barLayout(25, 800, 30).height, 738);
  EXPECT_EQ(barLayout(2, 100, 80).height, 0) << "a taskbar figure larger than the screen";
}

// ----- The shortcut file ------------------------------------------------------------------

TEST(ShortcutFilePath, TheDocumentsFolderAndTheFileName) {
  EXPECT_EQ(shortcutFilePathIn("C:\\Users\\me\\Documents"), "C:\\Users\\me\\Documents\\Corvalis.HashTable");
  EXPECT_EQ(shortcutFilePathIn("D:\\"), "D:\\Corvalis.HashTable") << "no second backslash";
  EXPECT_EQ(shortcutFilePathIn(""), "Corvalis.HashTable");
  // A folder ending in a character whose second byte is a backslash still needs one.
  EXPECT_EQ(shortcutFilePathIn("D:\\\x81\x5C"), "D:\\\x81\x5C\\Corvalis.HashTable");
}

// A fresh folder with a Chinese name for files, removed afterwards.
class ShortcutFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    folder_ = std::wstring(temp) + L"corvalis-快捷-" + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    file_ = fromWideText(folder_) + "\\Corvalis.HashTable";
  }
  void TearDown() override {
    DeleteFileW(toWideText(file_).c_str());
    RemoveDirectoryW(toWideText(file_).c_str());
    for (int n = 1; n <= 4; ++n) DeleteFileW(toWideText(damagedCopyPath(file_, n)).c_str());
    RemoveDirectoryW(folder_.c_str());
  }
  std::wstring folder_;
  std::string file_;
};

// Closes the file handle it is given a moment later.
DWORD WINAPI letGoSoon(void* held) {
  Sleep(300);
  static_cast<UniqueFileHandle*>(held)->reset();
  return 0;
}

TEST_F(ShortcutFileTest, ReadAsAbsentLoadedDamagedOrNotReadYet) {
  HashTable table;
  ASSERT_TRUE(initializeShortcutTable(table));
  EXPECT_EQ(readShortcutFile(table, file_, 0).state, ShortcutFileState::absent);
  ASSERT_TRUE(CreateDirectoryW(toWideText(file_).c_str(), nullptr));
  EXPECT_EQ(readShortcutFile(table, file_, 0).state, ShortcutFileState::absent) << "a folder of that name";
  ASSERT_TRUE(RemoveDirectoryW(toWideText(file_).c_str()));

  HashTable stored;
  ASSERT_TRUE(initializeShortcutTable(stored));
  stored.set("\xBC\xD7", "C:\\a.exe");  // 甲
  stored.set("b", "C:\\b.exe");
  stored.set("c", "C:\\c.exe");
  ASSERT_TRUE(saveShortcutFile(stored, file_));
  const std::string image = readWholeFile(file_);
  EXPECT_EQ(readShortcutFile(table, file_, 0).state, ShortcutFileState::loaded);
  EXPECT_EQ(table.serialize().size(), image.size());

  // Another program holds the file with no sharing (a sync client at logon): not
  // damaged, only not read yet, and the table keeps what it had; with patience, read
  // as soon as it is let go.
  {
    UniqueFileHandle holder(
        CreateFileW(toWideText(file_).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    HashTable waiting;
    ASSERT_TRUE(initializeShortcutTable(waiting));
    waiting.set("new", "C:\\new.exe");
    EXPECT_EQ(readShortcutFile(waiting, file_, 0).state, ShortcutFileState::notReadYet);
    EXPECT_EQ(waiting.count(), 1u);
    const UniqueKernelHandle release(CreateThread(nullptr, 0, letGoSoon, &holder, 0, nullptr));
    EXPECT_EQ(readShortcutFile(waiting, file_, 3000).state, ShortcutFileState::loaded);
    EXPECT_EQ(waiting.count(), 3u);
    WaitForSingleObject(release.get(), INFINITE);
  }

  // Cut inside its third record: the two before the cut come back.
  ASSERT_TRUE(writeWholeFile(file_, {image.substr(0, image.size() - 5)}));
  const ShortcutFileRead damaged = readShortcutFile(table, file_, 0);
  EXPECT_EQ(damaged.state, ShortcutFileState::damaged);
  EXPECT_EQ(damaged.salvaged, 2u);
  EXPECT_EQ(table.count(), 2u);
  // 4 KiB of zeros, and an image of another kind of table: nothing, and no crash.
  ASSERT_TRUE(writeWholeFile(file_, {std::string(4096, '\0')}));
  EXPECT_EQ(readShortcutFile(table, file_, 0).state, ShortcutFileState::damaged);
  EXPECT_EQ(table.count(), 0u);
  HashTable numbers;
  ASSERT_TRUE(numbers.initialize(KeyKind::Int32, ValueKind::Int32));
  ASSERT_TRUE(saveShortcutFile(numbers, file_));
  EXPECT_EQ(readShortcutFile(table, file_, 0).state, ShortcutFileState::damaged);
  EXPECT_FALSE(loadShortcutFile(table, file_)) << "not a table of shortcuts";
  EXPECT_TRUE(holdsShortcuts(table));
}

TEST_F(ShortcutFileTest, SavedBytesAreTheTablesImageAndReadBack) {
  HashTable table;
  ASSERT_TRUE(initializeShortcutTable(table));
  table.set("a", "C:\\a.exe");
  ASSERT_TRUE(saveShortcutFile(table, file_));
  const std::string expected =
      "\x3F\0\0\0\x0A\0\0\0\x0A\0\0\0\x10\0\0\0\0\0\x40\x3F\x01\0\0\0\0\0\0\0\x01\0\0\0"
      "\0\0\0\0\0\0\0\0\x01\0\0\0\x02\0\0\0a\0\x09\0\0\0C:\\a.exe\0"s;
  EXPECT_EQ(readWholeFile(file_), expected);

  // 记事本 -> a Chinese path, after the first entry.
  table.set("\xBC\xC7\xCA\xC2\xB1\xBE", "C:\\\xD6\xD0\xCE\xC4\\n.exe");
  ASSERT_TRUE(saveShortcutFile(table, file_));
  HashTable loaded;
  ASSERT_TRUE(initializeShortcutTable(loaded));
  ASSERT_TRUE(loadShortcutFile(loaded, file_));
  ProcessHeapText key, value;
  ASSERT_TRUE(loaded.getAt(2, &key, &value));
  EXPECT_STREQ(key.c_str(), "\xBC\xC7\xCA\xC2\xB1\xBE");
  EXPECT_STREQ(value.c_str(), "C:\\\xD6\xD0\xCE\xC4\\n.exe");
  EXPECT_EQ(loaded.count(), 2u);
}

TEST_F(ShortcutFileTest, ARefusedFileLeavesTheTableAndAFailedImageLeavesTheFile) {
  HashTable table;
  ASSERT_TRUE(initializeShortcutTable(table));
  table.set("keep", "C:\\keep.exe");
  ASSERT_TRUE(saveShortcutFile(table, file_));
  const std::string saved = readWholeFile(file_);
  ASSERT_TRUE(writeWholeFile(file_, {saved.substr(0, 50)}));  // cut inside the record
  table.set("more", "C:\\more.exe");
  EXPECT_FALSE(loadShortcutFile(table, file_));
  EXPECT_EQ(table.count(), 2u) << "the table kept what it had";

  ASSERT_TRUE(writeWholeFile(file_, {saved}));
  HashTable unusable;  // never set up: no image can be made of it
  EXPECT_FALSE(saveShortcutFile(unusable, file_));
  EXPECT_EQ(readWholeFile(file_), saved) << "the file was touched";
  EXPECT_FALSE(loadShortcutFile(table, file_ + ".missing"));
}

TEST(DamagedCopyPath, NumberedFromTheSecond) {
  EXPECT_EQ(damagedCopyPath("C:\\d\\Corvalis.HashTable", 1), "C:\\d\\Corvalis.HashTable.damaged");
  EXPECT_EQ(damagedCopyPath("C:\\d\\Corvalis.HashTable", 2), "C:\\d\\Corvalis.HashTable.damaged-2");
  EXPECT_EQ(damagedCopyPath("Corvalis.HashTable", 13), "Corvalis.HashTable.damaged-13");
}

TEST_F(ShortcutFileTest, ADamagedFileIsKeptUnderTheFirstFreeName) {
  const std::string damaged = "\x3F\0\0\0 cut short"s;
  ASSERT_TRUE(writeWholeFile(file_, {damaged}));
  ASSERT_TRUE(writeWholeFile(damagedCopyPath(file_, 1), {"an older copy"}));
  ASSERT_TRUE(keepDamagedCopy(file_));
  EXPECT_EQ(readWholeFile(damagedCopyPath(file_, 1)), "an older copy") << "an older copy was overwritten";
  EXPECT_EQ(readWholeFile(damagedCopyPath(file_, 2)), damaged);
  EXPECT_EQ(readWholeFile(file_), damaged) << "the original is left in place";
  Text copy;
  ASSERT_TRUE(keepDamagedCopy(file_, &copy));
  EXPECT_EQ(copy, damagedCopyPath(file_, 2)) << "the same bytes are kept once";
  EXPECT_EQ(GetFileAttributesW(toWideText(damagedCopyPath(file_, 3)).c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_TRUE(writeWholeFile(file_, {damaged + "more"}));
  ASSERT_TRUE(keepDamagedCopy(file_, &copy));
  EXPECT_EQ(copy, damagedCopyPath(file_, 3));
  EXPECT_EQ(readWholeFile(damagedCopyPath(file_, 3)), damaged + "more");

  // Nothing left to keep holds nothing up; a file that cannot be copied does.
  ASSERT_TRUE(DeleteFileW(toWideText(file_).c_str()));
  EXPECT_TRUE(keepDamagedCopy(file_));
  ASSERT_TRUE(writeWholeFile(file_, {damaged}));
  {
    const UniqueFileHandle holder(CreateFileW(toWideText(file_).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                              0, nullptr));
    ASSERT_TRUE(holder);
    EXPECT_FALSE(keepDamagedCopy(file_)) << "a file nobody may read cannot be kept";
  }
}

TEST(CopyShortcutTable, TheCopyHoldsTheSameEntriesInOrder) {
  HashTable from, to;
  ASSERT_TRUE(initializeShortcutTable(from));
  ASSERT_TRUE(initializeShortcutTable(to));
  from.set("\xBC\xD7", "C:\\a.exe");  // 甲
  from.set("\xD2\xD2", "C:\\b.exe");  // 乙
  to.set("old", "C:\\old.exe");
  ASSERT_TRUE(copyShortcutTable(from, to));
  EXPECT_EQ(to.serialize().size(), from.serialize().size());
  ASSERT_EQ(to.count(), 2u);
  ProcessHeapText key, value;
  ASSERT_TRUE(to.getAt(2, &key, &value));
  EXPECT_STREQ(key.c_str(), "\xD2\xD2");
  EXPECT_STREQ(value.c_str(), "C:\\b.exe");
  EXPECT_FALSE(to.contains("old"));

  HashTable unusable;
  EXPECT_FALSE(copyShortcutTable(unusable, to));
  EXPECT_EQ(to.count(), 2u) << "a failed copy changed the table";
}

// A table whose memory runs out after a few blocks.
class ShortOfMemory : public HashTable {
 public:
  void* poolAllocate(std::size_t size) override {
    if (blocksLeft == 0) return nullptr;
    --blocksLeft;
    return HashTable::poolAllocate(size);
  }
  int blocksLeft = 1 << 30;
};

TEST(CopyShortcutTable, AllOrNothingWhenMemoryRunsOut) {
  HashTable from;
  ASSERT_TRUE(initializeShortcutTable(from));
  for (int i = 0; i < 20; ++i) from.set(("name" + std::to_string(i)).c_str(), "C:\\x.exe");
  ShortOfMemory to;
  ASSERT_TRUE(initializeShortcutTable(to));
  to.set("edited", "C:\\kept.exe");
  to.blocksLeft = 5;
  const bool copied = copyShortcutTable(from, to);
  if (copied) {
    EXPECT_EQ(to.serialize().size(), from.serialize().size());
  } else {
    EXPECT_EQ(to.count(), 1u) << "a part of the copy replaced the edits";
    EXPECT_TRUE(to.contains("edited"));
  }
}

TEST(MergeOnto, TheBaseFirstThenTheTablesOwnOnTop) {
  HashTable file, made;
  ASSERT_TRUE(initializeShortcutTable(file));
  ASSERT_TRUE(initializeShortcutTable(made));
  file.set("a", "C:\\a.exe");
  file.set("b", "C:\\b.exe");
  made.set("c", "C:\\c.exe");
  made.set("a", "D:\\newer.exe");
  ASSERT_TRUE(mergeOnto(file, made));
  ASSERT_EQ(made.count(), 3u);
  ProcessHeapText key, value;
  ASSERT_TRUE(made.getAt(1, &key, &value));
  EXPECT_STREQ(key.c_str(), "a");
  EXPECT_STREQ(value.c_str(), "D:\\newer.exe") << "a name both hold takes the later path in its first place";
  ASSERT_TRUE(made.getAt(3, &key, &value));
  EXPECT_STREQ(key.c_str(), "c");
  EXPECT_EQ(file.count(), 2u) << "the base is left alone";
}

// Names in order, "|" between, for comparing whole tables at a glance.
std::string namesOf(const HashTable& table) {
  ProcessHeapList keys;
  table.keys(keys);
  std::string names;
  for (std::uint32_t i = 0; i < keys.size(); ++i) {
    if (i > 0) names += '|';
    names += keys.textAt(i);
  }
  return names;
}

TEST(EditHistory, UndoesToTheImageItOpenedWithRedoesAndKeepsTheFileUnderEveryState) {
  HashTable table;
  ASSERT_TRUE(initializeShortcutTable(table));
  table.set("\xBC\xC7\xCA\xC2\xB1\xBE", "C:\\notepad.exe");  // 记事本
  table.set("b", "C:\\b.exe");
  table.set("c", "C:\\c.exe");
  const ByteString opened = shortcutImage(table);
  EditHistory history;

  // Removed, moved (a swap), renamed in place: each recorded just before.
  ByteString before = shortcutImage(table);
  table.remove("b");
  history.record(std::move(before));
  before = shortcutImage(table);
  table.setAt(Datum::text("c"), Datum::text("C:\\c.exe"), 1);
  table.setAt(Datum::text("\xBC\xC7\xCA\xC2\xB1\xBE"), Datum::text("C:\\notepad.exe"), 2);
  history.record(std::move(before));
  EXPECT_EQ(namesOf(table), "c|\xBC\xC7\xCA\xC2\xB1\xBE");

  ASSERT_TRUE(history.undo(table));
  ASSERT_TRUE(history.undo(table));
  EXPECT_FALSE(history.undo(table)) << "undone past the list as it opened";
  EXPECT_EQ(shortcutImage(table), opened) << "everything undone is the opened copy byte for byte";
  ASSERT_TRUE(history.redo(table));
  EXPECT_EQ(namesOf(table), "\xBC\xC7\xCA\xC2\xB1\xBE|c");

  // A new change forgets what was undone.
  before = shortcutImage(table);
  table.set("d", "C:\\d.exe");
  history.record(std::move(before));
  EXPECT_FALSE(history.redo(table));
  EXPECT_EQ(history.undoable(), 2u);

  // The file read late goes under the copy and under every state kept: undoing all
  // leaves its shortcuts.
  HashTable file, copy;
  ASSERT_TRUE(initializeShortcutTable(file));
  file.set("f", "C:\\f.exe");
  ASSERT_TRUE(mergeOnto(file, table));
  history.mergeUnder(file);
  while (history.undo(table)) {
  }
  EXPECT_EQ(namesOf(table), "f|\xBC\xC7\xCA\xC2\xB1\xBE|b|c");
  ASSERT_TRUE(restoreShortcutImage(copy, opened));
  EXPECT_FALSE(sameShortcuts(copy, table));
  ASSERT_TRUE(mergeOnto(file, copy));
  EXPECT_TRUE(sameShortcuts(copy, table));
  EXPECT_FALSE(restoreShortcutImage(copy, "not an image")) << "a refused image took the table";
  EXPECT_EQ(copy.count(), 4u);
}

TEST(SaveRecord, TellsOncePerRunOfFailures) {
  SaveRecord record;
  EXPECT_FALSE(record.saved(true));
  EXPECT_FALSE(record.unsaved());
  EXPECT_TRUE(record.saved(false)) << "the first failure of a run is told";
  EXPECT_TRUE(record.unsaved());
  EXPECT_FALSE(record.saved(false)) << "the notice is still due";
  record.told();
  EXPECT_FALSE(record.saved(false)) << "told already in this run";
  EXPECT_TRUE(record.toldOfThisRun());
  EXPECT_FALSE(record.saved(true));
  EXPECT_FALSE(record.unsaved());
  EXPECT_FALSE(record.toldOfThisRun());
  EXPECT_TRUE(record.saved(false)) << "a new run of failures is told again";
  record.noticeLost();
  EXPECT_TRUE(record.saved(false)) << "a notice that never showed is due again";
}

// ----- Open-file dialog ---------------------------------------------------------------

// The open-file dialog on a thread of its own, as the test's thread drives it.
class DialogOnThread {
 public:
  // `home`: the folder the request names to go back to afterwards.
  explicit DialogOnThread(Text home = {})
      : home_(std::move(home)), thread_(CreateThread(nullptr, 0, run, this, 0, &threadId_)) {}
  ~DialogOnThread() {
    // A test that failed half-way leaves the dialog open: cancel it, so the thread ends.
    if (thread_ && WaitForSingleObject(thread_.get(), 0) == WAIT_TIMEOUT) {
      if (const HWND dialog = test::visibleWindowOfThread(threadId_, L"#32770"))
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
      WaitForSingleObject(thread_.get(), 15000);
    }
  }
  DialogOnThread(const DialogOnThread&) = delete;
  DialogOnThread& operator=(const DialogOnThread&) = delete;

  // The dialog once it shows; null when it did not within 15 s.
  HWND window() const {
    HWND dialog = nullptr;
    for (int i = 0; thread_ && i < 300 && dialog == nullptr; ++i) {
      dialog = test::visibleWindowOfThread(threadId_, L"#32770");
      if (dialog == nullptr) Sleep(50);
    }
    return dialog;
  }
  // Waits for the dialog's call to return; false when it did not within 15 s.
  bool finished() const { return thread_ && WaitForSingleObject(thread_.get(), 15000) == WAIT_OBJECT_0; }
  // What openFileDialog answered; read only after finished().
  const Text& chosen() const { return chosen_; }

 private:
  static DWORD WINAPI run(void* parameter) {
    auto* self = static_cast<DialogOnThread*>(parameter);
    const bool com = SUCCEEDED(CoInitialize(nullptr));  // the dialog browses with the shell
    OpenFileRequest request;
    request.title = "corvalis test dialog";
    request.homeDirectory = self->home_;
    self->chosen_ = openFileDialog(request);
    if (com) CoUninitialize();
    return 0;
  }

  Text home_;
  Text chosen_;
  DWORD threadId_ = 0;
  UniqueKernelHandle thread_;
};

// What the user types into the dialog comes back as the chosen path, in GBK.
TEST(OpenFileDialog, AnswersTheFileTypedIntoIt) {
  wchar_t temp[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring path = std::wstring(temp) + L"\u9009\u4E2D\u7684\u6587\u4EF6.txt";  // 选中的文件.txt
  ASSERT_TRUE(UniqueFileHandle(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)));

  DialogOnThread dialogRun;
  const HWND dialog = dialogRun.window();
  ASSERT_NE(dialog, nullptr) << "the dialog did not show";
  // The file-name box: a combo box in the explorer-style dialog, an edit box in the old one.
  constexpr int kFileNameCombo = 0x47C, kFileNameEdit = 0x480;
  HWND name = GetDlgItem(dialog, kFileNameCombo);
  if (name == nullptr) name = GetDlgItem(dialog, kFileNameEdit);
  ASSERT_NE(name, nullptr);
  SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(dialogRun.finished());
  EXPECT_EQ(toWideText(dialogRun.chosen()), path);
  EXPECT_NE(dialogRun.chosen().find("\xD1\xA1\xD6\xD0\xB5\xC4\xCE\xC4\xBC\xFE.txt"), std::string::npos)
      << "the path comes back in GBK";
  DeleteFileW(path.c_str());
}

TEST(OpenFileDialog, RestoresTheProgramsFolderNotTheOneItFound) {
  const Text home = currentDirectory();
  ASSERT_FALSE(home.empty());
  rememberStartDirectory(home);
  wchar_t temp[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);

  // Another dialog, still open, has browsed elsewhere when this one opens: the folder
  // this one finds is that dialog's.
  ASSERT_TRUE(SetCurrentDirectoryW(temp));
  {
    DialogOnThread dialogRun(startDirectory());
    const HWND dialog = dialogRun.window();
    ASSERT_NE(dialog, nullptr) << "the dialog did not show";
    // The program ends while the dialog is open (退出): what it kept goes. The dialog's
    // thread goes on with its own copy.
    rememberStartDirectory("");
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(dialogRun.finished());
  }
  EXPECT_EQ(currentDirectory(), home) << "a launch now would start in the other dialog's folder";
  SetCurrentDirectoryW(toWideText(home).c_str());
}

}  // namespace
}  // namespace corvalis
