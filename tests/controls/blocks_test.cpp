// The blocks that cross the boundary: bins, packed structures, property blocks; and the
// GBK stepping and icon decoding beneath the controls.
#include <gtest/gtest.h>

#include <cstring>

#include "controls/gbk_text.h"
#include "controls/image.h"
#include "tests/controls/harness.h"

namespace corvalis::exui::test {
namespace {

std::int32_t wordAt(const void* block, std::size_t offset) {
  std::int32_t word;
  std::memcpy(&word, static_cast<const char*>(block) + offset, 4);
  return word;
}

TEST(Bins, BothCallFormsHaveOneMeaning) {
  const Library& lib = library();
  ASSERT_NE(lib.module, nullptr);
  void* text = lib.CreateBinEx("\xD6\xD0 ab", kBinText, 0, 30);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(wordAt(text, 0), 1);
  EXPECT_EQ(wordAt(text, 4), 5);
  EXPECT_EQ(std::memcmp(static_cast<char*>(text) + 8, "\xD6\xD0 ab\0", 6), 0) << "bytes, then a terminator";
  EXPECT_EQ(lib.GetBinExDatalength(text), 5);
  void* bytes = lib.CreateBinEx("\0\1\2", 3, 7, 8);
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(wordAt(bytes, 4), 3);
  void* empty = lib.CreateBinEx(nullptr, kBinText, 0, 0);
  ASSERT_NE(empty, nullptr) << "an absent text is the empty text";
  EXPECT_EQ(wordAt(empty, 4), 0);
  EXPECT_EQ(lib.CreateBinEx(nullptr, 5, 0, 0), nullptr);
  EXPECT_EQ(lib.CreateBinEx("x", -5, 0, 0), nullptr);
  EXPECT_EQ(lib.DeleteBinEx(text), 1);
  EXPECT_EQ(lib.DeleteBinEx(text), 0) << "freed once";
  EXPECT_EQ(lib.DeleteBinEx("not a bin"), 0);
  EXPECT_EQ(lib.DeleteBinEx(bytes), 1);
  EXPECT_EQ(lib.DeleteBinEx(empty), 1);
}

struct PackedMember {
  int type;
  std::string bytes;
};

std::vector<PackedMember> unpack(const std::int32_t* block) {
  std::vector<PackedMember> members;
  const auto* data = reinterpret_cast<const unsigned char*>(block + 2);
  const std::size_t length = static_cast<std::size_t>(block[1]);
  std::uint32_t magic;
  std::memcpy(&magic, data, 4);
  if (length < 8 || magic != kStructMagic || (data[4] | data[5] << 8) != kStructVersion) return members;
  const int count = data[6] | data[7] << 8;
  std::size_t at = 8;
  for (int i = 0; i < count && at + 8 <= length; ++i) {
    std::uint32_t size;
    std::memcpy(&size, data + at + 4, 4);
    members.push_back({data[at], std::string(reinterpret_cast<const char*>(data + at + 8), size)});
    at += 8 + size;
    at = (at + 3) / 4 * 4;
  }
  return members;
}

TEST(Structures, PackAsTheBridgeDoesAndReadTheDocumentedForm) {
  const Library& lib = library();
  ASSERT_NE(lib.module, nullptr);
  void* structure = lib.Create_StructEx();
  ASSERT_NE(structure, nullptr);
  EXPECT_EQ(lib.InsertMember_StructEx(structure, -1, 8), 8);
  EXPECT_EQ(lib.SetMemberText_StructEx(structure, 0, lib.CreateBinEx("abcd", kBinText, 0, 0)), 1);
  EXPECT_EQ(lib.SetMemberInt_StructEx(structure, 1, 42), 1);
  EXPECT_EQ(lib.SetMemberLongInt_StructEx(structure, 2, 0x55667788u, 0x11223344u), 1);
  double value = 1.5;
  unsigned halves[2];
  std::memcpy(halves, &value, 8);
  EXPECT_EQ(lib.SetMemberDouble_StructEx(structure, 3, halves[0], halves[1]), 1);
  float single = -2.25f;
  unsigned bits;
  std::memcpy(&bits, &single, 4);
  EXPECT_EQ(lib.SetMemberFloat_StructEx(structure, 4, bits), 1);
  EXPECT_EQ(lib.SetMemberBool_StructEx(structure, 5, 9), 1);
  const std::vector<char> blob = byteString(std::string("\x01\x00\x02", 3));
  EXPECT_EQ(lib.SetMemberBin_StructEx(structure, 6, blob.data()), 1);
  EXPECT_EQ(lib.SetMemberInt_StructEx(structure, 8, 1), 0) << "no member 8";

  const auto* packed = static_cast<const std::int32_t*>(lib.Pack_StructEx(structure));
  ASSERT_NE(packed, nullptr);
  EXPECT_EQ(packed[0], 1);
  const std::vector<PackedMember> members = unpack(packed);
  ASSERT_EQ(members.size(), 8u);
  EXPECT_EQ(members[0].type, kMemberText);
  EXPECT_EQ(members[0].bytes, std::string("abcd\0", 5));
  EXPECT_EQ(members[1].type, kMemberInt);
  EXPECT_EQ(members[1].bytes, std::string("\x2A\0\0\0", 4));
  EXPECT_EQ(members[2].bytes, std::string("\x88\x77\x66\x55\x44\x33\x22\x11", 8));
  EXPECT_EQ(members[3].type, kMemberDouble);
  EXPECT_EQ(std::memcmp(members[3].bytes.data(), &value, 8), 0);
  EXPECT_EQ(members[4].type, kMemberFloat);
  EXPECT_EQ(members[5].bytes, std::string("\1\0\0\0", 4));
  EXPECT_EQ(members[6].bytes, std::string("\x01\x00\x02", 3));
  EXPECT_EQ(members[7].type, kMemberNone);

  void* loaded = lib.Load_StructEx(packed + 2, packed[1]);
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(lib.GetMemberCount_StructEx(loaded), 8);
  EXPECT_STREQ(lib.GetMemberText_StructEx(loaded, 0), "abcd");
  EXPECT_EQ(lib.GetMemberInt_StructEx(loaded, 1), 42);
  EXPECT_EQ(lib.GetMemberType_StructEx(loaded, 6), kMemberBin);
  // Damaged forms are refused whole.
  std::string damaged(reinterpret_cast<const char*>(packed + 2), static_cast<std::size_t>(packed[1]));
  EXPECT_EQ(lib.Load_StructEx(damaged.data(), static_cast<int>(damaged.size()) - 3), nullptr) << "cut short";
  damaged[12] = '\x7F';  // the first member's size far beyond the end
  EXPECT_EQ(lib.Load_StructEx(damaged.data(), static_cast<int>(damaged.size())), nullptr);
  damaged[0] = 'X';
  EXPECT_EQ(lib.Load_StructEx(damaged.data(), static_cast<int>(damaged.size())), nullptr) << "magic";
  EXPECT_EQ(lib.Destroy_StructEx(loaded), 1);
  EXPECT_EQ(lib.Destroy_StructEx(structure), 1);
  EXPECT_EQ(lib.Destroy_StructEx(structure), 0);
}

TEST(PropertyBlocks, CheckedVersionedAndBounded) {
  ASSERT_NE(library().module, nullptr);
  Window parent = makeParent(200, 200);
  auto fixedRows = [&](const PropertyBlock& block) {
    const Created list = createControl(Kind::kListbox, parent.get(), RECT{0, 0, 104, 100}, &block);
    return library().GetItemCount_ListboxEx(list.control);
  };
  PropertyBlock good = defaultPropertyBlock(Kind::kListbox);
  good.fixedRowCount = 2;
  std::strcpy(good.fixedRows[0].caption, "one");
  std::strcpy(good.fixedRows[1].caption, "two");
  EXPECT_EQ(fixedRows(good), 2);

  PropertyBlock badMagic = good;
  badMagic.magic ^= 1;
  EXPECT_EQ(fixedRows(badMagic), 0);
  PropertyBlock shortBlock = good;
  shortBlock.size = sizeof(PropertyBlock) - 4;
  EXPECT_EQ(fixedRows(shortBlock), 0);
  PropertyBlock otherKind = good;
  otherKind.kind = static_cast<std::uint32_t>(Kind::kButton);
  EXPECT_EQ(fixedRows(otherKind), 0);
  PropertyBlock anyKind = good;
  anyKind.kind = 0;
  EXPECT_EQ(fixedRows(anyKind), 2);
  PropertyBlock tooMany = good;
  tooMany.fixedRowCount = 1000;
  EXPECT_EQ(fixedRows(tooMany), kMaxFixedRows);

  // An older block lays its fixed rows out differently: not trusted.
  PropertyBlock older = good;
  older.version = kBlockVersion - 1;
  EXPECT_EQ(fixedRows(older), 0);

  // Fixed rows take their own height; 0 or a height out of range takes the row pitch.
  PropertyBlock heights = good;
  heights.rowPitch = 30;
  heights.fixedRowCount = 3;
  heights.fixedRows[0].height = 24;
  heights.fixedRows[1].height = 0;
  heights.fixedRows[2].height = 5000;
  const Created sized = createControl(Kind::kListbox, parent.get(), RECT{0, 0, 104, 100}, &heights);
  EXPECT_EQ(library().GetAttribute_ListboxEx(sized.control, kAttrContentHeight), 24 + 30 + 30);

  // A later version, longer, is read as far as this one knows it.
  struct Later {
    PropertyBlock v1;
    char more[64];
  } later{};
  later.v1 = good;
  later.v1.version = kBlockVersion + 1;
  later.v1.size = sizeof(Later);
  std::memset(later.more, 0x5A, sizeof later.more);
  EXPECT_EQ(fixedRows(later.v1), 2);

  // A caption filling its field is cut at the field's end without half a character.
  PropertyBlock full = good;
  full.fixedRowCount = 1;
  for (std::size_t i = 0; i + 1 < sizeof full.fixedRows[0].caption; i += 2) {
    full.fixedRows[0].caption[i] = '\xD6';
    full.fixedRows[0].caption[i + 1] = '\xD0';
  }
  const Created list = createControl(Kind::kListbox, parent.get(), RECT{0, 0, 104, 100}, &full);
  const std::string caption = library().GetItemTitle_ListboxEx(list.control, 0);
  EXPECT_EQ(caption.size(), sizeof full.fixedRows[0].caption - 2);
  EXPECT_EQ(caption.substr(caption.size() - 2), "\xD6\xD0");
}

TEST(GbkText, BoundariesNeverSplitACharacter) {
  const std::string text = "a\xD6\xD0" "b\xD6";  // a 中 b, then a lone lead byte
  EXPECT_EQ(nextBoundary(text, 0), 1u);
  EXPECT_EQ(nextBoundary(text, 1), 3u);
  EXPECT_EQ(nextBoundary(text, 4), 5u) << "lead byte at the end";
  EXPECT_EQ(previousBoundary(text, 3), 1u);
  EXPECT_EQ(previousBoundary(text, 5), 4u);
  EXPECT_EQ(snapToBoundary(text, 2), 1u);
  EXPECT_EQ(snapToBoundary(text, 3), 3u);
  // Trail bytes that look like lead bytes: 中 is D6 D0, and D0 is a lead byte too.
  const std::string pairs = "\xD6\xD0\xD0\xD6";
  EXPECT_EQ(previousBoundary(pairs, 4), 2u);
  EXPECT_EQ(snapToBoundary(pairs, 3), 2u);
  for (const char trail : {'\x7F', '\xFF', ' ', '\x10'}) {
    const std::string broken = std::string("\x81") + trail;
    EXPECT_EQ(nextBoundary(broken, 0), 1u) << "no pair with " << static_cast<int>(static_cast<unsigned char>(trail));
  }
  const GbkLayout layout = layoutGbk(text);
  EXPECT_EQ(layout.boundaries, (std::vector<std::size_t>{0, 1, 3, 4, 5}));
  EXPECT_EQ(layout.wideIndex, (std::vector<std::size_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(layout.wide.substr(0, 3), L"a\u4E2Db");
  std::string typed;
  EXPECT_TRUE(typedCharToGbk(L'\u4E2D', typed));
  EXPECT_EQ(typed, "\xD6\xD0");
  EXPECT_FALSE(typedCharToGbk(L'\u0E01', typed));
}

TEST(IconImages, DecodingChecksEveryBound) {
  std::vector<std::uint32_t> pixels(1024, 0xFF102030u);
  const std::string icon = iconImage(pixels);
  const auto decoded = decodeIconImage(icon);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->width, 32);
  EXPECT_EQ(decoded->height, 32);
  EXPECT_EQ(decoded->pixels[0], 0xFF102030u);
  EXPECT_FALSE(decodeIconImage(icon.substr(0, 1000)).has_value()) << "cut short";
  EXPECT_FALSE(decodeIconImage("").has_value());
  std::string noImages = icon;
  noImages[4] = 0;
  EXPECT_FALSE(decodeIconImage(noImages).has_value());
  std::string farOffset = icon;
  farOffset[18] = '\x7F';
  EXPECT_FALSE(decodeIconImage(farOffset).has_value());
  std::string hugeCount = icon;
  hugeCount[4] = '\xFF';
  hugeCount[5] = '\xFF';
  EXPECT_FALSE(decodeIconImage(hugeCount).has_value());
  std::string paletted = icon;
  paletted[22 + 14] = 8;  // 8 bits per pixel: not read
  EXPECT_FALSE(decodeIconImage(paletted).has_value());

  // Straight alpha is premultiplied on the way in.
  std::vector<std::uint32_t> straight(1024, 0x80FF0000u);  // half-transparent pure red
  const auto premultiplied = decodeIconImage(iconImage(straight));
  ASSERT_TRUE(premultiplied.has_value());
  EXPECT_EQ(premultiplied->pixels[5], 0x80800000u);
  // Scaling keeps a uniform picture uniform and premultiplied.
  const Image small = scaleImage(*premultiplied, 24, 24);
  EXPECT_EQ(small.pixels[100], 0x80800000u);
}

}  // namespace
}  // namespace corvalis::exui::test
