#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "hash_table_internals.h"
#include "test_support.h"

namespace corvalis {
namespace {

using testing::imageOf;
using testing::keysOf;
using testing::valuesOf;
using Bytes = std::vector<unsigned char>;
using Strings = std::vector<std::string>;

void put32(Bytes& image, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) image[offset + static_cast<std::size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
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

// A header for a text -> text ordered table; totalLength and recordCount are
// filled in by finish().
Bytes header(std::uint32_t keyKind = 10, std::uint32_t valueKind = 10, std::uint32_t buckets = 16) {
  Bytes image(44, 0);
  put32(image, 4, keyKind);
  put32(image, 8, valueKind);
  put32(image, 12, buckets);
  const float loadFactor = 0.75f;
  std::memcpy(image.data() + 16, &loadFactor, 4);
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
  ASSERT_EQ(table.set("keep", "me"), SetResult::Added);
  ASSERT_EQ(table.set("and", "me too"), SetResult::Added);
}

void expectSentinel(const HashTable& table) {
  EXPECT_EQ(keysOf(table), (Strings{"keep", "and"}));
  EXPECT_EQ(valuesOf(table), (Strings{"me", "me too"}));
  EXPECT_EQ(table.keyKind(), KeyKind::Text);
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
  EXPECT_EQ(HashTableInternals::ordered(back), 1u);
}

TEST(Image, EmptyTableIsTheHeaderAlone) {
  HashTable table;
  ASSERT_TRUE(testing::initializeShortcutTable(table));
  const Bytes image = imageOf(table);
  EXPECT_EQ(image, finish(header(), 0));
  HashTable back;
  fillWithSentinel(back);
  ASSERT_TRUE(back.deserialize(image.data(), image.size()));
  EXPECT_EQ(back.count(), 0u);
  EXPECT_EQ(back.bucketCount(), 16u);
}

TEST(Image, ThirteenShortcutsRecordThirtyTwoBuckets) {
  HashTable table;
  ASSERT_TRUE(testing::initializeShortcutTable(table));
  for (int i = 0; i < 13; ++i) table.set(testing::numbered("s", i).c_str(), "p");
  const Bytes image = imageOf(table);
  EXPECT_EQ(image[12], 32);
  HashTable back;
  ASSERT_TRUE(back.deserialize(image.data(), image.size()));
  EXPECT_EQ(back.bucketCount(), 32u);
  EXPECT_EQ(keysOf(back), keysOf(table));
  EXPECT_EQ(imageOf(back), image);
}

TEST(Image, EmptyValueIsOneZeroByteAndReadsBackAbsent) {
  HashTable table;
  ASSERT_TRUE(testing::initializeShortcutTable(table));
  table.set("k", "");
  Bytes expected = header();
  appendText(expected, "k");
  appendText(expected, "");
  expected = finish(expected, 1);
  EXPECT_EQ(imageOf(table), expected);
  HashTable back;
  ASSERT_TRUE(back.deserialize(expected.data(), expected.size()));
  bool found = false;
  EXPECT_EQ(back.get("k", &found).get(), nullptr);
  EXPECT_TRUE(found);
}

TEST(Image, ExtraBytesAfterTotalLengthAreIgnored) {
  Bytes image = header();
  appendText(image, "x");
  appendText(image, "y");
  image = finish(image, 1);
  for (unsigned char junk : {0x00, 0xFF, 0x41}) image.push_back(junk);
  HashTable table;
  ASSERT_TRUE(table.deserialize(image.data(), image.size()));
  EXPECT_EQ(keysOf(table), Strings{"x"});
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
    images[crc ? 1 : 0] = imageOf(table);
  }
  EXPECT_EQ(images[0], images[1]);
  // Written with one rule, read with the other.
  testing::ScopedCpuFeatures noCrc(true, false, true);
  HashTable back;
  ASSERT_TRUE(back.deserialize(images[1].data(), images[1].size()));
  EXPECT_TRUE(back.contains("item 14"));
  EXPECT_EQ(back.positionOf("item 14"), 1);
  EXPECT_EQ(imageOf(back), images[0]);
}

TEST(Image, EveryKindRoundTrips) {
  const std::int32_t keyKinds[] = {3, 4, 10, 11};
  const std::int32_t valueKinds[] = {2, 3, 4, 5, 6, 7, 8, 10, 11};
  for (std::int32_t keyKind : keyKinds) {
    for (std::int32_t valueKind : valueKinds) {
      for (bool ordered : {false, true}) {
        HashTable table;
        TableSettings settings;
        settings.ordered = ordered;
        ASSERT_TRUE(table.initialize(keyKind, valueKind, settings));
        for (int i = 1; i <= 20; ++i) {
          const std::string text = testing::numbered("entry-", i);
          const Datum key = keyKind == 10   ? Datum::text(text.c_str())
                            : keyKind == 11 ? Datum::bytes(text.data(), text.size())
                                            : Datum::int64(static_cast<std::int64_t>(i) * 1000003);
          const Datum value = valueKind == 10   ? Datum::text(i % 5 == 0 ? "" : text.c_str())
                              : valueKind == 11 ? Datum::bytes(text.data(), i % 5 == 0 ? 0 : text.size())
                                                : Datum::float64(i * 1.5);
          ASSERT_EQ(table.set(key, value), SetResult::Added) << keyKind << "/" << valueKind << " " << i;
        }
        const Bytes image = imageOf(table);
        ASSERT_GT(image.size(), 44u);
        HashTable back;
        ASSERT_TRUE(back.deserialize(image.data(), image.size())) << keyKind << "/" << valueKind;
        EXPECT_EQ(back.count(), 20u);
        EXPECT_EQ(static_cast<std::int32_t>(back.keyKind()), keyKind);
        EXPECT_EQ(static_cast<std::int32_t>(back.valueKind()), valueKind);
        ProcessHeapList before, after;
        table.values(before);
        back.values(after);
        ASSERT_EQ(before.elementSize(), after.elementSize());
        if (ordered) {
          // Same positions, so the same image; and the same values by position.
          EXPECT_EQ(imageOf(back), image) << keyKind << "/" << valueKind;
          for (std::uint32_t i = 0; i < 20; ++i) {
            EXPECT_EQ(before.realAt(i), after.realAt(i));
            EXPECT_EQ(before.integerAt(i), after.integerAt(i));
          }
        }
      }
    }
  }
}

TEST(Image, UnorderedRecordsFollowBucketOrder) {
  HashTable table;
  ASSERT_TRUE(table.initialize(KeyKind::Int32, ValueKind::Int32));
  for (std::int32_t key : {18, 3, 2, 34}) table.set(Datum::int32(key), Datum::int32(key + 100));
  Bytes expected = header(3, 3);
  put32(expected, 20, 1);
  put32(expected, 28, 0);
  for (std::uint32_t key : {18u, 2u, 34u, 3u}) {  // buckets 2, 2, 2, 3
    append32(expected, key);
    append32(expected, key + 100);
  }
  EXPECT_EQ(imageOf(table), finish(expected, 4));
}

TEST(Image, TruncatedImagesAreRefusedAndTheTableIsLeftAlone) {
  HashTable source;
  ASSERT_TRUE(testing::initializeShortcutTable(source));
  source.set("first", "C:\\one.exe");
  source.set("second", "C:\\two.exe");
  const Bytes image = imageOf(source);
  HashTable table;
  fillWithSentinel(table);
  for (std::size_t size = 0; size < image.size(); ++size) {
    // Cut files keep their header's totalLength, which now exceeds their size.
    ASSERT_FALSE(table.deserialize(image.data(), size)) << size;
    expectSentinel(table);
  }
  EXPECT_FALSE(table.deserialize(nullptr, 100));
  expectSentinel(table);
}

TEST(Image, RecordsRunningPastTotalLengthAreRefused) {
  HashTable table;
  fillWithSentinel(table);
  Bytes image = header();
  appendText(image, "key");
  appendText(image, "value");
  const Bytes good = finish(image, 1);

  struct Hostile {
    const char* what;
    Bytes image;
    bool accepted;
  };
  std::vector<Hostile> cases;
  {
    Bytes b = good;  // two records claimed, one present
    put32(b, 40, 2);
    cases.push_back({"two records claimed", b, false});
  }
  {
    Bytes b = good;
    put32(b, 40, 0x7FFFFFFF);
    cases.push_back({"2^31-1 records claimed", b, false});
  }
  {
    Bytes b = good;
    put32(b, 40, 0x80000000u);  // negative: no records
    cases.push_back({"negative record count", b, true});
  }
  {
    Bytes b = good;
    put32(b, 44, 0xFFFFFFFFu);  // key length
    cases.push_back({"huge key length", b, false});
  }
  {
    Bytes b = good;
    put32(b, 44, 0x80000000u);
    cases.push_back({"negative key length", b, false});
  }
  {
    Bytes b = good;
    put32(b, 52, 0xFFFFFFF0u);  // value length
    cases.push_back({"huge value length", b, false});
  }
  {
    Bytes b = good;
    put32(b, 52, 7);  // value runs one byte past totalLength
    cases.push_back({"value one byte too long", b, false});
  }
  {
    Bytes b = good;
    put32(b, 52, 7);
    b.push_back(0);  // the byte exists, but beyond totalLength
    cases.push_back({"value reaching into the ignored tail", b, false});
  }
  {
    Bytes b = good;
    put32(b, 0, 43);
    cases.push_back({"totalLength below the header", b, false});
  }
  {
    Bytes b = good;
    put32(b, 0, 0);
    cases.push_back({"totalLength zero", b, false});
  }
  {
    Bytes b = good;
    put32(b, 0, 0xFFFFFFFFu);
    cases.push_back({"totalLength beyond the file", b, false});
  }
  {
    Bytes b = good;
    put32(b, 8, 99);
    cases.push_back({"object values", b, false});
  }
  {
    Bytes b = header(11, 11);
    append32(b, 1);
    append32(b, 0xFFFFFFFFu);
    cases.push_back({"byte-string key length huge", finish(b, 1), false});
  }
  {
    Bytes b = header(4, 4);
    b.insert(b.end(), 12, 0x11);  // 8-byte key, 4 of the 8 value bytes
    cases.push_back({"64-bit value cut short", finish(b, 1), false});
  }
  for (const Hostile& c : cases) {
    EXPECT_EQ(table.deserialize(c.image.data(), c.image.size()), c.accepted) << c.what;
    if (!c.accepted) {
      expectSentinel(table);
    } else {
      EXPECT_EQ(table.count(), 0u) << c.what;
      fillWithSentinel(table);
    }
  }
  ASSERT_TRUE(table.deserialize(good.data(), good.size()));
  EXPECT_EQ(keysOf(table), Strings{"key"});
}

TEST(Image, HeaderSettingsAreCoerced) {
  const struct {
    std::uint32_t keyKind, buckets;
    float loadFactor;
    KeyKind expectedKind;
    std::uint32_t expectedBuckets, expectedThreshold;
  } cases[] = {
      {99, 16, 0.75f, KeyKind::Int32, 16, 12},        {7, 16, 0.75f, KeyKind::Int32, 16, 12},
      {3, 0, 0.75f, KeyKind::Int32, 16, 12},          {3, 0x80000000u, 0.75f, KeyKind::Int32, 16, 12},
      {3, 0x7FFFFFFFu, 0.75f, KeyKind::Int32, 65536, 49152}, {3, 100, 0.5f, KeyKind::Int32, 64, 32},
      {3, 16, 2.0f, KeyKind::Int32, 16, 12},          {3, 16, std::nanf(""), KeyKind::Int32, 16, 12},
      {3, 16, 0.0f, KeyKind::Int32, 16, 12},          {4, 1u << 20, 0.75f, KeyKind::Int64, 65536, 49152},
  };
  for (const auto& c : cases) {
    Bytes image = header(c.keyKind, 3, c.buckets);
    std::memcpy(image.data() + 16, &c.loadFactor, 4);
    const bool wide = c.expectedKind == KeyKind::Int64;
    for (std::uint32_t key : {5u, 6u}) {
      append32(image, key);
      if (wide) append32(image, 0);
      append32(image, key * 10);
    }
    image = finish(image, 2);
    HashTable table;
    ASSERT_TRUE(table.deserialize(image.data(), image.size())) << c.keyKind << " " << c.buckets;
    EXPECT_EQ(table.keyKind(), c.expectedKind);
    EXPECT_EQ(table.bucketCount(), c.expectedBuckets) << c.buckets;
    EXPECT_EQ(HashTableInternals::growThreshold(table), c.expectedThreshold) << c.loadFactor;
    std::int32_t value = 0;
    const Datum key = wide ? Datum::int64(6) : Datum::int32(6);
    EXPECT_TRUE(table.tryGet(key, OutRef::int32(value)));
    EXPECT_EQ(value, 60);
  }
}

TEST(Image, OddRecordsAreReadSoundly) {
  Bytes image = header();
  appendText(image, "");  // empty key: adds nothing
  appendText(image, "ignored");
  appendText(image, "dup");
  appendText(image, "first");
  append32(image, 0);  // n = 0: another empty key, with an empty value
  append32(image, 0);
  append32(image, 3);  // a key without its zero byte
  image.insert(image.end(), {'x', 'y', 'z'});
  appendText(image, "no terminator");
  appendText(image, "dup");  // a repeated key keeps its place and takes the later value
  append32(image, 6);  // a value with bytes after its zero byte
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
  std::mt19937 random(5);
  HashTable table;
  fillWithSentinel(table);
  const Bytes sentinelImage = imageOf(table);
  for (int round = 0; round < 3000; ++round) {
    Bytes damaged = good;
    const int flips = 1 + static_cast<int>(random() % 4);
    for (int f = 0; f < flips; ++f) damaged[random() % damaged.size()] = static_cast<unsigned char>(random());
    if (random() % 3 == 0) damaged.resize(random() % damaged.size());
    // Exactly-sized heap copy, so the address sanitizer sees any overrun.
    std::vector<unsigned char> copy(damaged);
    if (table.deserialize(copy.data(), copy.size())) {
      EXPECT_LE(table.count(), 12u);
      ASSERT_TRUE(testing::initializeShortcutTable(table));
      table.set("keep", "me");
      table.set("and", "me too");
    } else {
      ASSERT_EQ(imageOf(table), sentinelImage) << round;
    }
  }
}

}  // namespace
}  // namespace corvalis
