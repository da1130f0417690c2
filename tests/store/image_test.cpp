#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "store/image_salvage.h"
#include "test_support.h"

namespace corvalis {
namespace {

using testing::imageOf;
using testing::keysOf;
using testing::valuesOf;
using Bytes = std::vector<unsigned char>;
using Strings = std::vector<std::string>;

void put32(Bytes& image, std::size_t offset, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) image[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}
void append32(Bytes& image, std::uint32_t value) {
  image.resize(image.size() + 4);
  put32(image, image.size() - 4, value);
}
void appendText(Bytes& image, const std::string& text) {
  append32(image, static_cast<std::uint32_t>(text.size() + 1));
  image.insert(image.end(), text.begin(), text.end());
  image.push_back(0);
}
// Header of an ordered table, load factor 0.75, shrinking allowed; finish() adds
// totalLength and recordCount.
Bytes header(std::uint32_t keyKind = 10, std::uint32_t valueKind = 10, std::uint32_t buckets = 16) {
  Bytes image(44, 0);
  put32(image, 4, keyKind);
  put32(image, 8, valueKind);
  put32(image, 12, buckets);
  put32(image, 16, 0x3F400000);  // 0.75f
  put32(image, 20, 1);
  put32(image, 28, 1);
  return image;
}
Bytes finish(Bytes image, std::uint32_t records) {
  put32(image, 0, static_cast<std::uint32_t>(image.size()));
  put32(image, 40, records);
  return image;
}

// A table with known content, to tell whether a refused image left it alone.
void fillWithSentinel(HashTable& table) {
  ASSERT_TRUE(testing::initializeShortcutTable(table));
  table.set("keep", "me");
  table.set("and", "me too");
}
Bytes sentinelImage() {
  HashTable table;
  fillWithSentinel(table);
  return imageOf(table);
}

TEST(Image, OneShortcutIsSixtyThreeBytes) {
  const Bytes expected = {
      0x3F, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x40, 0x3F, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
      0x61, 0x00, 0x09, 0x00, 0x00, 0x00, 0x43, 0x3A, 0x5C, 0x61, 0x2E, 0x65, 0x78, 0x65, 0x00};
  HashTable table;
  ASSERT_TRUE(testing::initializeShortcutTable(table));
  ASSERT_EQ(table.set("a", "C:\\a.exe"), SetResult::Added);
  EXPECT_EQ(imageOf(table), expected);
  HashTable back;
  ASSERT_TRUE(back.deserialize(expected.data(), expected.size()));
  EXPECT_EQ(keysOf(back), Strings{"a"});
  EXPECT_EQ(valuesOf(back), Strings{"C:\\a.exe"});
}

TEST(Image, EmptyTableEmptyValueExtraBytesAndGrowth) {
  HashTable table;
  ASSERT_TRUE(testing::initializeShortcutTable(table));
  EXPECT_EQ(imageOf(table), finish(header(), 0));
  table.set("k", "");
  Bytes expected = header();
  appendText(expected, "k");
  appendText(expected, "");  // n = 1 and one zero byte
  expected = finish(expected, 1);
  EXPECT_EQ(imageOf(table), expected);
  expected.insert(expected.end(), {0xFF, 0x41, 0x00});  // behind totalLength: ignored
  HashTable back;
  fillWithSentinel(back);
  ASSERT_TRUE(back.deserialize(expected.data(), expected.size()));
  bool found = false;
  EXPECT_EQ(back.get("k", &found).get(), nullptr);
  EXPECT_TRUE(found);
  EXPECT_EQ(back.count(), 1u);
  EXPECT_EQ(back.bucketCount(), 16u);

  for (int i = 0; i < 13; ++i) table.set(testing::numbered("s", i).c_str(), "p");
  const Bytes thirteen = imageOf(table);  // 13 entries: 32 buckets, also when read back
  EXPECT_EQ(thirteen[12], 32);
  ASSERT_TRUE(back.deserialize(thirteen.data(), thirteen.size()));
  EXPECT_EQ(back.bucketCount(), 32u);
  EXPECT_EQ(imageOf(back), thirteen);
}

TEST(Image, SameBytesWithAndWithoutCrc) {
  if (!testing::processorHasCrc32c()) GTEST_SKIP() << "no CRC32 instruction";
  Bytes images[2];
  for (bool crc : {false, true}) {
    testing::ScopedCpuFeatures features(true, crc, true);
    HashTable table;
    ASSERT_TRUE(testing::initializeShortcutTable(table));
    for (int i = 0; i < 30; ++i) table.set(testing::numbered("item ", i * 7).c_str(), testing::numbered("C:\\", i).c_str());
    table.setAt("item 14", "moved", 1);
    table.remove("item 21");
    images[crc] = imageOf(table);
  }
  EXPECT_EQ(images[0], images[1]);
  testing::ScopedCpuFeatures noCrc(true, false, true);  // written with CRC-32C, read without
  HashTable back;
  ASSERT_TRUE(back.deserialize(images[1].data(), images[1].size()));
  EXPECT_EQ(back.positionOf("item 14"), 1);
  EXPECT_EQ(imageOf(back), images[0]);
}

TEST(Image, EveryKindRoundTrips) {
  for (std::int32_t keyKind : {3, 4, 10, 11}) {
    for (std::int32_t valueKind : {2, 3, 4, 5, 6, 7, 8, 10, 11}) {
      HashTable table;
      ASSERT_TRUE(table.initialize(keyKind, valueKind, TableSettings{.ordered = true}));
      for (int i = 1; i <= 20; ++i) {
        const std::string text = testing::numbered("entry-", i);
        const Datum key = keyKind == 10   ? Datum::text(text.c_str())
                          : keyKind == 11 ? Datum::bytes(text.data(), text.size())
                                          : Datum::int64(i * 1000003LL);
        const std::size_t length = i % 5 == 0 ? 0 : text.size();
        const Datum value = valueKind == 10   ? Datum::textSpan(text.data(), length)
                            : valueKind == 11 ? Datum::bytes(text.data(), length)
                                              : Datum::float64(i * 1.5);
        ASSERT_EQ(table.set(key, value), SetResult::Added) << keyKind << "/" << valueKind;
      }
      const Bytes image = imageOf(table);
      HashTable back;
      ASSERT_TRUE(back.deserialize(image.data(), image.size())) << keyKind << "/" << valueKind;
      EXPECT_EQ(back.count(), 20u);
      EXPECT_EQ(imageOf(back), image) << keyKind << "/" << valueKind;
    }
  }
}

TEST(Image, UnorderedRecordsFollowBucketOrder) {
  HashTable table;
  ASSERT_TRUE(table.initialize(KeyKind::Int32, ValueKind::Int32));
  for (std::int32_t key : {18, 3, 2, 34}) table.set(Datum::int32(key), Datum::int32(key + 100));
  Bytes expected = header(3, 3);
  put32(expected, 28, 0);
  for (std::uint32_t key : {18u, 2u, 34u, 3u}) {  // buckets 2, 2, 2, 3
    append32(expected, key);
    append32(expected, key + 100);
  }
  EXPECT_EQ(imageOf(table), finish(expected, 4));
}

TEST(Image, RefusedImagesLeaveTheTableAlone) {
  HashTable source;
  fillWithSentinel(source);
  const Bytes valid = imageOf(source);
  HashTable table;
  fillWithSentinel(table);
  for (std::size_t size = 0; size < valid.size(); ++size)  // truncated files
    ASSERT_FALSE(table.deserialize(valid.data(), size)) << size;
  EXPECT_FALSE(table.deserialize(nullptr, 100));

  Bytes image = header();
  appendText(image, "key");
  appendText(image, "value");
  const Bytes good = finish(image, 1);
  const struct {
    std::size_t offset;
    std::uint32_t value;
    bool extraByte;
  } damage[] = {
      {40, 2, false},           {40, 0x7FFFFFFF, false},  // records claimed that are not there
      {44, 0xFFFFFFFF, false},  {44, 0x80000000, false},  // key length huge or negative
      {52, 0xFFFFFFF0, false},  {52, 7, false},           // value length huge, or one byte too long
      {52, 7, true},                                      // ... reaching into the ignored tail
      {0, 43, false},           {0, 0, false},            // totalLength below the header
      {0, 0xFFFFFFFF, false},   {8, 99, false},           // beyond the file; object values
  };
  for (const auto& d : damage) {
    Bytes bad = good;
    put32(bad, d.offset, d.value);
    if (d.extraByte) bad.push_back(0);
    EXPECT_FALSE(table.deserialize(bad.data(), bad.size())) << d.offset << " " << d.value;
  }
  Bytes cut = header(4, 4);
  cut.insert(cut.end(), 12, 0x11);  // 64-bit key, then half of a 64-bit value
  cut = finish(cut, 1);
  EXPECT_FALSE(table.deserialize(cut.data(), cut.size()));
  EXPECT_EQ(imageOf(table), valid);

  put32(image, 40, 0x80000000u);  // a negative count: no records, an empty table
  image = finish(image, 0x80000000u);
  ASSERT_TRUE(table.deserialize(image.data(), image.size()));
  EXPECT_EQ(table.count(), 0u);
}

TEST(Image, HeaderSettingsAreCoerced) {
  const std::uint32_t keyKinds[] = {99, 7, 3, 3, 3, 3, 3, 4};
  const std::uint32_t buckets[] = {16, 16, 0, 0x80000000u, 0x7FFFFFFF, 100, 16, 1u << 20};
  const float factors[] = {0.75f, 0.75f, 0.75f, 0.75f, 0.75f, 0.5f, 2.0f, std::nanf("")};
  const std::uint32_t expectedBuckets[] = {16, 16, 16, 16, 65536, 64, 16, 65536};
  for (int i = 0; i < 8; ++i) {
    Bytes image = header(keyKinds[i], 3, buckets[i]);
    std::memcpy(image.data() + 16, &factors[i], 4);
    const bool wide = keyKinds[i] == 4;
    for (std::uint32_t key : {5u, 6u}) {
      append32(image, key);
      if (wide) append32(image, 0);
      append32(image, key * 10);
    }
    image = finish(image, 2);
    HashTable table;
    ASSERT_TRUE(table.deserialize(image.data(), image.size())) << i;
    EXPECT_EQ(table.keyKind(), wide ? KeyKind::Int64 : KeyKind::Int32) << i;
    EXPECT_EQ(table.bucketCount(), expectedBuckets[i]) << i;
    EXPECT_EQ(HashTableInternals::growThreshold(table), expectedBuckets[i] * (i == 5 ? 2 : 3) / 4) << i;
    std::int32_t value = 0;
    EXPECT_TRUE(table.tryGet(wide ? Datum::int64(6) : Datum::int32(6), OutRef::int32(value)));
    EXPECT_EQ(value, 60);
  }
}

TEST(Image, OddRecordsAreReadSoundly) {
  Bytes image = header();
  appendText(image, "");  // an empty key adds nothing
  appendText(image, "ignored");
  appendText(image, "dup");
  appendText(image, "first");
  append32(image, 0);  // n = 0: another empty key, with an empty value
  append32(image, 0);
  append32(image, 3);  // a key without its zero byte
  image.insert(image.end(), {'x', 'y', 'z'});
  appendText(image, "no terminator");
  appendText(image, "dup");  // a repeated key keeps its place and takes the later value
  append32(image, 6);        // a value with bytes after its zero byte
  image.insert(image.end(), {'v', 'a', 'l', 0, 'Q', 'Q'});
  image = finish(image, 5);
  HashTable table;
  ASSERT_TRUE(table.deserialize(image.data(), image.size()));
  EXPECT_EQ(keysOf(table), (Strings{"dup", "xyz"}));
  EXPECT_EQ(valuesOf(table), (Strings{"val", "no terminator"}));
}

TEST(Image, RandomDamageNeverReadsOutOfBounds) {
  HashTable source;
  ASSERT_TRUE(testing::initializeShortcutTable(source));
  for (int i = 0; i < 12; ++i) source.set(testing::numbered("name", i).c_str(), std::string(i * 3, 'p').c_str());
  const Bytes good = imageOf(source);
  const Bytes sentinel = sentinelImage();
  std::mt19937 random(5);
  for (int round = 0; round < 3000; ++round) {
    Bytes damaged = good;
    for (int flips = 1 + static_cast<int>(random() % 4); flips > 0; --flips)
      damaged[random() % damaged.size()] = static_cast<unsigned char>(random());
    if (random() % 3 == 0) damaged.resize(random() % damaged.size());
    HashTable table;  // an exactly sized copy lets the address sanitizer see any overrun
    fillWithSentinel(table);
    if (table.deserialize(damaged.data(), damaged.size())) {
      EXPECT_LE(table.count(), 12u);
    } else {
      ASSERT_EQ(imageOf(table), sentinel) << round;
    }
  }
}

// A damaged file gives back what stands whole and sound before the damage.
TEST(Salvage, RecordsBeforeTheDamageComeBack) {
  HashTable source;
  ASSERT_TRUE(testing::initializeShortcutTable(source));
  source.set("\xBC\xC7\xCA\xC2\xB1\xBE", "C:\\windows\\notepad.exe");  // 记事本
  source.set("b", "");
  source.set("c", "C:\\c.exe");
  const Bytes good = imageOf(source);
  const std::size_t third = good.size() - (4 + 2 + 4 + 9);  // "c", "C:\\c.exe"

  // Cut inside the third record: the table refuses it, the salvage keeps two.
  const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(third + 6));
  HashTable refused;
  ASSERT_FALSE(refused.deserialize(cut.data(), cut.size()));
  const std::vector<SalvagedEntry> kept = salvageTextRecords(cut.data(), cut.size());
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(kept[0].key, "\xBC\xC7\xCA\xC2\xB1\xBE");
  EXPECT_EQ(kept[0].value, "C:\\windows\\notepad.exe");
  EXPECT_EQ(kept[1].key, "b");
  EXPECT_EQ(kept[1].value, "");
  HashTable salvaged;
  ASSERT_TRUE(testing::initializeShortcutTable(salvaged));
  EXPECT_EQ(salvageInto(salvaged, cut.data(), cut.size()), 2u);
  EXPECT_EQ(keysOf(salvaged), (Strings{"\xBC\xC7\xCA\xC2\xB1\xBE", "b"}));

  // Whole, it all comes back; bytes behind the counted records are no records.
  Bytes longer = good;
  appendText(longer, "stray");
  appendText(longer, "bytes");
  EXPECT_EQ(salvageTextRecords(longer.data(), longer.size()).size(), 3u);

  // A record whose text is not sound ends the salvage there: a zero inside it, none at
  // its end, a count of zero.
  for (const std::size_t at : {third + 4, third + 5}) {
    Bytes broken = good;
    broken[at] = at == third + 4 ? 0 : 'x';  // "c": a zero first, or no zero at the end
    EXPECT_EQ(salvageTextRecords(broken.data(), broken.size()).size(), 2u) << at;
  }
}

TEST(Salvage, ZerosAndNonsenseGiveNothing) {
  const Bytes zeros(4096, 0);  // what some file systems leave after a power cut
  HashTable table;
  EXPECT_FALSE(table.deserialize(zeros.data(), zeros.size()));
  EXPECT_TRUE(salvageTextRecords(zeros.data(), zeros.size()).empty());
  EXPECT_TRUE(salvageTextRecords(zeros.data(), 43).empty());
  EXPECT_TRUE(salvageTextRecords(nullptr, 100).empty());
  // A header of other kinds does not bound the records: they are read while sound.
  Bytes foreign = header(3, 3);
  appendText(foreign, "k");
  appendText(foreign, "v");
  foreign = finish(foreign, 0);
  EXPECT_EQ(salvageTextRecords(foreign.data(), foreign.size()).size(), 1u);
  // A count that runs past the end reads nothing beyond it (the sanitizer watches).
  Bytes huge = header();
  append32(huge, 0xFFFFFFF0u);
  huge.push_back('a');
  EXPECT_TRUE(salvageTextRecords(huge.data(), huge.size()).empty());
}

}  // namespace
}  // namespace corvalis
