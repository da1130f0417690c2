// What a table holds: whether a key is there, its size and kinds, and every key or
// value copied out as a list.
#include <cstring>

#include "store/hash_table.h"
#include "store/hash_table_layout.h"

namespace corvalis {

using namespace table_detail;

bool HashTable::contains(const Datum& key) const {
  KeyProbe probe;
  return buckets_ != nullptr && probeKey(key, probe) && findNode(probe, nullptr, nullptr) != nullptr;
}

std::uint32_t HashTable::bucketCount() const { return bucketCount_; }
std::uint32_t HashTable::count() const { return count_; }
KeyKind HashTable::keyKind() const { return static_cast<KeyKind>(keyKind_); }
ValueKind HashTable::valueKind() const { return static_cast<ValueKind>(valueKind_); }

// ---------------------------------------------------------------------------
// Lists

std::uint32_t HashTable::fillList(ProcessHeapList& list, bool wantKeys) const {
  if (buckets_ == nullptr) return 0;
  list.reset();
  if (count_ == 0) return 0;
  const DatumKind kind = wantKeys ? keyDatumKind(keyKind_) : valueDatumKind(valueKind_);
  const std::size_t elementSize = elementSizeFor(kind);
  if (!sizeFits(count_, elementSize)) return 0;
  auto* block = static_cast<unsigned char*>(processAllocate(count_ * elementSize, kHeapZeroMemory));
  if (block == nullptr) return 0;
  // The list owns whatever has been copied so far, so a failure part-way releases it.
  list.adopt(block, count_, kind, elementSize, kind == DatumKind::Object ? objectHandler_ : nullptr);

  std::uint32_t index = 0;
  for (std::uint32_t b = 0; b < bucketCount_; ++b) {
    for (HashNode* node = buckets_[b]; node != nullptr; node = node->next, ++index) {
      const std::uint32_t at = ordered_ != 0 ? positionOfNode(node) : index;
      if (at >= count_) continue;
      unsigned char* element = block + static_cast<std::size_t>(at) * elementSize;
      const StoredView view = wantKeys ? keyView(node) : valueView(node);
      switch (kind) {
        case DatumKind::Text: {
          if (view.length == 0) break;
          auto* copy = static_cast<char*>(processAllocate(static_cast<std::size_t>(view.length) + 1, 0));
          if (copy == nullptr) {
            list.reset();
            return 0;
          }
          std::memcpy(copy, view.data, view.length);
          copy[view.length] = '\0';
          storePointer(element, copy);
          break;
        }
        case DatumKind::Bytes: {
          if (view.length == 0) break;
          auto* copy = static_cast<unsigned char*>(processAllocate(static_cast<std::size_t>(view.length) + 4, 0));
          if (copy == nullptr) {
            list.reset();
            return 0;
          }
          store32(copy, view.length);
          std::memcpy(copy + 4, view.data, view.length);
          storePointer(element, copy);
          break;
        }
        case DatumKind::Object:
          if (view.object != nullptr && objectHandler_ != nullptr)
            storePointer(element, objectHandler_->duplicate(view.object));
          break;
        default:
          // Scalars go over as stored: a 32-bit key is its hash field.
          if (wantKeys) {
            if (keyKind_ == kInt64Key) std::memcpy(element, keyPart(node), 8);
            else store32(element, node->hash);
          } else {
            std::memcpy(element, valueSlot(node), elementSize);
          }
          break;
      }
    }
  }
  return count_;
}

std::uint32_t HashTable::keys(ProcessHeapList& list) const { return fillList(list, true); }
std::uint32_t HashTable::values(ProcessHeapList& list) const { return fillList(list, false); }

}  // namespace corvalis
