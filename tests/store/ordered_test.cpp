#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "hash_table_internals.h"
#include "test_support.h"

namespace corvalis {
namespace {

using testing::keysOf;
using testing::valuesOf;
using Strings = std::vector<std::string>;

std::vector<bool> hashModes() {
  std::vector<bool> modes{false};
  if (testing::processorHasCrc32c()) modes.push_back(true);
  return modes;
}

TEST(Ordered, SetAtAndRemoveMoveEntries) {
  for (bool crc : hashModes()) {
    testing::ScopedCpuFeatures features(true, crc, true);
    HashTable table;
    ASSERT_TRUE(testing::initializeShortcutTable(table));
    for (const char* key : {"A", "B", "C"}) ASSERT_EQ(table.set(key, key), SetResult::Added);
    ASSERT_EQ(keysOf(table), (Strings{"A", "B", "C"}));

    EXPECT_EQ(table.setAt("C", "c", 1), SetResult::Replaced);
    EXPECT_EQ(keysOf(table), (Strings{"C", "A", "B"}));
    EXPECT_EQ(valuesOf(table), (Strings{"c", "A", "B"}));
    EXPECT_EQ(table.setAt("D", "D", 2), SetResult::Added);
    EXPECT_EQ(keysOf(table), (Strings{"C", "D", "A", "B"}));
    EXPECT_EQ(table.setAt("E", "E", 0), SetResult::Added);
    EXPECT_EQ(keysOf(table), (Strings{"C", "D", "A", "B", "E"}));
    EXPECT_TRUE(table.remove("A"));
    EXPECT_EQ(keysOf(table), (Strings{"C", "D", "B", "E"}));
    for (int position = 1; position <= 4; ++position) {
      ProcessHeapText key, value;
      ASSERT_TRUE(table.getAt(position, &key, &value));
      EXPECT_EQ(table.positionOf(key.get()), position);
    }
    EXPECT_EQ(table.positionOf("A"), 0);
  }
}

TEST(Ordered, SetAtMovesBothWaysAndClampsTheTarget) {
  const struct {
    const char* key;
    std::int32_t position;
    bool keep;
    SetResult result;
    Strings after;
  } steps[] = {
      {"a", 4, false, SetResult::Replaced, {"b", "c", "d", "a", "e"}},
      {"e", 2, false, SetResult::Replaced, {"b", "e", "c", "d", "a"}},
      {"b", 99, false, SetResult::Replaced, {"e", "c", "d", "a", "b"}},  // beyond the end: last
      {"c", 0, false, SetResult::Replaced, {"e", "d", "a", "b", "c"}},   // 0: last
      {"c", -5, false, SetResult::Replaced, {"e", "d", "a", "b", "c"}},  // negative: last
      {"d", 1, true, SetResult::Kept, {"e", "d", "a", "b", "c"}},        // kept: nothing moves
      {"f", 1, false, SetResult::Added, {"f", "e", "d", "a", "b", "c"}},
      {"g", 6, false, SetResult::Added, {"f", "e", "d", "a", "b", "g", "c"}},
      {"h", 8, false, SetResult::Added, {"f", "e", "d", "a", "b", "g", "c", "h"}},
      {"", 1, false, SetResult::Refused, {"f", "e", "d", "a", "b", "g", "c", "h"}},
  };
  HashTable table;
  ASSERT_TRUE(testing::initializeShortcutTable(table));
  for (const char* key : {"a", "b", "c", "d", "e"}) table.set(key, "v");
  for (const auto& step : steps) {
    EXPECT_EQ(table.setAt(step.key, "w", step.position, step.keep), step.result) << step.key;
    EXPECT_EQ(keysOf(table), step.after) << step.key << " to " << step.position;
  }
}

TEST(Ordered, GetAtBounds) {
  HashTable table;
  ASSERT_TRUE(testing::initializeShortcutTable(table));
  table.set("one", "1");
  table.set("two", "2");
  ProcessHeapText key, value;
  EXPECT_FALSE(table.getAt(0, &key, &value));
  EXPECT_FALSE(table.getAt(3, &key, &value));
  EXPECT_FALSE(table.getAt(-1, &key, &value));
  EXPECT_FALSE(table.getAt(1, nullptr, nullptr));  // nothing asked for
  EXPECT_TRUE(table.getAt(2, nullptr, &value));
  EXPECT_STREQ(value.get(), "2");
  EXPECT_TRUE(table.getAt(1, &key, nullptr));
  EXPECT_STREQ(key.get(), "one");

  HashTable unordered;
  ASSERT_TRUE(unordered.initialize(KeyKind::Text, ValueKind::Text));
  unordered.set("one", "1");
  EXPECT_FALSE(unordered.getAt(1, &key, &value));
  EXPECT_EQ(unordered.setAt("two", "2", 1), SetResult::Refused);
  EXPECT_EQ(unordered.positionOf("one"), 0);
}

TEST(Ordered, PositionsDoNotDependOnTheHash) {
  Strings expected;
  for (int i = 0; i < 40; ++i) expected.push_back(testing::numbered("shortcut ", 39 - i));
  for (bool crc : hashModes()) {
    testing::ScopedCpuFeatures features(true, crc, true);
    HashTable table;
    ASSERT_TRUE(testing::initializeShortcutTable(table));
    for (const std::string& key : expected) ASSERT_EQ(table.set(key.c_str(), "p"), SetResult::Added);
    EXPECT_EQ(keysOf(table), expected);
  }
}

// The table against a plain vector of (key, value) in position order, with the
// bucket count followed by the growth and shrink rules.
class OrderedModel {
 public:
  std::vector<std::pair<std::string, std::string>> entries;
  std::uint32_t buckets = 16;

  int find(const std::string& key) const {
    for (std::size_t i = 0; i < entries.size(); ++i)
      if (entries[i].first == key) return static_cast<int>(i);
    return -1;
  }
  SetResult setAt(const std::string& key, const std::string& value, std::int32_t position, bool keep, bool move) {
    const int at = find(key);
    const auto wanted = static_cast<std::uint32_t>(position) - 1u;
    if (at >= 0) {
      if (keep) return SetResult::Kept;
      auto entry = entries[static_cast<std::size_t>(at)];
      entry.second = value;
      entries.erase(entries.begin() + at);
      std::size_t target = static_cast<std::size_t>(at);
      if (move) target = wanted < entries.size() + 1 ? wanted : entries.size();
      entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(target), entry);
      return SetResult::Replaced;
    }
    if (key.empty()) return SetResult::Refused;
    const std::size_t target = move && wanted < entries.size() ? wanted : entries.size();
    entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(target), {key, value});
    if (entries.size() > buckets * 3 / 4) buckets *= 2;
    return SetResult::Added;
  }
  bool remove(const std::string& key) {
    const int at = find(key);
    if (at < 0) return false;
    entries.erase(entries.begin() + at);
    const auto count = static_cast<std::uint32_t>(entries.size());
    if (buckets > 16 && (count == 0 || buckets / count >= 8)) buckets /= 2;
    return true;
  }
};

TEST(Ordered, RandomOperationsAgreeWithAPlainModel) {
  for (bool crc : hashModes()) {
    testing::ScopedCpuFeatures features(true, crc, true);
    std::mt19937 random(crc ? 2024 : 1999);
    HashTable table;
    ASSERT_TRUE(testing::initializeShortcutTable(table));
    OrderedModel model;
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (int step = 0; step < 4000; ++step) {
      // A key pool of 60 keeps the table between empty and ~50 entries, so it
      // grows and shrinks over and over.
      const int phase = (step / 500) % 2;
      const std::string key = pick(50) == 0 ? "" : testing::numbered("k", pick(60));
      const std::string value = pick(4) == 0 ? "" : testing::numbered("v", step);
      const int op = pick(10);
      if (op < 4 + 2 * phase) {
        const bool keep = pick(4) == 0;
        ASSERT_EQ(table.set(key.c_str(), value.c_str(), keep), model.setAt(key, value, 0, keep, false)) << step;
      } else if (op < 7) {
        const std::int32_t position = pick(static_cast<int>(model.entries.size()) + 3) - 1;
        const bool keep = pick(4) == 0;
        ASSERT_EQ(table.setAt(key.c_str(), value.c_str(), position, keep),
                  model.setAt(key, value, position, keep, true))
            << step << " " << key << " at " << position;
      } else {
        ASSERT_EQ(table.remove(key.c_str()), model.remove(key)) << step;
      }
      ASSERT_EQ(table.count(), model.entries.size()) << step;
      ASSERT_EQ(table.bucketCount(), model.buckets) << step;
      if (step % 25 == 0 || step > 3950) {
        Strings keys, values;
        for (const auto& entry : model.entries) {
          keys.push_back(entry.first);
          values.push_back(entry.second.empty() ? "<null>" : entry.second);
        }
        ASSERT_EQ(keysOf(table), keys) << step;
        ASSERT_EQ(valuesOf(table), values) << step;
        const int position = pick(static_cast<int>(model.entries.size()) + 2);
        ProcessHeapText key2, value2;
        const bool inRange = position >= 1 && position <= static_cast<int>(model.entries.size());
        ASSERT_EQ(table.getAt(position, &key2, &value2), inRange);
        if (inRange) {
          const auto& entry = model.entries[static_cast<std::size_t>(position - 1)];
          EXPECT_EQ(key2.c_str(), entry.first);
          EXPECT_EQ(value2.c_str(), entry.second);
          EXPECT_EQ(table.positionOf(entry.first.c_str()), position);
        }
      }
    }
  }
}

}  // namespace
}  // namespace corvalis
