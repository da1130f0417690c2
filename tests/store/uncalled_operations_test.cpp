// Tests of the table's operations that the program itself never calls: nothing else
// exercises them, so these are what keeps them working.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "test_support.h"

namespace corvalis {
namespace {

using testing::keyName;
using Strings = std::vector<std::string>;

TEST(Arithmetic, InTheValuesOwnType) {
  const struct {
    ValueKind kind;
    double start;
    Arithmetic op;
    double operand;
    bool ok;
    double result;
  } cases[] = {  // integers wrap; integer division by zero is refused
      {ValueKind::Int32, 10, Arithmetic::Add, 5, true, 15},
      {ValueKind::Int32, 7, Arithmetic::Divide, 0, false, 7},
      {ValueKind::Int32, 2147483647, Arithmetic::Add, 1, true, -2147483648.0},
      {ValueKind::Int32, -2147483648.0, Arithmetic::Divide, -1, true, -2147483648.0},
      {ValueKind::Int16, 300, Arithmetic::Multiply, 300, true, 24464},
      {ValueKind::Int64, 1e15, Arithmetic::Multiply, 1000, true, 1e18},
      {ValueKind::Float64, 7, Arithmetic::Divide, 2, true, 3.5},
      {ValueKind::Int32, 1, static_cast<Arithmetic>(4), 1, false, 1},
      {ValueKind::Boolean, 1, Arithmetic::Add, 1, false, 1},
  };
  for (const auto& c : cases) {
    HashTable table;
    ASSERT_TRUE(table.initialize(KeyKind::Int32, c.kind));
    table.set(Datum::int32(1), Datum::float64(c.start));
    double result = -999, stored = 0;
    EXPECT_EQ(table.applyArithmetic(Datum::int32(1), Datum::float64(c.operand), c.op, OutRef::float64(result)), c.ok);
    ASSERT_TRUE(table.tryGet(Datum::int32(1), OutRef::float64(stored)));
    EXPECT_EQ(stored, c.result) << static_cast<int>(c.kind) << " " << c.start;
    EXPECT_EQ(result, c.ok ? c.result : -999);
    EXPECT_FALSE(table.applyArithmetic(Datum::int32(2), Datum::int32(1), Arithmetic::Add));  // absent
  }
}

TEST(Lookup, KeysOfValueContainsValueAndGetDefaults) {
  HashTable table;
  ASSERT_TRUE(table.initialize(KeyKind::Text, ValueKind::Text));
  std::set<std::string> withX;
  for (int i = 0; i < 40; ++i) {
    table.set(keyName(i).c_str(), i % 3 != 0 ? "x" : "y");
    if (i % 3 != 0) withX.insert(keyName(i));
  }
  table.set("blank", "");
  ProcessHeapList keys;
  ASSERT_EQ(table.keysOfValue(Datum::text("x"), keys), withX.size());  // 26: the list grew past 16
  const Strings listed = testing::textList(keys);
  EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()), withX);
  EXPECT_EQ(table.keysOfValue(Datum::text("z"), keys), 0u);
  ASSERT_EQ(table.keysOfValue(Datum::absent(), keys), 1u);
  EXPECT_STREQ(keys.textAt(0), "blank");
  EXPECT_TRUE(table.containsValue(Datum::text("y")));
  EXPECT_FALSE(table.containsValue(Datum::text("xx")));

  HashTable numbers;
  ASSERT_TRUE(numbers.initialize(KeyKind::Int32, ValueKind::Float64));
  numbers.set(Datum::int32(1), Datum::float64(0.0));
  EXPECT_TRUE(numbers.containsValue(Datum::float64(-0.0)));  // numerically
  std::int32_t value = 77;
  bool found = true;
  numbers.get(Datum::int32(3), OutRef::int32(value), &found);
  EXPECT_FALSE(found);
  EXPECT_EQ(value, 0);  // get writes the default ...
  value = 77;
  EXPECT_FALSE(numbers.tryGet(Datum::int32(3), OutRef::int32(value)));
  EXPECT_EQ(value, 77);  // ... tryGet leaves the variable alone
}

TEST(Lookup, ContainsRawTakesKeysAsMemory) {
  HashTable table;
  EXPECT_FALSE(table.containsRaw("ab", 2));  // not initialised
  ASSERT_TRUE(table.initialize(KeyKind::Bytes, ValueKind::Int32));
  const char key[] = {'a', '\0', 'b'};
  ASSERT_EQ(table.set(Datum::bytes(key, 3), Datum::int32(1)), SetResult::Added);
  EXPECT_TRUE(table.containsRaw(key, 3));
  EXPECT_FALSE(table.containsRaw(key, 1));  // a prefix is another key
  EXPECT_FALSE(table.containsRaw(key, 0));
  EXPECT_FALSE(table.containsRaw(nullptr, 3));

  HashTable texts;
  ASSERT_TRUE(texts.initialize(KeyKind::Text, ValueKind::Text));
  texts.set("abc", "v");
  EXPECT_TRUE(texts.containsRaw("abcdef", 3));  // no terminator needed
  EXPECT_FALSE(texts.containsRaw("abcdef", 4));

  HashTable numbers;
  ASSERT_TRUE(numbers.initialize(KeyKind::Int32, ValueKind::Int32));
  numbers.set(Datum::int32(7), Datum::int32(7));
  const std::int32_t seven = 7;
  EXPECT_FALSE(numbers.containsRaw(&seven, sizeof seven));  // number keys are not taken as memory
}

TEST(Enumeration, VisitsEveryEntryOnceWhileTheCurrentOneIsRemoved) {
  HashTable table;
  ASSERT_TRUE(table.initialize(KeyKind::Int32, ValueKind::Int32, TableSettings{.capacity = 64, .shrinkAllowed = false}));
  const std::multiset<std::int32_t> all{0, 64, 128, 1, 65, 7};  // 0, 64, 128 share a chain; so do 1, 65
  for (std::int32_t key : all) table.set(Datum::int32(key), Datum::int32(-key));
  std::multiset<std::int32_t> seen;
  std::int32_t key = 0, value = 0;
  while (table.next(OutRef::int32(key), OutRef::int32(value))) {
    EXPECT_EQ(value, -key);
    seen.insert(key);
    if (key == 64 || key == 1 || key == 7) {
      EXPECT_TRUE(table.remove(Datum::int32(key)));
    }
  }
  EXPECT_EQ(seen, all);
  EXPECT_EQ(table.count(), 3u);
}

TEST(Enumeration, RewindStartsOverAndKeysOrValuesComeAlone) {
  HashTable table;
  ASSERT_TRUE(table.initialize(KeyKind::Int32, ValueKind::Int32));
  for (std::int32_t k : {1, 2, 3}) table.set(Datum::int32(k), Datum::int32(k * 10));
  std::int32_t key = 0, value = 0;
  std::vector<std::int32_t> keys, values;
  while (table.nextKey(OutRef::int32(key))) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::int32_t>{1, 2, 3}));  // a 32-bit key is its own hash: buckets 1, 2, 3
  EXPECT_FALSE(table.nextValue(OutRef::int32(value)));  // stays at the end until rewound
  table.rewind();
  while (table.nextValue(OutRef::int32(value))) values.push_back(value);
  EXPECT_EQ(values, (std::vector<std::int32_t>{10, 20, 30}));
  table.rewind();
  ProcessHeapText text;
  EXPECT_FALSE(table.nextKey(OutRef::text(text)));  // a number does not go to a text
  ASSERT_TRUE(table.nextKey(OutRef::int32(key)));  // ... and the refusal did not move on
  EXPECT_EQ(key, 1);
}

TEST(FindKey, FirstKeyAtWholeCharacters) {
  for (bool crc : testing::hashModes()) {
    testing::ScopedCpuFeatures features(true, crc, true);
    HashTable table;
    ASSERT_TRUE(table.initialize(KeyKind::Text, ValueKind::Text));
    EXPECT_EQ(table.findKeyInText("cd"), -1);  // no keys yet
    for (const char* key : {"cd", "ab", "abc", "\xB0\xA1"}) table.set(key, "v");
    const char* texts[] = {"xxcdab", "zabcd", "none", "", "\xC4\xB0\xA1z", "z\xB0\xA1", "\xC4\xC5\xB0\xA1"};
    const std::int32_t positions[] = {3, 2, -1, -1, -1, 2, 3};  // C4 B0 | A1 z: B0 A1 straddles two
    const char* found[] = {"cd", "ab", nullptr, nullptr, nullptr, "\xB0\xA1", "\xB0\xA1"};
    for (int i = 0; i < 7; ++i) {
      ProcessHeapText key;
      EXPECT_EQ(table.findKeyInText(texts[i], &key), positions[i]) << i;
      EXPECT_STREQ(key.get(), found[i]) << i;
    }
    ProcessHeapText key;
    std::uint32_t length = 0;
    EXPECT_EQ(table.findKeyInTextFrom("abXcd", 2, &key, &length), 4);
    EXPECT_STREQ(key.get(), "cd");
    EXPECT_EQ(length, 2u);
    EXPECT_EQ(table.findKeyInTextFrom("abXcd", -3), 1);
    EXPECT_EQ(table.findKeyInTextFrom("abXcd", 5), -1);
    EXPECT_EQ(table.findKeyInTextFrom("abXcd", 6), -1);
  }
}

class CountingHandler : public ObjectValueHandler {
 public:
  void* createDefault() override { return *live.insert(new int(0)).first; }
  void* duplicate(void* value) override { return *live.insert(new int(*static_cast<int*>(value))).first; }
  void release(void* value) override {
    live.erase(value);
    delete static_cast<int*>(value);
  }
  std::set<void*> live;
};

TEST(Objects, HandlerDuplicatesAndReleases) {
  CountingHandler handler;
  int one = 1, two = 2;
  {
    HashTable table;
    ASSERT_TRUE(table.initialize(KeyKind::Text, ValueKind::Object, TableSettings{.ordered = true}));
    EXPECT_EQ(table.set(Datum::text("a"), Datum::object(&one)), SetResult::Refused);  // no handler
    table.setObjectHandler(&handler);
    EXPECT_EQ(table.set(Datum::text("a"), Datum::object(&one)), SetResult::Added);
    EXPECT_EQ(table.set(Datum::text("b"), Datum::absent()), SetResult::Added);
    EXPECT_EQ(table.set(Datum::text("a"), Datum::object(&two)), SetResult::Replaced);
    EXPECT_EQ(handler.live.size(), 1u);  // the copy of one went back
    void* copy = nullptr;
    ASSERT_TRUE(table.getAt(1, OutRef(), OutRef::object(copy)));
    EXPECT_EQ(*static_cast<int*>(copy), 2);
    handler.release(copy);
    EXPECT_TRUE(table.serialize().empty());
  }
  EXPECT_TRUE(handler.live.empty());  // the table released what it held
}

TEST(Objects, ObjectValueGivesADuplicateOrANewDefault) {
  CountingHandler handler;
  int five = 5;
  {
    HashTable table;
    ASSERT_TRUE(table.initialize(KeyKind::Int32, ValueKind::Object));
    EXPECT_EQ(table.objectValue(Datum::int32(1)), nullptr);  // no handler
    table.setObjectHandler(&handler);
    table.setObjectHandler(nullptr);  // ignored: the handler stays
    ASSERT_EQ(table.set(Datum::int32(1), Datum::object(&five)), SetResult::Added);
    ASSERT_EQ(table.set(Datum::int32(2), Datum::absent()), SetResult::Added);
    void* copy = table.objectValue(Datum::int32(1));
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, &five);
    EXPECT_EQ(*static_cast<int*>(copy), 5);
    void* forNull = table.objectValue(Datum::int32(2));
    void* forAbsent = table.objectValue(Datum::int32(3));
    ASSERT_NE(forNull, nullptr);
    ASSERT_NE(forAbsent, nullptr);
    EXPECT_EQ(*static_cast<int*>(forNull), 0);
    EXPECT_EQ(*static_cast<int*>(forAbsent), 0);
    EXPECT_EQ(handler.live.size(), 4u);  // the stored copy and the three handed out
    for (void* object : {copy, forNull, forAbsent}) handler.release(object);
  }
  EXPECT_TRUE(handler.live.empty());

  HashTable texts;
  ASSERT_TRUE(texts.initialize(KeyKind::Text, ValueKind::Text));
  texts.setObjectHandler(&handler);
  EXPECT_EQ(texts.objectValue(Datum::text("a")), nullptr);  // not an object table
  EXPECT_TRUE(handler.live.empty());
}

TEST(PoolFunctions, ForwardToTheTable) {
  HashTable table;
  EXPECT_FALSE(setUpPool(table));  // no heap yet
  EXPECT_EQ(poolAllocate(table, 24), nullptr);
  ASSERT_TRUE(table.initialize(KeyKind::Text, ValueKind::Text, TableSettings{.directHeap = true}));
  EXPECT_EQ(HashTableInternals::pool(table), nullptr);
  EXPECT_TRUE(setUpPool(table));
  EXPECT_NE(HashTableInternals::pool(table), nullptr);
  void* first = poolAllocate(table, 24);
  void* second = poolAllocate(table, 24);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  poolRelease(table, first, 24);
  EXPECT_EQ(poolAllocate(table, 24), first);  // the freed slot is the lowest free one
}

}  // namespace
}  // namespace corvalis
