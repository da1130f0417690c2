#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "test_support.h"

namespace corvalis {
namespace {

using testing::keyName;
using testing::keysOf;
using Strings = std::vector<std::string>;

TEST(Initialize, CapacityLoadFactorAndKindsAreCoerced) {
  const std::int32_t capacities[] = {0, 5, -5, 16, 31, 32, 100, 1025};
  const std::uint32_t buckets[] = {16, 16, 16, 16, 16, 32, 64, 1024};
  for (int i = 0; i < 8; ++i) {
    HashTable table;
    ASSERT_TRUE(table.initialize(KeyKind::Text, ValueKind::Text, TableSettings{.capacity = capacities[i]}));
    EXPECT_EQ(table.bucketCount(), buckets[i]) << capacities[i];
    EXPECT_EQ(HashTableInternals::growThreshold(table), buckets[i] * 3 / 4);
  }
  const float factors[] = {0.0f, 1.0f, 1e-8f, -0.5f, 1.5f, std::numeric_limits<float>::quiet_NaN(), 0.5f, 0.9f};
  const std::uint32_t thresholds[] = {12, 12, 12, 12, 12, 12, 8, 14};  // of 16 buckets
  for (int i = 0; i < 8; ++i) {
    HashTable table;
    ASSERT_TRUE(table.initialize(KeyKind::Text, ValueKind::Text, TableSettings{.loadFactor = factors[i]}));
    EXPECT_EQ(HashTableInternals::growThreshold(table), thresholds[i]) << factors[i];
  }
  const std::int32_t kinds[][2] = {{7, 1}, {99, 9}, {4, 4}, {11, 8}, {10, 99}};
  const std::int32_t coerced[][2] = {{3, 3}, {3, 3}, {4, 4}, {11, 8}, {10, 99}};
  for (int i = 0; i < 5; ++i) {
    HashTable table;
    ASSERT_TRUE(table.initialize(kinds[i][0], kinds[i][1]));
    EXPECT_EQ(static_cast<std::int32_t>(table.keyKind()), coerced[i][0]);
    EXPECT_EQ(static_cast<std::int32_t>(table.valueKind()), coerced[i][1]);
  }
}

TEST(Initialize, UnusableWithoutHeapAndUsableAgainAfterwards) {
  HashTable table;
  EXPECT_EQ(table.set("a", "b"), SetResult::Refused);  // not initialised yet
  for (int allowance : {0, 1}) {  // no bucket array; no pool record
    testing::CountedHeapScope counted(table, allowance);
    EXPECT_FALSE(table.initialize(KeyKind::Text, ValueKind::Text));
    EXPECT_EQ(HashTableInternals::privateHeap(table), nullptr);
  }
  ASSERT_TRUE(testing::initializeShortcutTable(table));
  EXPECT_EQ(HashTableInternals::shrinkAllowed(table), 1u);
  ASSERT_EQ(table.set("a", "b"), SetResult::Added);
  table.destroy();
  EXPECT_EQ(table.set("a", "b"), SetResult::Refused);
  EXPECT_TRUE(table.serialize().empty());
  ASSERT_TRUE(testing::initializeShortcutTable(table));
  EXPECT_FALSE(table.contains("a"));
}

TEST(Set, ResultCodesAndEmptyTexts) {
  HashTable table;
  ASSERT_TRUE(testing::initializeShortcutTable(table));
  EXPECT_EQ(table.set("a", "1"), SetResult::Added);
  EXPECT_EQ(table.set("b", ""), SetResult::Added);
  EXPECT_EQ(table.set("a", "3"), SetResult::Replaced);
  EXPECT_EQ(table.positionOf("a"), 1);
  EXPECT_EQ(table.set("a", "4", true), SetResult::Kept);
  EXPECT_STREQ(table.get("a").get(), "3");
  EXPECT_EQ(table.set("", "x"), SetResult::Refused);
  EXPECT_EQ(table.set(nullptr, "x"), SetResult::Refused);
  EXPECT_EQ(table.set(Datum::int32(5), Datum::text("x")), SetResult::Refused);  // not a text key
  EXPECT_EQ(table.setRaw("key-raw", 3, true, "raw", 3, true), SetResult::Added);
  EXPECT_EQ(table.set("Key", "upper"), SetResult::Added);  // case matters
  EXPECT_EQ(testing::valuesOf(table), (Strings{"3", "<null>", "raw", "upper"}));
  bool found = false;
  EXPECT_EQ(table.get("b", &found).get(), nullptr);
  EXPECT_TRUE(found);
  EXPECT_EQ(HashTableInternals::longestTextKey(table), 3u);
}

TEST(Growth, DoublesAtThe13thAnd25thAndHalvesOnTheWayDown) {
  HashTable table;
  ASSERT_TRUE(testing::initializeShortcutTable(table));
  for (int i = 1; i <= 25; ++i) {
    ASSERT_EQ(table.set(keyName(i).c_str(), "v"), SetResult::Added);
    ASSERT_EQ(table.bucketCount(), i <= 12 ? 16u : i <= 24 ? 32u : 64u) << i;
  }
  for (int i = 25; i >= 1; --i) {
    ASSERT_TRUE(table.contains(keyName(i).c_str()));
    ASSERT_TRUE(table.remove(keyName(i).c_str()));
    const int count = i - 1;
    ASSERT_EQ(table.bucketCount(), count > 8 ? 64u : count > 4 ? 32u : 16u) << count;
  }
  HashTable fixed;
  ASSERT_TRUE(fixed.initialize(KeyKind::Int32, ValueKind::Int32, TableSettings{.capacity = 256, .shrinkAllowed = false}));
  fixed.set(Datum::int32(1), Datum::int32(1));
  fixed.remove(Datum::int32(1));
  EXPECT_EQ(fixed.bucketCount(), 256u);  // shrinking not allowed
}

TEST(Growth, ATinyLoadFactorStopsAtFourBucketsPerEntryAndReloadsStably) {
  HashTable table;
  ASSERT_TRUE(table.initialize(KeyKind::Text, ValueKind::Text, TableSettings{.loadFactor = 1e-6f, .ordered = true}));
  for (int i = 1; i <= 40; ++i) ASSERT_EQ(table.set(keyName(i).c_str(), "v"), SetResult::Added);
  EXPECT_LE(table.bucketCount(), 4u * 40u * 2u);
  EXPECT_GE(table.bucketCount(), 4u * 40u);

  // Each reload starts from the saved bucket count; it must settle, not keep doubling.
  std::uint32_t previous = table.bucketCount();
  for (int round = 0; round < 4; ++round) {
    const ProcessHeapBytes image = table.serialize();
    ASSERT_TRUE(table.deserialize(image));
    ASSERT_EQ(table.count(), 40u);
    EXPECT_EQ(table.bucketCount(), previous) << round;
    previous = table.bucketCount();
  }
}

TEST(Failure, SetAndResizeChangeNothingWhenMemoryRunsOut) {
  // The 13th insertion with 0, 1, 2, ... allocations allowed either changes
  // nothing or adds the entry - with 16 buckets when only the new array is missing.
  const std::string big(3000, 'v');  // a value block beyond the pool
  bool addedWithoutGrowth = false;
  for (int allowance = 0; allowance < 6; ++allowance) {
    HashTable table;
    ASSERT_TRUE(testing::initializeShortcutTable(table));
    for (int i = 0; i < 12; ++i) table.set(keyName(i).c_str(), "x");
    const std::vector<unsigned char> before = testing::imageOf(table);
    SetResult result;
    {
      testing::CountedHeapScope counted(table, allowance);
      result = table.set("a new key", big.c_str());
      if (result == SetResult::Refused) {
        EXPECT_EQ(testing::CountingHeap::frees, testing::CountingHeap::allocations);  // all handed back
      }
    }
    if (result == SetResult::Refused) {
      EXPECT_EQ(testing::imageOf(table), before) << allowance;
      continue;
    }
    ASSERT_EQ(result, SetResult::Added);
    EXPECT_STREQ(table.get("a new key").get(), big.c_str());
    addedWithoutGrowth |= table.bucketCount() == 16;
  }
  EXPECT_TRUE(addedWithoutGrowth);

  HashTable table;
  ASSERT_TRUE(testing::initializeShortcutTable(table));
  table.set("k", "old");
  {
    testing::CountedHeapScope counted(table, 0);
    EXPECT_EQ(table.set("k", big.c_str()), SetResult::Refused);
    EXPECT_FALSE(table.resize(1024));
    EXPECT_FALSE(table.resize(48));
    EXPECT_TRUE(table.serialize().empty());
  }
  EXPECT_EQ(table.bucketCount(), 16u);
  EXPECT_STREQ(table.get("k").get(), "old");
}

TEST(Kinds, ScalarValuesRoundTripAndConvert) {
  const ValueKind kinds[] = {ValueKind::Int16, ValueKind::Int32, ValueKind::Int64, ValueKind::Float32,
                             ValueKind::Float64, ValueKind::Boolean, ValueKind::DateTime};
  const double stored[] = {-1234, -2000000000, -1e15, 2.5, 1e300, 7, 45000.5};
  const double readBack[] = {-1234, -2000000000, -1e15, 2.5, 1e300, 1, 45000.5};
  for (int i = 0; i < 7; ++i) {
    HashTable table;
    ASSERT_TRUE(table.initialize(KeyKind::Int64, kinds[i]));
    ASSERT_EQ(table.set(Datum::int64(1LL << 40), Datum::float64(stored[i])), SetResult::Added);
    double value = 0;
    ASSERT_TRUE(table.tryGet(Datum::int64(1LL << 40), OutRef::float64(value)));
    EXPECT_EQ(value, readBack[i]) << static_cast<int>(kinds[i]);
    EXPECT_FALSE(table.contains(Datum::int64((1LL << 40) + (1LL << 33))));  // other high half
    EXPECT_EQ(table.set(Datum::int64(2), Datum::text("x")), SetResult::Refused);
  }
}

TEST(Kinds, UnorderedListsFollowBucketOrder) {
  for (bool crc : testing::hashModes()) {
    testing::ScopedCpuFeatures features(true, crc, true);
    HashTable table;
    ASSERT_TRUE(table.initialize(KeyKind::Text, ValueKind::Text));
    Strings expected;
    for (int i = 0; i < 12; ++i) {
      expected.push_back(testing::numbered("name-", i * 13));
      table.set(expected.back().c_str(), "v");
    }
    // Without growth each chain keeps insertion order.
    std::stable_sort(expected.begin(), expected.end(), [&](const std::string& a, const std::string& b) {
      return (testing::referenceHash(a.data(), a.size(), crc) & 15) < (testing::referenceHash(b.data(), b.size(), crc) & 15);
    });
    EXPECT_EQ(keysOf(table), expected);
  }
}

// get of a text takes a road of its own in text- and byte-keyed tables; it must answer
// what the general get answers, for long chains (16 buckets kept), keys that are a
// prefix of a stored one, empty values and keys that are not there.
TEST(Lookup, TextGetAnswersAsTheGeneralGet) {
  for (KeyKind keys : {KeyKind::Text, KeyKind::Bytes}) {
    for (ValueKind values : {ValueKind::Text, ValueKind::Bytes, ValueKind::Int32}) {
      HashTable table;
      ASSERT_TRUE(table.initialize(keys, values, TableSettings{.loadFactor = 0.99f, .ordered = true}));
      std::vector<std::string> stored;
      for (int i = 0; i < 15; ++i) stored.push_back(std::string(1 + i % 9, static_cast<char>('a' + i)) + keyName(i));
      for (std::size_t i = 0; i < stored.size(); ++i) {
        const std::string value = i % 4 == 0 ? "" : "value of " + stored[i];
        if (values == ValueKind::Int32) table.set(Datum::text(stored[i].c_str()), Datum::int32(static_cast<std::int32_t>(i)));
        else table.set(Datum::text(stored[i].c_str()), Datum::text(value.c_str()));
      }
      ASSERT_EQ(table.bucketCount(), 16u);
      std::vector<std::string> asked = stored;
      for (const std::string& key : stored) {
        asked.push_back(key.substr(0, key.size() - 1));
        asked.push_back(key + "x");
      }
      asked.push_back("");
      for (const std::string& key : asked) {
        bool fastFound = !table.contains(key.c_str());
        ProcessHeapText fast = table.get(key.c_str(), &fastFound);
        bool generalFound = !fastFound;
        ProcessHeapText general;
        table.get(Datum::text(key.c_str()), OutRef::text(general), &generalFound);
        ASSERT_EQ(fastFound, generalFound) << key;
        ASSERT_EQ(fast.get() == nullptr, general.get() == nullptr) << key;
        if (fast.get() != nullptr) {
          ASSERT_STREQ(fast.get(), general.get()) << key;
        }
      }
      bool found = true;
      EXPECT_EQ(table.get(nullptr, &found).get(), nullptr);
      EXPECT_FALSE(found);
      if (values != ValueKind::Int32) {
        EXPECT_STREQ(table.get(stored[1].c_str()).get(), ("value of " + stored[1]).c_str());
      }
    }
  }
}

}  // namespace
}  // namespace corvalis
