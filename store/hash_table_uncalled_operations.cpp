// The table's public operations that the program itself never calls, and the private
// helpers only they use. They stay part of the interface, tested, but apart from the
// code the program runs.
#include <cstring>

#include "store/hash_table.h"
#include "store/hash_table_layout.h"
#include "store/text_hash.h"

namespace corvalis {

using namespace table_detail;

// ---------------------------------------------------------------------------
// Setting from memory

SetResult HashTable::setRaw(const void* keyAddress, std::size_t keyLength, bool keyIsRaw, const void* valueAddress,
                            std::size_t valueLength, bool valueIsRaw, bool keepExisting) {
  const auto* keyBytes = static_cast<const unsigned char*>(keyAddress);
  const auto* valueBytes = static_cast<const unsigned char*>(valueAddress);
  Datum key;
  if (keyKind_ == kTextKey) {
    key = keyIsRaw ? Datum::textSpan(static_cast<const char*>(keyAddress), keyLength)
                   : Datum::text(static_cast<const char*>(keyAddress));
  } else if (isSpanKey(keyKind_)) {
    key = Datum::bytes(keyAddress, keyLength);
  } else if (keyBytes != nullptr) {
    key = keyKind_ == kInt64Key ? Datum::int64(static_cast<std::int64_t>(load64(keyBytes))) : Datum::int32(load32s(keyBytes));
  }

  Datum value;
  const DatumKind kind = valueDatumKind(valueKind_);
  if (kind == DatumKind::Text) {
    value = valueIsRaw ? Datum::textSpan(static_cast<const char*>(valueAddress), valueLength)
                       : Datum::text(static_cast<const char*>(valueAddress));
  } else if (kind == DatumKind::Bytes) {
    value = Datum::bytes(valueAddress, valueLength);
  } else if (valueBytes != nullptr) {
    switch (kind) {
      case DatumKind::Int16: {
        std::int16_t v;
        std::memcpy(&v, valueBytes, 2);
        value = Datum::int16(v);
        break;
      }
      case DatumKind::Int64:
        value = Datum::int64(static_cast<std::int64_t>(load64(valueBytes)));
        break;
      case DatumKind::Float32: {
        float v;
        std::memcpy(&v, valueBytes, 4);
        value = Datum::float32(v);
        break;
      }
      case DatumKind::Float64:
      case DatumKind::DateTime: {
        double v;
        std::memcpy(&v, valueBytes, 8);
        value = kind == DatumKind::DateTime ? Datum::dateTime(v) : Datum::float64(v);
        break;
      }
      case DatumKind::Object:
        value = Datum::object(loadPointer(valueBytes));
        break;
      default:
        value = kind == DatumKind::Boolean ? Datum::boolean(load32(valueBytes) != 0) : Datum::int32(load32s(valueBytes));
        break;
    }
  }
  return set(key, value, keepExisting);
}

// ---------------------------------------------------------------------------
// Lookups

bool HashTable::tryGet(const Datum& key, const OutRef& value) const {
  if (buckets_ == nullptr || !fits(value, valueDatumKind(valueKind_))) return false;
  KeyProbe probe;
  if (!probeKey(key, probe)) return false;
  HashNode* node = findNode(probe, nullptr, nullptr);
  return node != nullptr && deliver(value, valueView(node));
}

bool HashTable::probeRawKey(const void* address, std::size_t length, KeyProbe& probe) const {
  probe = KeyProbe{};
  if (!isSpanKey(keyKind_)) return false;
  if (address == nullptr || length == 0) return true;
  if (length > kLongestStoredLength) return false;
  probe.data = static_cast<const unsigned char*>(address);
  probe.length = static_cast<std::uint32_t>(length);
  probe.hash = hashBytes(address, length);
  return true;
}

bool HashTable::containsRaw(const void* address, std::size_t length) const {
  KeyProbe probe;
  return buckets_ != nullptr && probeRawKey(address, length, probe) && findNode(probe, nullptr, nullptr) != nullptr;
}

bool HashTable::valueEquals(HashNode* node, const Datum& value) const {
  const StoredView stored = valueView(node);
  if (isSpanKind(stored.kind)) {
    if (value.kind() != DatumKind::Absent && !isSpanKind(value.kind())) return false;
    const std::size_t length = value.kind() == DatumKind::Absent ? 0
                               : value.lengthKnown()            ? value.length()
                                                                : textLength(static_cast<const char*>(value.pointer()));
    if (length != stored.length) return false;
    return length == 0 || std::memcmp(stored.data, value.pointer(), length) == 0;
  }
  if (stored.kind == DatumKind::Object) return false;
  if (isRealKind(stored.kind)) {
    double real = 0;
    if (!datumToReal(value, real)) return false;
    if (stored.kind == DatumKind::Float32) return static_cast<float>(stored.real) == static_cast<float>(real);
    return stored.real == real;
  }
  // Integers compare as the table would store the given value.
  std::int64_t integer = 0;
  if (!datumToInteger(value, integer)) return false;
  switch (stored.kind) {
    case DatumKind::Int16:
      return stored.integer == static_cast<std::int16_t>(integer);
    case DatumKind::Int32:
      return stored.integer == static_cast<std::int32_t>(integer);
    case DatumKind::Boolean:
      return (stored.integer != 0) == (integer != 0);
    default:
      return stored.integer == integer;
  }
}

bool HashTable::containsValue(const Datum& value) const {
  if (buckets_ == nullptr || valueKind_ == kObjectValue) return false;
  for (std::uint32_t b = 0; b < bucketCount_; ++b)
    for (HashNode* node = buckets_[b]; node != nullptr; node = node->next)
      if (valueEquals(node, value)) return true;
  return false;
}

std::uint32_t HashTable::keysOfValue(const Datum& value, ProcessHeapList& keys) const {
  if (buckets_ == nullptr) return 0;
  keys.reset();
  if (valueKind_ == kObjectValue || count_ == 0) return 0;
  const DatumKind kind = keyDatumKind(keyKind_);
  const std::size_t elementSize = elementSizeFor(kind);
  // Starts with room for 16 keys and doubles whenever full; trimmed at the end.
  std::uint32_t room = 16;
  auto* block = static_cast<unsigned char*>(processAllocate(room * elementSize, kHeapZeroMemory));
  if (block == nullptr) return 0;
  keys.adopt(block, room, kind, elementSize, nullptr);
  std::uint32_t found = 0;
  for (std::uint32_t b = 0; b < bucketCount_; ++b) {
    for (HashNode* node = buckets_[b]; node != nullptr; node = node->next) {
      if (!valueEquals(node, value)) continue;
      if (found == room) {
        auto* grown = static_cast<unsigned char*>(
            heapReallocate_(processHeap_, kHeapZeroMemory, block, static_cast<std::size_t>(room) * 2 * elementSize));
        if (grown == nullptr) {
          keys.reset();
          return 0;
        }
        keys.release();
        block = grown;
        room *= 2;
        keys.adopt(block, room, kind, elementSize, nullptr);
      }
      unsigned char* element = block + static_cast<std::size_t>(found) * elementSize;
      const StoredView view = keyView(node);
      if (isSpanKind(kind)) {
        const std::size_t extra = kind == DatumKind::Text ? 1 : 4;
        auto* copy = static_cast<unsigned char*>(processAllocate(view.length + extra, 0));
        if (copy == nullptr) {
          keys.reset();
          return 0;
        }
        if (kind == DatumKind::Text) {
          std::memcpy(copy, view.data, view.length);
          copy[view.length] = 0;
        } else {
          store32(copy, view.length);
          std::memcpy(copy + 4, view.data, view.length);
        }
        storePointer(element, copy);
      } else if (kind == DatumKind::Int64) {
        std::memcpy(element, keyPart(node), 8);
      } else {
        store32(element, node->hash);
      }
      ++found;
    }
  }
  keys.release();
  if (found == 0) {
    processRelease(block);
    return 0;
  }
  if (found < room) {
    void* trimmed = heapReallocate_(processHeap_, 0, block, static_cast<std::size_t>(found) * elementSize);
    if (trimmed != nullptr) block = static_cast<unsigned char*>(trimmed);
  }
  keys.adopt(block, found, kind, elementSize, nullptr);
  return found;
}

// ---------------------------------------------------------------------------
// Arithmetic on stored numbers

bool HashTable::applyArithmetic(const Datum& key, const Datum& operand, Arithmetic operation, const OutRef& result) {
  if (buckets_ == nullptr) return false;
  const DatumKind kind = valueDatumKind(valueKind_);
  if (kind != DatumKind::Int16 && kind != DatumKind::Int32 && kind != DatumKind::Int64 &&
      kind != DatumKind::Float32 && kind != DatumKind::Float64)
    return false;
  const auto op = static_cast<std::int32_t>(operation);
  if (op < 0 || op > 3 || !fits(result, kind)) return false;
  KeyProbe probe;
  if (!probeKey(key, probe)) return false;
  HashNode* node = findNode(probe, nullptr, nullptr);
  if (node == nullptr) return false;
  unsigned char* slot = valueSlot(node);

  if (isRealKind(kind)) {
    double b = 0;
    if (!datumToReal(operand, b)) return false;
    if (kind == DatumKind::Float32) {
      float a;
      std::memcpy(&a, slot, 4);
      const auto f = static_cast<float>(b);
      a = op == 0 ? a + f : op == 1 ? a - f : op == 2 ? a * f : a / f;
      std::memcpy(slot, &a, 4);
    } else {
      double a;
      std::memcpy(&a, slot, 8);
      a = op == 0 ? a + b : op == 1 ? a - b : op == 2 ? a * b : a / b;
      std::memcpy(slot, &a, 8);
    }
  } else {
    std::int64_t b = 0;
    if (!datumToInteger(operand, b)) return false;
    if (kind == DatumKind::Int64) {
      const auto a = static_cast<std::int64_t>(load64(slot));
      std::uint64_t r;
      if (op == 3) {
        if (b == 0) return false;
        r = (b == -1) ? 0u - static_cast<std::uint64_t>(a) : static_cast<std::uint64_t>(a / b);
      } else {
        const auto ua = static_cast<std::uint64_t>(a), ub = static_cast<std::uint64_t>(b);
        r = op == 0 ? ua + ub : op == 1 ? ua - ub : ua * ub;
      }
      store64(slot, r);
    } else {
      // Int32 and Int16 both compute in 32 bits; Int16 keeps the low 16 bits.
      const std::int32_t a = kind == DatumKind::Int16 ? static_cast<std::int16_t>(load32s(slot)) : load32s(slot);
      const std::int32_t bb = kind == DatumKind::Int16 ? static_cast<std::int16_t>(b) : static_cast<std::int32_t>(b);
      std::uint32_t r;
      if (op == 3) {
        if (bb == 0) return false;
        r = (bb == -1) ? 0u - static_cast<std::uint32_t>(a) : static_cast<std::uint32_t>(a / bb);
      } else {
        const auto ua = static_cast<std::uint32_t>(a), ub = static_cast<std::uint32_t>(bb);
        r = op == 0 ? ua + ub : op == 1 ? ua - ub : ua * ub;
      }
      if (kind == DatumKind::Int16) r = static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int16_t>(r)));
      store32(slot, r);
    }
  }
  return deliver(result, valueView(node));
}

// ---------------------------------------------------------------------------
// Object values

void* HashTable::objectValue(const Datum& key) {
  if (buckets_ == nullptr || valueKind_ != kObjectValue || objectHandler_ == nullptr) return nullptr;
  KeyProbe probe;
  HashNode* node = probeKey(key, probe) ? findNode(probe, nullptr, nullptr) : nullptr;
  void* stored = node != nullptr ? loadPointer(valueSlot(node)) : nullptr;
  return stored != nullptr ? objectHandler_->duplicate(stored) : objectHandler_->createDefault();
}

void HashTable::setObjectHandler(ObjectValueHandler* handler) {
  if (handler != nullptr) objectHandler_ = handler;
}

// ---------------------------------------------------------------------------
// Enumeration

void HashTable::rewind() {
  cursorBucket_ = 0;
  cursorNode_ = nullptr;
}

bool HashTable::advanceCursor() {
  if (buckets_ == nullptr) return false;
  if (cursorNode_ != nullptr && cursorNode_->next != nullptr) {
    cursorNode_ = cursorNode_->next;
    return true;
  }
  while (cursorBucket_ < bucketCount_) {
    HashNode* head = buckets_[cursorBucket_++];
    if (head != nullptr) {
      cursorNode_ = head;
      return true;
    }
  }
  cursorNode_ = nullptr;
  return false;
}

bool HashTable::next(const OutRef& key, const OutRef& value) {
  if (!fits(key, keyDatumKind(keyKind_)) || !fits(value, valueDatumKind(valueKind_))) return false;
  if (!advanceCursor()) return false;
  return deliver(key, keyView(cursorNode_)) && deliver(value, valueView(cursorNode_));
}

bool HashTable::nextKey(const OutRef& key) { return next(key, OutRef()); }
bool HashTable::nextValue(const OutRef& value) { return next(OutRef(), value); }

// ---------------------------------------------------------------------------
// Finding keys in a text

std::int32_t HashTable::findKeyInText(const char* text, ProcessHeapText* key) const {
  return scanTextForKey(text, textLength(text), 0, key, nullptr);
}

std::int32_t HashTable::findKeyInTextFrom(const char* text, std::int32_t start, ProcessHeapText* key,
                                          std::uint32_t* length) const {
  const std::size_t textBytes = textLength(text);
  if (start <= 0) start = 1;
  if (static_cast<std::size_t>(start) > textBytes) return -1;
  return scanTextForKey(text, textBytes, static_cast<std::size_t>(start) - 1, key, length);
}

std::int32_t HashTable::scanTextForKey(const char* text, std::size_t textBytes, std::size_t from,
                                       ProcessHeapText* key, std::uint32_t* length) const {
  if (keyKind_ != kTextKey || buckets_ == nullptr || count_ == 0 || text == nullptr || textBytes == 0) return -1;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  // A byte of 0x80 or above starts a double-byte character (unless it is the last byte).
  auto characterLength = [&](std::size_t at) -> std::size_t {
    return bytes[at] >= 0x80 && at + 1 < textBytes ? 2 : 1;
  };
  for (std::size_t start = from; start < textBytes; start += characterLength(start)) {
    std::uint32_t hash = 0;
    std::size_t prefix = 0;
    for (std::size_t at = start; at < textBytes;) {
      const std::size_t step = characterLength(at);
      if (prefix + step > longestTextKey_) break;
      hash = hashKeyStep(hash, bytes + at, step, hasSse42_ != 0);
      prefix += step;
      at += step;
      KeyProbe probe;
      probe.hash = hash;
      probe.data = bytes + start;
      probe.length = static_cast<std::uint32_t>(prefix);
      if (findNode(probe, nullptr, nullptr) == nullptr) continue;
      if (key != nullptr) {
        key->reset();
        auto* copy = static_cast<char*>(processAllocate(prefix + 1, 0));
        if (copy != nullptr) {
          std::memcpy(copy, text + start, prefix);
          copy[prefix] = '\0';
          key->reset(copy);
        }
      }
      if (length != nullptr) *length = static_cast<std::uint32_t>(prefix);
      return static_cast<std::int32_t>(start + 1);
    }
  }
  return -1;
}

// ---------------------------------------------------------------------------
// Free-function forms of the pool operations

bool setUpPool(HashTable& table) { return table.setUpPool(); }
void* poolAllocate(HashTable& table, std::size_t size) { return table.poolAllocate(size); }
void poolRelease(HashTable& table, void* block, std::size_t size) { table.poolRelease(block, size); }

}  // namespace corvalis
