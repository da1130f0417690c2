#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"

namespace corvalis {
namespace {

using testing::keysOf;
using Strings = std::vector<std::string>;

TEST(Ordered, SetAtAndRemoveMoveEntries) {
  for (bool crc : testing::hashModes()) {
    testing::ScopedCpuFeatures features(true, crc, true);
    HashTable table;
    ASSERT_TRUE(testing::initializeShortcutTable(table));
    for (const char* key : {"A", "B", "C"}) table.set(key, key);
    EXPECT_EQ(table.setAt("C", "c", 1), SetResult::Replaced);
    EXPECT_EQ(keysOf(table), (Strings{"C", "A", "B"}));
    EXPECT_EQ(table.setAt("D", "D", 2), SetResult::Added);
    EXPECT_EQ(keysOf(table), (Strings{"C", "D", "A", "B"}));
    EXPECT_EQ(table.setAt("E", "E", 0), SetResult::Added);
    EXPECT_EQ(keysOf(table), (Strings{"C", "D", "A", "B", "E"}));
    EXPECT_TRUE(table.remove("A"));
    EXPECT_EQ(keysOf(table), (Strings{"C", "D", "B", "E"}));
    EXPECT_EQ(testing::valuesOf(table), (Strings{"c", "D", "B", "E"}));
    EXPECT_EQ(table.positionOf("E"), 4);
    EXPECT_EQ(table.positionOf("A"), 0);
    ProcessHeapText key, value;
    for (std::int32_t position : {0, 5, -1}) EXPECT_FALSE(table.getAt(position, &key, &value)) << position;
    EXPECT_FALSE(table.getAt(1, nullptr, nullptr));  // nothing asked for
    EXPECT_TRUE(table.getAt(4, nullptr, &value));
    EXPECT_STREQ(value.get(), "E");
  }
  HashTable unordered;
  ASSERT_TRUE(unordered.initialize(KeyKind::Text, ValueKind::Text));
  unordered.set("one", "1");
  ProcessHeapText key;
  EXPECT_FALSE(unordered.getAt(1, &key, nullptr));
  EXPECT_EQ(unordered.setAt("two", "2", 1), SetResult::Refused);
}

TEST(Ordered, SetAtMovesBothWaysAndClampsTheTarget) {
  const struct {
    const char* key;
    std::int32_t position;
    bool keep;
    SetResult result;
    const char* after;
  } steps[] = {
      {"a", 4, false, SetResult::Replaced, "bcdae"}, {"e", 2, false, SetResult::Replaced, "becda"},
      {"b", 99, false, SetResult::Replaced, "ecdab"}, {"c", 0, false, SetResult::Replaced, "edabc"},
      {"d", 1, true, SetResult::Kept, "edabc"},      {"f", 1, false, SetResult::Added, "fedabc"},
      {"g", 6, false, SetResult::Added, "fedabgc"},  {"h", 8, false, SetResult::Added, "fedabgch"},
      {"", 1, false, SetResult::Refused, "fedabgch"},
  };
  HashTable table;
  ASSERT_TRUE(testing::initializeShortcutTable(table));
  for (const char* key : {"a", "b", "c", "d", "e"}) table.set(key, "v");
  for (const auto& step : steps) {
    EXPECT_EQ(table.setAt(step.key, "w", step.position, step.keep), step.result) << step.key;
    Strings expected;
    for (const char* c = step.after; *c != '\0'; ++c) expected.emplace_back(1, *c);
    EXPECT_EQ(keysOf(table), expected) << step.key << " to " << step.position;
  }
}

// The table against a vector of (key, value) in position order, with the bucket
// count following the growth and shrink rules.
struct Model {
  std::vector<std::pair<std::string, std::string>> entries;
  std::uint32_t buckets = 16;

  SetResult setAt(const std::string& key, const std::string& value, std::int32_t position, bool keep, bool move) {
    std::size_t at = 0;
    while (at < entries.size() && entries[at].first != key) ++at;
    const auto wanted = static_cast<std::uint32_t>(position) - 1u;
    if (at < entries.size()) {
      if (keep) return SetResult::Kept;
      entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(at));
      if (move) at = wanted < entries.size() + 1 ? wanted : entries.size();
      entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(at), {key, value});
      return SetResult::Replaced;
    }
    if (key.empty()) return SetResult::Refused;
    at = move && wanted < entries.size() ? wanted : entries.size();
    entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(at), {key, value});
    if (entries.size() > buckets * 3 / 4) buckets *= 2;
    return SetResult::Added;
  }
  bool remove(const std::string& key) {
    for (std::size_t at = 0; at < entries.size(); ++at) {
      if (entries[at].first != key) continue;
      entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(at));
      const auto count = static_cast<std::uint32_t>(entries.size());
      if (buckets > 16 && (count == 0 || buckets / count >= 8)) buckets /= 2;
      return true;
    }
    return false;
  }
};

TEST(Ordered, RandomOperationsAgreeWithAPlainModel) {
  for (bool crc : testing::hashModes()) {
    testing::ScopedCpuFeatures features(true, crc, true);
    std::mt19937 random(crc ? 2024 : 1999);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    HashTable table;
    ASSERT_TRUE(testing::initializeShortcutTable(table));
    Model model;
    int grew = 0, shrank = 0;
    for (int step = 0; step < 4000; ++step) {
      // 60 keys, in phases that favour adding or removing, so the table grows
      // and shrinks again and again.
      const std::string key = pick(50) == 0 ? "" : testing::numbered("k", pick(60));
      const std::string value = pick(4) == 0 ? "" : testing::numbered("v", step);
      const bool keep = pick(4) == 0;
      const int op = pick(10) + ((step / 400) % 2 == 0 ? -2 : 6);
      const std::uint32_t bucketsBefore = model.buckets;
      if (op < 4) {
        ASSERT_EQ(table.set(key.c_str(), value.c_str(), keep), model.setAt(key, value, 0, keep, false)) << step;
      } else if (op < 7) {
        const std::int32_t position = pick(static_cast<int>(model.entries.size()) + 3) - 1;
        ASSERT_EQ(table.setAt(key.c_str(), value.c_str(), position, keep), model.setAt(key, value, position, keep, true))
            << step;
      } else {
        ASSERT_EQ(table.remove(key.c_str()), model.remove(key)) << step;
      }
      ASSERT_EQ(table.count(), model.entries.size()) << step;
      ASSERT_EQ(table.bucketCount(), model.buckets) << step;
      grew += model.buckets > bucketsBefore;
      shrank += model.buckets < bucketsBefore;
      if (step % 25 != 0) continue;
      Strings keys, values;
      for (const auto& [k, v] : model.entries) {
        keys.push_back(k);
        values.push_back(v.empty() ? "<null>" : v);
      }
      ASSERT_EQ(keysOf(table), keys) << step;
      ASSERT_EQ(testing::valuesOf(table), values) << step;
      for (std::int32_t position = 1; position <= static_cast<std::int32_t>(keys.size()); position += 7) {
        ProcessHeapText k, v;
        ASSERT_TRUE(table.getAt(position, &k, &v));
        EXPECT_EQ(k.c_str(), keys[static_cast<std::size_t>(position - 1)]);
        EXPECT_EQ(table.positionOf(k.get()), position);
      }
    }
    EXPECT_GT(grew, 5);  // the run did exercise both directions
    EXPECT_GT(shrank, 5);
  }
}

}  // namespace
}  // namespace corvalis
