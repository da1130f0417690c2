// Ordered tables: each entry carries its 0-based position, and placing, moving or
// removing an entry shifts the others so that the positions stay 0 to count - 1.
#include "store/hash_table.h"
#include "store/hash_table_layout.h"

namespace corvalis {

using namespace table_detail;

void HashTable::shiftPositions(std::uint32_t from, std::uint32_t to, std::int32_t delta) {
  for (std::uint32_t b = 0; b < bucketCount_; ++b) {
    for (HashNode* node = buckets_[b]; node != nullptr; node = node->next) {
      const std::uint32_t position = positionOfNode(node);
      if (position >= from && position <= to) setPositionOfNode(node, position + static_cast<std::uint32_t>(delta));
    }
  }
}

SetResult HashTable::setAt(const Datum& key, const Datum& value, std::int32_t position, bool keepExisting) {
  if (buckets_ == nullptr || ordered_ == 0) return SetResult::Refused;
  if (valueKind_ == kObjectValue && objectHandler_ == nullptr) return SetResult::Refused;
  KeyProbe probe;
  if (!probeKey(key, probe)) return SetResult::Refused;
  PreparedValue prepared;
  if (!prepareValue(value, prepared)) return SetResult::Refused;
  return store(probe, prepared, keepExisting, true, position);
}

std::int32_t HashTable::positionOf(const Datum& key) const {
  if (buckets_ == nullptr || ordered_ == 0) return 0;
  KeyProbe probe;
  if (!probeKey(key, probe)) return 0;
  HashNode* node = findNode(probe, nullptr, nullptr);
  return node != nullptr ? static_cast<std::int32_t>(positionOfNode(node) + 1) : 0;
}

bool HashTable::getAt(std::int32_t position, const OutRef& key, const OutRef& value) const {
  if (buckets_ == nullptr || ordered_ == 0 || (!key.wanted() && !value.wanted())) return false;
  if (position < 1 || static_cast<std::uint32_t>(position) > count_) return false;
  if (!fits(key, keyDatumKind(keyKind_)) || !fits(value, valueDatumKind(valueKind_))) return false;
  const auto wanted = static_cast<std::uint32_t>(position - 1);
  for (std::uint32_t b = 0; b < bucketCount_; ++b) {
    for (HashNode* node = buckets_[b]; node != nullptr; node = node->next) {
      if (positionOfNode(node) != wanted) continue;
      return deliver(key, keyView(node)) && deliver(value, valueView(node));
    }
  }
  return false;
}

}  // namespace corvalis
