#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "hash_table_internals.h"
#include "test_support.h"

namespace corvalis {
namespace {

using testing::CountingHeap;
using testing::keysOf;
using testing::valuesOf;

std::string name(int i) { return testing::numbered("key", i); }

TEST(Initialize, CapacityIsRoundedDownToAPowerOfTwo) {
  const struct {
    std::optional<std::int32_t> capacity;
    std::uint32_t buckets, shift;
  } cases[] = {{std::nullopt, 16, 28}, {5, 16, 28},    {0, 16, 28},     {-5, 16, 28}, {16, 16, 28},
               {17, 16, 28},           {31, 16, 28},   {32, 32, 27},    {100, 64, 26}, {1024, 1024, 22},
               {1025, 1024, 22},       {65535, 32768, 17}};
  for (const auto& c : cases) {
    HashTable table;
    TableSettings settings;
    settings.capacity = c.capacity;
    ASSERT_TRUE(table.initialize(KeyKind::Text, ValueKind::Text, settings));
    EXPECT_EQ(table.bucketCount(), c.buckets) << c.capacity.value_or(-99);
    EXPECT_EQ(HashTableInternals::indexShift(table), c.shift);
    EXPECT_EQ(HashTableInternals::growThreshold(table), c.buckets * 3 / 4);
  }
}

TEST(Initialize, LoadFactorOutsideTheOpenUnitIntervalBecomesThreeQuarters) {
  const struct {
    std::optional<float> loadFactor;
    float expected;
    std::uint32_t threshold;  // of 16 buckets
  } cases[] = {{std::nullopt, 0.75f, 12},
               {0.0f, 0.75f, 12},
               {1.0f, 0.75f, 12},
               {1e-8f, 0.75f, 12},
               {0.99999999f, 0.75f, 12},
               {-0.5f, 0.75f, 12},
               {1.5f, 0.75f, 12},
               {std::numeric_limits<float>::quiet_NaN(), 0.75f, 12},
               {std::numeric_limits<float>::infinity(), 0.75f, 12},
               {0.5f, 0.5f, 8},
               {0.9f, 0.9f, 14},
               {0.01f, 0.01f, 0}};
  for (const auto& c : cases) {
    HashTable table;
    TableSettings settings;
    settings.loadFactor = c.loadFactor;
    ASSERT_TRUE(table.initialize(KeyKind::Text, ValueKind::Text, settings));
    EXPECT_EQ(HashTableInternals::loadFactor(table), c.expected) << c.loadFactor.value_or(-1);
    EXPECT_EQ(HashTableInternals::growThreshold(table), c.threshold) << c.loadFactor.value_or(-1);
  }
}

TEST(Initialize, UnknownKindsBecomeThirtyTwoBitIntegers) {
  const struct {
    std::int32_t keyKind, valueKind;
    KeyKind expectedKey;
    ValueKind expectedValue;
    std::uint32_t slot;
  } cases[] = {{7, 1, KeyKind::Int32, ValueKind::Int32, 4},
               {99, 9, KeyKind::Int32, ValueKind::Int32, 4},
               {0, -3, KeyKind::Int32, ValueKind::Int32, 4},
               {4, 4, KeyKind::Int64, ValueKind::Int64, 8},
               {11, 8, KeyKind::Bytes, ValueKind::DateTime, 8},
               {10, 6, KeyKind::Text, ValueKind::Float64, 8},
               {3, 2, KeyKind::Int32, ValueKind::Int16, 4},
               {3, 5, KeyKind::Int32, ValueKind::Float32, 4},
               {3, 7, KeyKind::Int32, ValueKind::Boolean, 4},
               {3, 10, KeyKind::Int32, ValueKind::Text, sizeof(void*)},
               {3, 99, KeyKind::Int32, ValueKind::Object, sizeof(void*)}};
  for (const auto& c : cases) {
    HashTable table;
    ASSERT_TRUE(table.initialize(c.keyKind, c.valueKind));
    EXPECT_EQ(table.keyKind(), c.expectedKey) << c.keyKind;
    EXPECT_EQ(table.valueKind(), c.expectedValue) << c.valueKind;
    EXPECT_EQ(HashTableInternals::valueSlotSize(table), c.slot) << c.valueKind;
  }
}

TEST(Initialize, ProgramTableDefaultsAndRepeatedInitialize) {
  HashTable table;
  EXPECT_EQ(table.set("a", "b"), SetResult::Refused);  // not initialised yet
  ASSERT_TRUE(testing::initializeShortcutTable(table));
  EXPECT_EQ(table.bucketCount(), 16u);
  EXPECT_EQ(HashTableInternals::growThreshold(table), 12u);
  EXPECT_EQ(HashTableInternals::shrinkAllowed(table), 1u);
  EXPECT_EQ(HashTableInternals::ordered(table), 1u);
  EXPECT_NE(HashTableInternals::pool(table), nullptr);
  ASSERT_EQ(table.set("a", "b"), SetResult::Added);
  ASSERT_TRUE(testing::initializeShortcutTable(table));  // starts empty again
  EXPECT_EQ(table.count(), 0u);
  EXPECT_FALSE(table.contains("a"));
}

TEST(Initialize, FailsWhenTheBucketArrayCannotBeHad) {
  HashTable table;
  CountingHeap::reset();
  CountingHeap::allocationsAllowed = 0;
  HashTableInternals::setHeapRoutines(table, &CountingHeap::allocate, &CountingHeap::free, &CountingHeap::reallocate);
  EXPECT_FALSE(table.initialize(KeyKind::Text, ValueKind::Text));
  EXPECT_EQ(HashTableInternals::privateHeap(table), nullptr);
  EXPECT_EQ(table.set("a", "b"), SetResult::Refused);
  // The pool record is the second block: without it the table is not usable either.
  CountingHeap::allocationsAllowed = 1;
  EXPECT_FALSE(table.initialize(KeyKind::Text, ValueKind::Text));
  EXPECT_EQ(HashTableInternals::privateHeap(table), nullptr);
  CountingHeap::allocationsAllowed = -1;
  EXPECT_TRUE(table.initialize(KeyKind::Text, ValueKind::Text));
}

TEST(Set, ResultCodes) {
  HashTable table;
  ASSERT_TRUE(testing::initializeShortcutTable(table));
  EXPECT_EQ(table.set("a", "1"), SetResult::Added);
  EXPECT_EQ(table.set("b", "2"), SetResult::Added);
  EXPECT_EQ(table.set("a", "3"), SetResult::Replaced);
  EXPECT_EQ(table.positionOf("a"), 1);  // replacing keeps the position
  EXPECT_EQ(table.set("a", "4", true), SetResult::Kept);
  EXPECT_STREQ(table.get("a").get(), "3");
  EXPECT_EQ(table.set("", "x"), SetResult::Refused);
  EXPECT_EQ(table.set(nullptr, "x"), SetResult::Refused);
  EXPECT_EQ(table.set(Datum::int32(5), Datum::text("x")), SetResult::Refused);  // wrong kind of key
  EXPECT_EQ(table.count(), 2u);
}

TEST(Set, EmptyValueIsStoredAsNullAndListedAsNull) {
  HashTable table;
  ASSERT_TRUE(testing::initializeShortcutTable(table));
  ASSERT_EQ(table.set("empty", ""), SetResult::Added);
  ASSERT_EQ(table.set("absent", nullptr), SetResult::Added);
  ASSERT_EQ(table.set("full", "x"), SetResult::Added);
  ProcessHeapList values;
  ASSERT_EQ(table.values(values), 3u);
  EXPECT_EQ(values.textAt(0), nullptr);
  EXPECT_EQ(values.textAt(1), nullptr);
  EXPECT_STREQ(values.textAt(2), "x");
  bool found = false;
  ProcessHeapText value = table.get("empty", &found);
  EXPECT_TRUE(found);
  EXPECT_EQ(value.get(), nullptr);
  value = table.get("nothing", &found);
  EXPECT_FALSE(found);
}

TEST(Set, LongTextsAndBinaryBytesRoundTrip) {
  HashTable table;
  ASSERT_TRUE(table.initialize(KeyKind::Bytes, ValueKind::Bytes));
  std::vector<unsigned char> key(3000), value(5000);
  for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<unsigned char>(i);
  for (std::size_t i = 0; i < value.size(); ++i) value[i] = static_cast<unsigned char>(i * 7);
  ASSERT_EQ(table.set(Datum::bytes(key.data(), key.size()), Datum::bytes(value.data(), value.size())),
            SetResult::Added);
  ProcessHeapBytes out;
  ASSERT_TRUE(table.tryGet(Datum::bytes(key.data(), key.size()), OutRef::bytes(out)));
  ASSERT_EQ(out.size(), value.size());
  EXPECT_TRUE(std::equal(value.begin(), value.end(), out.data()));
  key[2999] ^= 1;
  EXPECT_FALSE(table.contains(Datum::bytes(key.data(), key.size())));
  key[2999] ^= 1;
  EXPECT_TRUE(table.containsRaw(key.data(), key.size()));
  EXPECT_TRUE(table.remove(Datum::bytes(key.data(), key.size())));
  EXPECT_EQ(table.count(), 0u);
}

TEST(Set, TextKeysAreCaseSensitiveAndKeepEmbeddedHighBytes) {
  HashTable table;
  ASSERT_TRUE(testing::initializeShortcutTable(table));
  ASSERT_EQ(table.set("Key", "upper"), SetResult::Added);
  ASSERT_EQ(table.set("key", "lower"), SetResult::Added);
  ASSERT_EQ(table.set("\xCE\xC4\xBC\xFE", "gbk"), SetResult::Added);
  EXPECT_STREQ(table.get("Key").get(), "upper");
  EXPECT_STREQ(table.get("key").get(), "lower");
  EXPECT_STREQ(table.get("\xCE\xC4\xBC\xFE").get(), "gbk");
  EXPECT_EQ(table.setRaw("keyboard", 3, true, "raw", 3, true), SetResult::Replaced);
  EXPECT_STREQ(table.get("key").get(), "raw");
  EXPECT_EQ(HashTableInternals::longestTextKey(table), 4u);
}

TEST(Growth, FreshTableDoublesAtThe13thAnd25thEntry) {
  for (bool ordered : {false, true}) {
    HashTable table;
    TableSettings settings;
    settings.ordered = ordered;
    ASSERT_TRUE(table.initialize(KeyKind::Text, ValueKind::Text, settings));
    for (int i = 1; i <= 30; ++i) {
      ASSERT_EQ(table.set(name(i).c_str(), "v"), SetResult::Added);
      const std::uint32_t expected = i <= 12 ? 16 : i <= 24 ? 32 : 64;
      ASSERT_EQ(table.bucketCount(), expected) << i;
    }
    for (int i = 1; i <= 30; ++i) ASSERT_TRUE(table.contains(name(i).c_str())) << i;
  }
}

TEST(Growth, ShrinksByHalvingAndNeverBelowSixteen) {
  HashTable table;
  ASSERT_TRUE(testing::initializeShortcutTable(table));
  for (int i = 1; i <= 25; ++i) ASSERT_EQ(table.set(name(i).c_str(), "v"), SetResult::Added);
  ASSERT_EQ(table.bucketCount(), 64u);
  for (int i = 25; i >= 1; --i) {
    ASSERT_TRUE(table.remove(name(i).c_str()));
    const std::uint32_t count = static_cast<std::uint32_t>(i - 1);
    const std::uint32_t expected = count > 8 ? 64 : count > 4 ? 32 : 16;
    ASSERT_EQ(table.bucketCount(), expected) << "count " << count;
  }
  EXPECT_FALSE(table.remove(name(1).c_str()));
  EXPECT_EQ(table.bucketCount(), 16u);
}

TEST(Growth, NoShrinkingWhenNotAllowed) {
  HashTable table;
  TableSettings settings;
  settings.shrinkAllowed = false;
  settings.capacity = 256;
  ASSERT_TRUE(table.initialize(KeyKind::Int32, ValueKind::Int32, settings));
  for (int i = 0; i < 3; ++i) ASSERT_EQ(table.set(Datum::int32(i), Datum::int32(i)), SetResult::Added);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(table.remove(Datum::int32(i)));
  EXPECT_EQ(table.bucketCount(), 256u);
}

TEST(Growth, ResizeRefusesOddSizesAndKeepsOldArrayOnFailure) {
  HashTable table;
  ASSERT_TRUE(testing::initializeShortcutTable(table));
  for (int i = 0; i < 10; ++i) table.set(name(i).c_str(), name(i).c_str());
  EXPECT_FALSE(table.resize(48));
  EXPECT_FALSE(table.resize(8));
  EXPECT_TRUE(table.resize(16));
  CountingHeap::reset();
  CountingHeap::allocationsAllowed = 0;
  HashTableInternals::setHeapRoutines(table, &CountingHeap::allocate, &CountingHeap::free, &CountingHeap::reallocate);
  EXPECT_FALSE(table.resize(1024));
  CountingHeap::allocationsAllowed = -1;
  EXPECT_EQ(table.bucketCount(), 16u);
  for (int i = 0; i < 10; ++i) EXPECT_STREQ(table.get(name(i).c_str()).get(), name(i).c_str());
  EXPECT_TRUE(table.resize(1024));
  EXPECT_EQ(table.bucketCount(), 1024u);
  for (int i = 0; i < 10; ++i) EXPECT_STREQ(table.get(name(i).c_str()).get(), name(i).c_str());
}

TEST(Failure, SetChangesNothingWhenMemoryRunsOut) {
  // Try the 13th insertion with 0, 1, 2, ... allocations allowed: each attempt
  // either changes nothing or adds the entry; when only the bigger bucket array
  // is missing, the entry is added and the table keeps 16 buckets.
  const std::string bigValue(3000, 'v');  // a value block beyond the pool
  bool sawAddedWithoutGrowth = false;
  for (int allowed = 0; allowed < 10; ++allowed) {
    HashTable table;
    ASSERT_TRUE(testing::initializeShortcutTable(table));
    for (int i = 0; i < 12; ++i) ASSERT_EQ(table.set(name(i).c_str(), "x"), SetResult::Added);
    const std::vector<unsigned char> before = testing::imageOf(table);
    CountingHeap::reset();
    CountingHeap::allocationsAllowed = allowed;
    HashTableInternals::setHeapRoutines(table, &CountingHeap::allocate, &CountingHeap::free,
                                        &CountingHeap::reallocate);
    const SetResult result = table.set("a new key", bigValue.c_str());
    CountingHeap::allocationsAllowed = -1;
    if (result == SetResult::Refused) {
      // Whatever the attempt took from the heap went back.
      EXPECT_EQ(CountingHeap::frees, CountingHeap::allocations) << allowed;
      EXPECT_EQ(testing::imageOf(table), before) << allowed;
      continue;
    }
    ASSERT_EQ(result, SetResult::Added);
    EXPECT_EQ(table.count(), 13u);
    EXPECT_STREQ(table.get("a new key").get(), bigValue.c_str());
    if (table.bucketCount() == 16) {
      sawAddedWithoutGrowth = true;
    } else {
      EXPECT_EQ(table.bucketCount(), 32u);
    }
  }
  EXPECT_TRUE(sawAddedWithoutGrowth);
}

TEST(Failure, ReplacingKeepsTheOldValueWhenTheNewOneCannotBeStored) {
  HashTable table;
  ASSERT_TRUE(testing::initializeShortcutTable(table));
  ASSERT_EQ(table.set("k", "old"), SetResult::Added);
  CountingHeap::reset();
  CountingHeap::allocationsAllowed = 0;
  HashTableInternals::setHeapRoutines(table, &CountingHeap::allocate, &CountingHeap::free, &CountingHeap::reallocate);
  const std::string big(2000, 'n');
  EXPECT_EQ(table.set("k", big.c_str()), SetResult::Refused);
  EXPECT_EQ(table.setAt("k", big.c_str(), 1), SetResult::Refused);
  CountingHeap::allocationsAllowed = -1;
  EXPECT_STREQ(table.get("k").get(), "old");
  EXPECT_TRUE(table.serialize().size() > 0);
  // Copies for the caller need the process heap too.
  CountingHeap::allocationsAllowed = 0;
  EXPECT_TRUE(table.serialize().empty());
  ProcessHeapList list;
  EXPECT_EQ(table.keys(list), 0u);
  EXPECT_TRUE(list.empty());
  CountingHeap::allocationsAllowed = -1;
}

TEST(Kinds, EveryValueKindRoundTrips) {
  HashTable ints16, ints32, ints64, floats, doubles, flags, dates;
  ASSERT_TRUE(ints16.initialize(KeyKind::Int32, ValueKind::Int16));
  ASSERT_TRUE(ints32.initialize(KeyKind::Int32, ValueKind::Int32));
  ASSERT_TRUE(ints64.initialize(KeyKind::Int64, ValueKind::Int64));
  ASSERT_TRUE(floats.initialize(KeyKind::Int32, ValueKind::Float32));
  ASSERT_TRUE(doubles.initialize(KeyKind::Int64, ValueKind::Float64));
  ASSERT_TRUE(flags.initialize(KeyKind::Int32, ValueKind::Boolean));
  ASSERT_TRUE(dates.initialize(KeyKind::Text, ValueKind::DateTime));

  ASSERT_EQ(ints16.set(Datum::int32(-7), Datum::int16(-1234)), SetResult::Added);
  ASSERT_EQ(ints32.set(Datum::int32(7), Datum::int32(-2000000000)), SetResult::Added);
  ASSERT_EQ(ints64.set(Datum::int64(1LL << 40), Datum::int64(-(1LL << 50))), SetResult::Added);
  ASSERT_EQ(floats.set(Datum::int32(1), Datum::float32(2.5f)), SetResult::Added);
  ASSERT_EQ(doubles.set(Datum::int64(-1), Datum::float64(1e300)), SetResult::Added);
  ASSERT_EQ(flags.set(Datum::int32(1), Datum::boolean(true)), SetResult::Added);
  ASSERT_EQ(dates.set(Datum::text("d"), Datum::dateTime(45000.5)), SetResult::Added);

  std::int16_t i16 = 0;
  std::int32_t i32 = 0;
  std::int64_t i64 = 0;
  float f = 0;
  double d = 0, date = 0;
  bool flag = false;
  EXPECT_TRUE(ints16.tryGet(Datum::int32(-7), OutRef::int16(i16)));
  EXPECT_TRUE(ints32.tryGet(Datum::int32(7), OutRef::int32(i32)));
  EXPECT_TRUE(ints64.tryGet(Datum::int64(1LL << 40), OutRef::int64(i64)));
  EXPECT_TRUE(floats.tryGet(Datum::int32(1), OutRef::float32(f)));
  EXPECT_TRUE(doubles.tryGet(Datum::int64(-1), OutRef::float64(d)));
  EXPECT_TRUE(flags.tryGet(Datum::int32(1), OutRef::boolean(flag)));
  EXPECT_TRUE(dates.tryGet(Datum::text("d"), OutRef::dateTime(date)));
  EXPECT_EQ(i16, -1234);
  EXPECT_EQ(i32, -2000000000);
  EXPECT_EQ(i64, -(1LL << 50));
  EXPECT_EQ(f, 2.5f);
  EXPECT_EQ(d, 1e300);
  EXPECT_TRUE(flag);
  EXPECT_EQ(date, 45000.5);
  // A 64-bit key differing only in its high half is another key.
  EXPECT_FALSE(ints64.contains(Datum::int64((1LL << 40) + (1LL << 33))));
  // Numbers convert; a text cannot go into a number table or come out of one.
  EXPECT_TRUE(ints32.tryGet(Datum::float64(7.9), OutRef::float64(d)));
  EXPECT_EQ(d, -2000000000.0);
  EXPECT_EQ(ints32.set(Datum::int32(8), Datum::text("x")), SetResult::Refused);
  ProcessHeapText text;
  EXPECT_FALSE(ints32.tryGet(Datum::int32(7), OutRef::text(text)));
}

TEST(Kinds, FloatToIntegerConversionsSaturate) {
  HashTable table;
  ASSERT_TRUE(table.initialize(KeyKind::Int64, ValueKind::Int64));
  const struct {
    double in;
    std::int64_t stored;
  } cases[] = {{1e300, INT64_MAX}, {-1e300, INT64_MIN}, {std::nan(""), 0}, {-2.9, -2}, {3.9, 3}};
  for (const auto& c : cases) {
    const SetResult expected = table.count() == 0 ? SetResult::Added : SetResult::Replaced;
    ASSERT_EQ(table.set(Datum::int64(1), Datum::float64(c.in)), expected);
    std::int64_t out = 12345;
    ASSERT_TRUE(table.tryGet(Datum::int64(1), OutRef::int64(out)));
    EXPECT_EQ(out, c.stored) << c.in;
  }
}

TEST(Kinds, UnorderedKeysFollowBucketOrder) {
  // Without growth, chains keep insertion order, so the list is the keys sorted
  // (stably) by bucket index - computed here with the reference hashes.
  for (bool crc : {false, true}) {
    if (crc && !testing::processorHasCrc32c()) continue;
    testing::ScopedCpuFeatures features(true, crc, true);
    HashTable table;
    ASSERT_TRUE(table.initialize(KeyKind::Text, ValueKind::Text));
    std::vector<std::string> inserted;
    for (int i = 0; i < 12; ++i) {
      inserted.push_back(testing::numbered("name-", i * 13));
      ASSERT_EQ(table.set(inserted.back().c_str(), "v"), SetResult::Added);
    }
    std::vector<std::string> expected = inserted;
    std::stable_sort(expected.begin(), expected.end(), [&](const std::string& a, const std::string& b) {
      return (testing::referenceHash(a, crc) & 15) < (testing::referenceHash(b, crc) & 15);
    });
    EXPECT_EQ(keysOf(table), expected) << (crc ? "crc" : "h*31+b");
  }
}

TEST(Kinds, IntegerKeysAreTheirOwnHash) {
  HashTable table;
  ASSERT_TRUE(table.initialize(KeyKind::Int32, ValueKind::Int32));
  const std::int32_t keys[] = {33, 1, 17, -1, 2, 15};
  for (std::int32_t key : keys) ASSERT_EQ(table.set(Datum::int32(key), Datum::int32(key * 2)), SetResult::Added);
  ProcessHeapList list;
  ASSERT_EQ(table.keys(list), 6u);
  // Buckets: 33 -> 1, 1 -> 1, 17 -> 1, -1 -> 15, 2 -> 2, 15 -> 15.
  const std::int64_t expected[] = {33, 1, 17, 2, -1, 15};
  for (std::uint32_t i = 0; i < 6; ++i) EXPECT_EQ(list.integerAt(i), expected[i]) << i;
  ProcessHeapList values;
  ASSERT_EQ(table.values(values), 6u);
  for (std::uint32_t i = 0; i < 6; ++i) EXPECT_EQ(values.integerAt(i), expected[i] * 2) << i;
}

TEST(Arithmetic, EachOperationInTheValuesOwnType) {
  const struct {
    ValueKind kind;
    double start;
    Arithmetic op;
    double operand;
    bool ok;
    double result;
  } cases[] = {
      {ValueKind::Int32, 10, Arithmetic::Add, 5, true, 15},
      {ValueKind::Int32, 10, Arithmetic::Subtract, 15, true, -5},
      {ValueKind::Int32, -7, Arithmetic::Multiply, 6, true, -42},
      {ValueKind::Int32, 7, Arithmetic::Divide, 2, true, 3},
      {ValueKind::Int32, 7, Arithmetic::Divide, 0, false, 7},
      {ValueKind::Int32, 2147483647, Arithmetic::Add, 1, true, -2147483648.0},
      {ValueKind::Int32, -2147483648.0, Arithmetic::Divide, -1, true, -2147483648.0},
      {ValueKind::Int16, 32767, Arithmetic::Add, 1, true, -32768},
      {ValueKind::Int16, 300, Arithmetic::Multiply, 300, true, 24464},
      {ValueKind::Int64, 1e15, Arithmetic::Multiply, 1000, true, 1e18},
      {ValueKind::Int64, 5, Arithmetic::Divide, 0, false, 5},
      {ValueKind::Float32, 1.5, Arithmetic::Multiply, 3, true, 4.5},
      {ValueKind::Float64, 7, Arithmetic::Divide, 2, true, 3.5},
      {ValueKind::Float64, 1, Arithmetic::Subtract, 0.25, true, 0.75},
      {ValueKind::Int32, 1, static_cast<Arithmetic>(4), 1, false, 1},
  };
  for (const auto& c : cases) {
    HashTable table;
    ASSERT_TRUE(table.initialize(KeyKind::Int32, c.kind));
    ASSERT_EQ(table.set(Datum::int32(1), Datum::float64(c.start)), SetResult::Added);
    double result = -999;
    EXPECT_EQ(table.applyArithmetic(Datum::int32(1), Datum::float64(c.operand), c.op, OutRef::float64(result)), c.ok)
        << static_cast<int>(c.kind) << " " << c.start;
    double stored = 0;
    ASSERT_TRUE(table.tryGet(Datum::int32(1), OutRef::float64(stored)));
    EXPECT_EQ(stored, c.result) << static_cast<int>(c.kind) << " " << c.start;
    if (c.ok) {
      EXPECT_EQ(result, c.result);
    }
  }
  HashTable texts;
  ASSERT_TRUE(texts.initialize(KeyKind::Text, ValueKind::Text));
  texts.set("a", "1");
  EXPECT_FALSE(texts.applyArithmetic(Datum::text("a"), Datum::int32(1), Arithmetic::Add));
  HashTable flags;
  ASSERT_TRUE(flags.initialize(KeyKind::Int32, ValueKind::Boolean));
  flags.set(Datum::int32(1), Datum::boolean(true));
  EXPECT_FALSE(flags.applyArithmetic(Datum::int32(1), Datum::int32(1), Arithmetic::Add));
  HashTable ints;
  ASSERT_TRUE(ints.initialize(KeyKind::Int32, ValueKind::Int32));
  EXPECT_FALSE(ints.applyArithmetic(Datum::int32(1), Datum::int32(1), Arithmetic::Add));  // absent key
}

TEST(Lookup, ValuesAndKeysOfValue) {
  HashTable table;
  ASSERT_TRUE(table.initialize(KeyKind::Text, ValueKind::Text));
  std::set<std::string> withX;
  for (int i = 0; i < 40; ++i) {
    const bool x = i % 3 != 0;
    ASSERT_EQ(table.set(name(i).c_str(), x ? "x" : "y"), SetResult::Added);
    if (x) withX.insert(name(i));
  }
  ASSERT_EQ(table.set("blank", ""), SetResult::Added);
  ProcessHeapList keys;
  ASSERT_EQ(table.keysOfValue(Datum::text("x"), keys), withX.size());  // 26: the list grew past 16
  const std::vector<std::string> listed = testing::textList(keys);
  EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()), withX);
  EXPECT_EQ(table.keysOfValue(Datum::text("z"), keys), 0u);
  EXPECT_TRUE(keys.empty());
  ASSERT_EQ(table.keysOfValue(Datum::text(""), keys), 1u);
  EXPECT_STREQ(keys.textAt(0), "blank");
  EXPECT_TRUE(table.containsValue(Datum::text("y")));
  EXPECT_TRUE(table.containsValue(Datum::absent()));
  EXPECT_FALSE(table.containsValue(Datum::text("xx")));
  EXPECT_FALSE(table.containsValue(Datum::int32(1)));

  HashTable numbers;
  ASSERT_TRUE(numbers.initialize(KeyKind::Int32, ValueKind::Float64));
  numbers.set(Datum::int32(1), Datum::float64(0.0));
  numbers.set(Datum::int32(2), Datum::float64(std::nan("")));
  EXPECT_TRUE(numbers.containsValue(Datum::float64(-0.0)));  // compared numerically
  EXPECT_FALSE(numbers.containsValue(Datum::float64(std::nan(""))));
  EXPECT_EQ(numbers.keysOfValue(Datum::int32(0), keys), 1u);
  EXPECT_EQ(keys.integerAt(0), 1);
}

TEST(Lookup, GetWritesDefaultsAndTryGetLeavesTheVariable) {
  HashTable table;
  ASSERT_TRUE(table.initialize(KeyKind::Text, ValueKind::Int32));
  table.set(Datum::text("a"), Datum::int32(5));
  std::int32_t value = 77;
  bool found = true;
  table.get(Datum::text("b"), OutRef::int32(value), &found);
  EXPECT_FALSE(found);
  EXPECT_EQ(value, 0);
  value = 77;
  EXPECT_FALSE(table.tryGet(Datum::text("b"), OutRef::int32(value)));
  EXPECT_EQ(value, 77);
  table.get(Datum::text("a"), OutRef::int32(value), &found);
  EXPECT_TRUE(found);
  EXPECT_EQ(value, 5);
}

TEST(Enumeration, VisitsEveryEntryOnceEvenWhenTheCurrentOneIsRemoved) {
  HashTable table;
  ASSERT_TRUE(table.initialize(KeyKind::Int32, ValueKind::Int32, TableSettings{64, {}, false, false, false}));
  // Keys 0, 64, 128 share bucket 0; 1 and 65 share bucket 1.
  const std::int32_t keys[] = {0, 64, 128, 1, 65, 7};
  for (std::int32_t key : keys) table.set(Datum::int32(key), Datum::int32(-key));
  std::multiset<std::int32_t> seen;
  std::int32_t key = 0, value = 0;
  table.rewind();
  while (table.next(OutRef::int32(key), OutRef::int32(value))) {
    EXPECT_EQ(value, -key);
    seen.insert(key);
    if (key == 64 || key == 1 || key == 7) {
      EXPECT_TRUE(table.remove(Datum::int32(key)));
    }
  }
  EXPECT_EQ(seen, std::multiset<std::int32_t>(std::begin(keys), std::end(keys)));
  EXPECT_FALSE(table.nextKey(OutRef::int32(key)));
  table.rewind();
  std::multiset<std::int32_t> rest;
  while (table.nextKey(OutRef::int32(key))) rest.insert(key);
  EXPECT_EQ(rest, (std::multiset<std::int32_t>{0, 128, 65}));
  table.rewind();
  int values = 0;
  while (table.nextValue(OutRef::int32(value))) ++values;
  EXPECT_EQ(values, 3);
}

TEST(FindKey, FirstKeyStartingAtWholeCharacters) {
  for (bool crc : {false, true}) {
    if (crc && !testing::processorHasCrc32c()) continue;
    testing::ScopedCpuFeatures features(true, crc, true);
    HashTable table;
    ASSERT_TRUE(table.initialize(KeyKind::Text, ValueKind::Text));
    EXPECT_EQ(table.findKeyInText("anything"), -1);  // no keys yet
    table.set("cd", "1");
    table.set("ab", "2");
    table.set("abc", "3");
    table.set("\xB0\xA1", "4");  // a double-byte character
    ProcessHeapText key;
    const struct {
      const char* text;
      std::int32_t position;
      const char* key;
    } cases[] = {
        {"xxcdab", 3, "cd"},     {"zabcd", 2, "ab"},   {"nothing", -1, nullptr}, {"", -1, nullptr},
        {"\xC4\xB0\xA1z", -1, nullptr},  // B0 A1 straddles two characters
        {"z\xB0\xA1", 2, "\xB0\xA1"},    {"\xC4\xC5\xB0\xA1", 3, "\xB0\xA1"},
    };
    for (const auto& c : cases) {
      key.reset();
      EXPECT_EQ(table.findKeyInText(c.text, &key), c.position) << c.text;
      if (c.key != nullptr) {
        EXPECT_STREQ(key.get(), c.key) << c.text;
      }
    }
    EXPECT_EQ(table.findKeyInText(nullptr), -1);

    std::uint32_t length = 0;
    EXPECT_EQ(table.findKeyInTextFrom("abXcd", 2, &key, &length), 4);
    EXPECT_STREQ(key.get(), "cd");
    EXPECT_EQ(length, 2u);
    EXPECT_EQ(table.findKeyInTextFrom("abXcd", -3, nullptr, &length), 1);
    EXPECT_EQ(table.findKeyInTextFrom("abXcd", 0, nullptr, &length), 1);
    EXPECT_EQ(table.findKeyInTextFrom("abXcd", 5, nullptr, &length), -1);
    EXPECT_EQ(table.findKeyInTextFrom("abXcd", 6, nullptr, &length), -1);
  }
  HashTable numbers;
  ASSERT_TRUE(numbers.initialize(KeyKind::Int32, ValueKind::Int32));
  numbers.set(Datum::int32(1), Datum::int32(1));
  EXPECT_EQ(numbers.findKeyInText("1"), -1);
}

class CountingHandler : public ObjectValueHandler {
 public:
  void* createDefault() override {
    ++defaults;
    return track(new int(0));
  }
  void* duplicate(void* value) override {
    ++duplicates;
    return track(new int(*static_cast<int*>(value)));
  }
  void release(void* value) override {
    ++releases;
    live.erase(value);
    delete static_cast<int*>(value);
  }
  void* track(int* object) {
    live.insert(object);
    return object;
  }
  int defaults = 0, duplicates = 0, releases = 0;
  std::set<void*> live;
};

TEST(Objects, HandlerDuplicatesAndReleases) {
  CountingHandler handler;
  int one = 1, two = 2;
  {
    HashTable table;
    ASSERT_TRUE(table.initialize(KeyKind::Text, ValueKind::Object, TableSettings{{}, {}, {}, false, true}));
    EXPECT_EQ(table.set(Datum::text("a"), Datum::object(&one)), SetResult::Refused);  // no handler yet
    table.setObjectHandler(nullptr);
    EXPECT_EQ(table.set(Datum::text("a"), Datum::object(&one)), SetResult::Refused);
    table.setObjectHandler(&handler);
    EXPECT_EQ(table.set(Datum::text("a"), Datum::object(&one)), SetResult::Added);
    EXPECT_EQ(table.set(Datum::text("b"), Datum::absent()), SetResult::Added);
    EXPECT_EQ(table.set(Datum::text("a"), Datum::object(&two)), SetResult::Replaced);
    EXPECT_EQ(handler.duplicates, 2);
    EXPECT_EQ(handler.releases, 1);
    EXPECT_EQ(handler.live.size(), 1u);

    void* copy = nullptr;
    ASSERT_TRUE(table.getAt(1, OutRef(), OutRef::object(copy)));
    EXPECT_EQ(*static_cast<int*>(copy), 2);
    handler.release(copy);
    void* fallback = table.objectValue(Datum::text("b"));  // null value: a new default
    EXPECT_EQ(handler.defaults, 1);
    handler.release(fallback);
    {
      ProcessHeapList values;
      ASSERT_EQ(table.values(values), 2u);
      EXPECT_EQ(*static_cast<int*>(values.objectAt(0)), 2);
      EXPECT_EQ(values.objectAt(1), nullptr);
    }  // the list releases its duplicates
    EXPECT_EQ(handler.live.size(), 1u);
    EXPECT_TRUE(table.serialize().empty());  // objects have no serialised form
    EXPECT_FALSE(table.containsValue(Datum::object(&two)));
  }  // destroying the table releases what it holds
  EXPECT_TRUE(handler.live.empty());
}

TEST(Lifecycle, DestroyedTableRefusesEverything) {
  HashTable table;
  ASSERT_TRUE(testing::initializeShortcutTable(table));
  table.set("a", "b");
  table.destroy();
  EXPECT_EQ(table.bucketCount(), 0u);
  EXPECT_EQ(table.count(), 0u);
  EXPECT_EQ(table.set("a", "b"), SetResult::Refused);
  EXPECT_EQ(table.setAt("a", "b", 1), SetResult::Refused);
  EXPECT_FALSE(table.remove("a"));
  EXPECT_FALSE(table.contains("a"));
  ProcessHeapText key;
  EXPECT_FALSE(table.getAt(1, &key, nullptr));
  ProcessHeapList list;
  EXPECT_EQ(table.keys(list), 0u);
  EXPECT_TRUE(table.serialize().empty());
  EXPECT_FALSE(table.next(OutRef::text(key), OutRef()));
  table.destroy();  // twice is harmless
}

TEST(Lifecycle, ShallowCopySharesTheHeapUntilOneForgets) {
  HashTable original;
  ASSERT_TRUE(testing::initializeShortcutTable(original));
  original.set("a", "1");
  original.set("b", "2");
  {
    HashTable copy;
    ASSERT_TRUE(copy.initialize(KeyKind::Int32, ValueKind::Int32));  // replaced by the copy
    original.shallowCopy(copy);
    EXPECT_EQ(copy.count(), 2u);
    EXPECT_STREQ(copy.get("b").get(), "2");
    EXPECT_EQ(keysOf(copy), keysOf(original));
    copy.forget();
    EXPECT_EQ(copy.count(), 0u);
    EXPECT_EQ(HashTableInternals::privateHeap(copy), nullptr);
  }  // destroying the forgotten copy leaves the heap alone
  EXPECT_STREQ(original.get("a").get(), "1");
}

}  // namespace
}  // namespace corvalis
