// The table itself: its life cycle, its heaps and pool, hashing and finding entries,
// and what set, get and remove do to an entry. Ordered positions, queries, the image
// and the operations the program never calls live in the other hash_table_*.cpp files.
#include "store/hash_table.h"

#include <cstring>

#include "store/hash_table_layout.h"
#include "store/platform_heap.h"
#include "store/text_hash.h"

namespace corvalis {

using namespace table_detail;

namespace {

constexpr std::uint32_t kSmallestBucketCount = 16;
constexpr std::uint32_t kLargestCapacityExponent = 30;
constexpr std::uint32_t kLargestBucketCount = 1u << 31;
constexpr float kDefaultLoadFactor = 0.75f;

}  // namespace

// ---------------------------------------------------------------------------
// Life cycle

HashTable::HashTable() noexcept { bindHeapAccess(*this); }

HashTable::~HashTable() { destroy(); }

void HashTable::shallowCopy(HashTable& target) const {
  if (&target == this) return;
  target.destroy();
  target.privateHeap_ = privateHeap_;
  target.buckets_ = buckets_;
  target.bucketCount_ = bucketCount_;
  target.loadFactor_ = loadFactor_;
  target.count_ = count_;
  target.growThreshold_ = growThreshold_;
  target.indexShift_ = indexShift_;
  target.keyKind_ = keyKind_;
  target.valueKind_ = valueKind_;
  target.heapAllocate_ = heapAllocate_;
  target.heapFree_ = heapFree_;
  target.cursorBucket_ = cursorBucket_;
  target.cursorNode_ = cursorNode_;
  target.objectHandler_ = objectHandler_;
  target.valueSlotSize_ = valueSlotSize_;
  target.shrinkAllowed_ = shrinkAllowed_;
  target.longestTextKey_ = longestTextKey_;
  target.hasSse42_ = hasSse42_;
  target.heapReallocate_ = heapReallocate_;
  target.pool_ = pool_;
  target.processHeap_ = processHeap_;
  target.directHeap_ = directHeap_;
  target.ordered_ = ordered_;
}

bool HashTable::initialize(std::int32_t keyKind, std::int32_t valueKind, const TableSettings& settings) {
  destroy();
  if (heapAllocate_ == nullptr || heapFree_ == nullptr || heapReallocate_ == nullptr) return false;
  HeapHandle heap = platform::createPrivateHeap();
  if (heap == nullptr) return false;

  keyKind_ = coerceKeyKind(keyKind);
  valueKind_ = coerceValueKind(valueKind);

  std::int32_t capacity = settings.capacity.value_or(0);
  if (capacity < static_cast<std::int32_t>(kSmallestBucketCount)) capacity = kSmallestBucketCount;
  std::uint32_t exponent = 31u - static_cast<std::uint32_t>(__builtin_clz(static_cast<std::uint32_t>(capacity)));
  if (exponent > kLargestCapacityExponent) exponent = kLargestCapacityExponent;
  const std::uint32_t buckets = 1u << exponent;

  // Written as negations so that NaN takes the default too.
  float loadFactor = settings.loadFactor.value_or(0.0f);
  const double factor = loadFactor;
  if (!(factor > 1e-7) || !(factor - 1.0 < -1e-7)) loadFactor = kDefaultLoadFactor;

  void* array = nullptr;
  if (sizeFits(buckets, sizeof(HashNode*)))
    array = heapAllocate_(heap, kHeapZeroMemory, static_cast<std::size_t>(buckets) * sizeof(HashNode*));
  if (array == nullptr) {
    platform::destroyPrivateHeap(heap);
    return false;
  }

  privateHeap_ = heap;
  buckets_ = static_cast<HashNode**>(array);
  shrinkAllowed_ = settings.shrinkAllowed.value_or(true) ? 1 : 0;
  bucketCount_ = buckets;
  loadFactor_ = loadFactor;
  count_ = 0;
  growThreshold_ = static_cast<std::uint32_t>(static_cast<double>(buckets) * static_cast<double>(loadFactor));
  indexShift_ = 32 - exponent;
  valueSlotSize_ = isWideValue(valueKind_) ? 8u
                   : (isSpanValue(valueKind_) || valueKind_ == kObjectValue) ? static_cast<std::uint32_t>(sizeof(void*))
                                                                              : 4u;
  cursorBucket_ = 0;
  cursorNode_ = nullptr;
  longestTextKey_ = 0;
  processHeap_ = platform::processHeap();
  directHeap_ = settings.directHeap ? 1 : 0;
  ordered_ = settings.ordered ? 1 : 0;
  if (directHeap_ == 0 && !setUpPool()) {
    destroy();
    return false;
  }
  return true;
}

void HashTable::destroy() {
  if (privateHeap_ != nullptr) {
    if (valueKind_ == kObjectValue && count_ > 0) releaseObjectValues();
    platform::destroyPrivateHeap(privateHeap_);
  }
  forget();
}

void HashTable::forget() {
  privateHeap_ = nullptr;
  buckets_ = nullptr;
  bucketCount_ = 0;
  count_ = 0;
  pool_ = nullptr;
  longestTextKey_ = 0;
  valueSlotSize_ = 0;
  cursorBucket_ = 0;
  cursorNode_ = nullptr;
  directHeap_ = 0;
  shrinkAllowed_ = 0;
  ordered_ = 0;
}

void HashTable::releaseObjectValues() {
  if (buckets_ == nullptr || objectHandler_ == nullptr) return;
  for (std::uint32_t b = 0; b < bucketCount_; ++b) {
    for (HashNode* node = buckets_[b]; node != nullptr; node = node->next) {
      void* object = loadPointer(valueSlot(node));
      if (object != nullptr) objectHandler_->release(object);
      storePointer(valueSlot(node), nullptr);
    }
  }
}

bool HashTable::resize(std::uint32_t newBucketCount) {
  if (buckets_ == nullptr) return false;
  if (newBucketCount == bucketCount_) return true;
  const std::uint32_t exponent = powerOfTwoExponent(newBucketCount);
  if (exponent < 4) return false;
  if (!sizeFits(newBucketCount, sizeof(HashNode*))) return false;
  auto** array = static_cast<HashNode**>(
      heapAllocate_(privateHeap_, kHeapZeroMemory, static_cast<std::size_t>(newBucketCount) * sizeof(HashNode*)));
  if (array == nullptr) return false;

  const std::uint32_t mask = newBucketCount - 1;
  for (std::uint32_t b = 0; b < bucketCount_; ++b) {
    HashNode* node = buckets_[b];
    while (node != nullptr) {
      HashNode* following = node->next;
      node->next = nullptr;
      HashNode** tail = &array[node->hash & mask];
      while (*tail != nullptr) tail = &(*tail)->next;
      *tail = node;
      node = following;
    }
  }
  heapFree_(privateHeap_, 0, buckets_);
  buckets_ = array;
  bucketCount_ = newBucketCount;
  indexShift_ = 32 - exponent;
  growThreshold_ = static_cast<std::uint32_t>(static_cast<float>(newBucketCount) * loadFactor_);
  cursorBucket_ = 0;
  cursorNode_ = nullptr;
  return true;
}

// ---------------------------------------------------------------------------
// Heap and pool

PoolHeap HashTable::privatePoolHeap() const { return PoolHeap{privateHeap_, heapAllocate_, heapFree_}; }

bool HashTable::setUpPool() {
  if (privateHeap_ == nullptr) return false;
  if (pool_ != nullptr) return true;
  pool_ = createSmallObjectPool(privatePoolHeap());
  return pool_ != nullptr;
}

void* HashTable::poolAllocate(std::size_t size) {
  if (privateHeap_ == nullptr) return nullptr;
  if (pool_ != nullptr) return corvalis::poolAllocate(*pool_, privatePoolHeap(), size);
  return heapAllocate_(privateHeap_, 0, size);
}

void HashTable::poolRelease(void* block, std::size_t size) {
  if (block == nullptr || privateHeap_ == nullptr) return;
  if (pool_ != nullptr) corvalis::poolRelease(*pool_, privatePoolHeap(), block, size);
  else heapFree_(privateHeap_, 0, block);
}

void* HashTable::processAllocate(std::size_t size, std::uint32_t flags) const {
  if (processHeap_ == nullptr || heapAllocate_ == nullptr) return nullptr;
  return heapAllocate_(processHeap_, flags, size);
}

void HashTable::processRelease(void* block) const {
  if (block != nullptr && processHeap_ != nullptr) heapFree_(processHeap_, 0, block);
}

// ---------------------------------------------------------------------------
// Hashing and finding entries

std::uint32_t HashTable::hashText(const char* text, std::uint32_t* length) const {
  const std::size_t n = textLength(text);
  if (length != nullptr) *length = static_cast<std::uint32_t>(n);
  return n == 0 ? 0 : hashBytes(text, n);
}

std::uint32_t HashTable::hashBytes(const void* data, std::size_t length) const {
  return hashKey(data, length, hasSse42_ != 0);
}

bool HashTable::bytesEqual(const void* a, const void* b, std::size_t length) const {
  return corvalis::bytesEqual(a, b, length);
}

std::size_t HashTable::textLength(const char* text) const { return corvalis::textLength(text); }

std::uint32_t HashTable::hashEightBytes(std::uint64_t value) const {
  return corvalis::hashEightBytes(value, hasSse42_ != 0);
}

std::uint32_t HashTable::powerOfTwoExponent(std::uint32_t n) const { return corvalis::powerOfTwoExponent(n); }

std::size_t HashTable::entrySize(HashNode* node) const {
  return sizeof(HashNode) + valueSlotSize_ + keyPartSize(node) + (ordered_ != 0 ? 4 : 0);
}

std::uint32_t HashTable::bucketIndex(std::uint32_t hash) const { return hash & (bucketCount_ - 1); }

bool HashTable::probeKey(const Datum& key, KeyProbe& probe) const {
  probe = KeyProbe{};
  if (isSpanKey(keyKind_)) {
    if (key.kind() == DatumKind::Absent) return true;
    if (!isSpanKind(key.kind())) return false;
    const auto* data = static_cast<const unsigned char*>(key.pointer());
    const std::size_t length = key.lengthKnown() ? key.length() : textLength(static_cast<const char*>(key.pointer()));
    // As probeRawKey, on the probe cleared above.
    if (data == nullptr || length == 0) return true;
    if (length > kLongestStoredLength) return false;
    probe.data = data;
    probe.length = static_cast<std::uint32_t>(length);
    probe.hash = hashBytes(data, length);
    return true;
  }
  std::int64_t value = 0;
  if (!datumToInteger(key, value)) return false;
  if (keyKind_ == kInt64Key) {
    probe.wide = static_cast<std::uint64_t>(value);
    probe.hash = hashEightBytes(probe.wide);
  } else {
    probe.hash = static_cast<std::uint32_t>(value);
  }
  return true;
}

HashNode* HashTable::findNode(const KeyProbe& probe, HashNode** previous, HashNode** last) const {
  if (buckets_ == nullptr) return nullptr;
  const bool spanKey = isSpanKey(keyKind_);
  // An empty text or byte-string key matches nothing.
  const bool canMatch = !spanKey || probe.length != 0;
  HashNode* before = nullptr;
  for (HashNode* node = buckets_[bucketIndex(probe.hash)]; node != nullptr; node = node->next) {
    if (canMatch && node->hash == probe.hash) {
      bool match;
      if (keyKind_ == kInt32Key) match = true;
      else if (keyKind_ == kInt64Key) match = load64(keyPart(node)) == probe.wide;
      else
        match = storedKeyLength(node) == probe.length && bytesEqual(keyPart(node) + 4, probe.data, probe.length);
      if (match) {
        if (previous != nullptr) *previous = before;
        return node;
      }
    }
    before = node;
  }
  if (last != nullptr) *last = before;
  return nullptr;
}

HashNode* HashTable::findSpanKey(const void* data, std::size_t length) const {
  if (length == 0) return nullptr;
  const std::uint32_t hash = hashKey(data, length, hasSse42_ != 0);
  for (HashNode* node = buckets_[bucketIndex(hash)]; node != nullptr; node = node->next) {
    if (node->hash != hash) continue;
    const unsigned char* stored = keyPart(node);
    if (load32(stored) == length && corvalis::bytesEqual(stored + 4, data, length)) return node;
  }
  return nullptr;
}

// ---------------------------------------------------------------------------
// Values

bool HashTable::prepareValue(const Datum& value, PreparedValue& prepared) {
  prepared = PreparedValue{};
  const DatumKind kind = valueDatumKind(valueKind_);
  if (isSpanKind(kind)) {
    if (value.kind() == DatumKind::Absent) return true;
    if (!isSpanKind(value.kind())) return false;
    const std::size_t length =
        value.lengthKnown() ? value.length() : textLength(static_cast<const char*>(value.pointer()));
    if (length == 0) return true;  // empty is stored as null
    if (length > kLongestStoredLength) return false;
    auto* block = static_cast<unsigned char*>(poolAllocate(length + 4));
    if (block == nullptr) return false;
    store32(block, static_cast<std::uint32_t>(length));
    std::memcpy(block + 4, value.pointer(), length);
    prepared.block = block;
    prepared.blockSize = length + 4;
    storePointer(prepared.slot, block);
    return true;
  }
  if (kind == DatumKind::Object) {
    if (value.kind() == DatumKind::Absent) return true;
    if (value.kind() != DatumKind::Object || objectHandler_ == nullptr) return false;
    if (value.pointer() != nullptr) {
      prepared.object = objectHandler_->duplicate(const_cast<void*>(value.pointer()));
      storePointer(prepared.slot, prepared.object);
    }
    return true;
  }
  if (isRealKind(kind)) {
    double real = 0;
    if (!datumToReal(value, real)) return false;
    if (kind == DatumKind::Float32) {
      const auto single = static_cast<float>(real);
      std::memcpy(prepared.slot, &single, 4);
    } else {
      std::memcpy(prepared.slot, &real, 8);
    }
    return true;
  }
  std::int64_t integer = 0;
  if (!datumToInteger(value, integer)) return false;
  switch (kind) {
    case DatumKind::Int64:
      store64(prepared.slot, static_cast<std::uint64_t>(integer));
      break;
    case DatumKind::Int16:
      store32(prepared.slot, static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int16_t>(integer))));
      break;
    case DatumKind::Boolean:
      store32(prepared.slot, integer != 0 ? 1u : 0u);
      break;
    default:
      store32(prepared.slot, static_cast<std::uint32_t>(integer));
      break;
  }
  return true;
}

void HashTable::discardPrepared(PreparedValue& prepared) {
  if (prepared.block != nullptr) poolRelease(prepared.block, prepared.blockSize);
  if (prepared.object != nullptr && objectHandler_ != nullptr) objectHandler_->release(prepared.object);
  prepared = PreparedValue{};
}

void HashTable::releaseStoredValue(HashNode* node) {
  if (isSpanValue(valueKind_)) {
    auto* block = static_cast<unsigned char*>(loadPointer(valueSlot(node)));
    if (block != nullptr) poolRelease(block, static_cast<std::size_t>(load32(block)) + 4);
  } else if (valueKind_ == kObjectValue) {
    void* object = loadPointer(valueSlot(node));
    if (object != nullptr && objectHandler_ != nullptr) objectHandler_->release(object);
  }
}

void HashTable::storePrepared(HashNode* node, const PreparedValue& prepared) {
  std::memcpy(valueSlot(node), prepared.slot, valueSlotSize_);
}

bool HashTable::deliver(const OutRef& out, const StoredView& view) const {
  if (!out.wanted()) return true;
  switch (out.kind()) {
    case DatumKind::Text: {
      auto& variable = *static_cast<ProcessHeapText*>(out.target());
      variable.reset();
      if (view.length == 0) return true;
      auto* copy = static_cast<char*>(processAllocate(static_cast<std::size_t>(view.length) + 1, 0));
      if (copy == nullptr) return false;
      std::memcpy(copy, view.data, view.length);
      copy[view.length] = '\0';
      variable.reset(copy);
      return true;
    }
    case DatumKind::Bytes: {
      auto& variable = *static_cast<ProcessHeapBytes*>(out.target());
      variable.reset();
      if (view.length == 0) return true;
      void* copy = processAllocate(view.length, 0);
      if (copy == nullptr) return false;
      std::memcpy(copy, view.data, view.length);
      variable.reset(copy, view.length);
      return true;
    }
    case DatumKind::Int16:
      *static_cast<std::int16_t*>(out.target()) = static_cast<std::int16_t>(view.asInteger());
      return true;
    case DatumKind::Int32:
      *static_cast<std::int32_t*>(out.target()) = static_cast<std::int32_t>(view.asInteger());
      return true;
    case DatumKind::Int64:
      *static_cast<std::int64_t*>(out.target()) = view.asInteger();
      return true;
    case DatumKind::Boolean:
      *static_cast<bool*>(out.target()) = view.asBoolean();
      return true;
    case DatumKind::Float32:
      *static_cast<float*>(out.target()) = static_cast<float>(view.asReal());
      return true;
    case DatumKind::Float64:
    case DatumKind::DateTime:
      *static_cast<double*>(out.target()) = view.asReal();
      return true;
    case DatumKind::Object: {
      void*& variable = *static_cast<void**>(out.target());
      if (objectHandler_ == nullptr) variable = nullptr;
      else variable = view.object != nullptr ? objectHandler_->duplicate(view.object) : objectHandler_->createDefault();
      return true;
    }
    case DatumKind::Absent:
      break;
  }
  return false;
}

// What get writes for an absent key: no text, no bytes, 0, or no object.
bool HashTable::deliverValueOrDefault(const OutRef& out) const {
  if (!out.wanted()) return true;
  switch (out.kind()) {
    case DatumKind::Text:
      static_cast<ProcessHeapText*>(out.target())->reset();
      return true;
    case DatumKind::Bytes:
      static_cast<ProcessHeapBytes*>(out.target())->reset();
      return true;
    case DatumKind::Object:
      *static_cast<void**>(out.target()) = nullptr;
      return true;
    default: {
      StoredView zero;
      zero.kind = DatumKind::Int64;
      return deliver(out, zero);
    }
  }
}

// ---------------------------------------------------------------------------
// Adding, moving and removing

HashNode* HashTable::createNode(const KeyProbe& probe, std::uint32_t position) {
  const std::size_t size =
      sizeof(HashNode) + valueSlotSize_ + keyPartSizeFor(keyKind_, probe.length) + (ordered_ != 0 ? 4 : 0);
  auto* node = static_cast<HashNode*>(poolAllocate(size));
  if (node == nullptr) return nullptr;
  node->hash = probe.hash;
  node->next = nullptr;
  std::memset(valueSlot(node), 0, valueSlotSize_);
  unsigned char* key = keyPart(node);
  if (keyKind_ == kInt64Key) {
    store64(key, probe.wide);
  } else if (isSpanKey(keyKind_)) {
    store32(key, probe.length);
    std::memcpy(key + 4, probe.data, probe.length);
    if (keyKind_ == kTextKey) key[4 + probe.length] = 0;
  }
  if (ordered_ != 0) setPositionOfNode(node, position);
  return node;
}

void HashTable::growIfNeeded() {
  // A failed growth keeps the old array: the table stays correct, only fuller.
  // Four buckets per entry is plenty: with a tiny load factor (a damaged file can
  // carry one) the threshold would otherwise double the array on every insertion
  // and every reload. For load factors of 0.25 and above this never holds back.
  if (count_ > growThreshold_ && bucketCount_ < kLargestBucketCount && bucketCount_ / 4u < count_) {
    resize(bucketCount_ * 2);
  }
}

SetResult HashTable::store(const KeyProbe& probe, PreparedValue& prepared, bool keepExisting, bool moveTo,
                           std::int32_t position) {
  HashNode* previous = nullptr;
  HashNode* last = nullptr;
  HashNode* node = findNode(probe, &previous, &last);
  const auto wanted = static_cast<std::uint32_t>(position) - 1u;  // 0 and beyond the end: the end
  if (node != nullptr) {
    if (keepExisting) {
      discardPrepared(prepared);
      return SetResult::Kept;
    }
    releaseStoredValue(node);
    storePrepared(node, prepared);
    if (moveTo) {
      const std::uint32_t target = wanted < count_ ? wanted : count_ - 1;
      const std::uint32_t current = positionOfNode(node);
      if (target < current) shiftPositions(target, current - 1, +1);
      else if (target > current) shiftPositions(current + 1, target, -1);
      setPositionOfNode(node, target);
    }
    return SetResult::Replaced;
  }

  if (isSpanKey(keyKind_) && probe.length == 0) {
    discardPrepared(prepared);
    return SetResult::Refused;
  }
  const std::uint32_t target = moveTo && wanted < count_ ? wanted : count_;
  HashNode* created = createNode(probe, target);
  if (created == nullptr) {
    discardPrepared(prepared);
    return SetResult::Refused;
  }
  if (ordered_ != 0 && target < count_) shiftPositions(target, UINT32_MAX, +1);
  if (last != nullptr) last->next = created;
  else buckets_[bucketIndex(probe.hash)] = created;
  if (keyKind_ == kTextKey && probe.length > longestTextKey_) longestTextKey_ = probe.length;
  storePrepared(created, prepared);
  ++count_;
  growIfNeeded();
  return SetResult::Added;
}

SetResult HashTable::set(const Datum& key, const Datum& value, bool keepExisting) {
  if (buckets_ == nullptr) return SetResult::Refused;
  if (valueKind_ == kObjectValue && objectHandler_ == nullptr) return SetResult::Refused;
  KeyProbe probe;
  if (!probeKey(key, probe)) return SetResult::Refused;
  PreparedValue prepared;
  if (!prepareValue(value, prepared)) return SetResult::Refused;
  return store(probe, prepared, keepExisting, false, 0);
}

bool HashTable::remove(const Datum& key) {
  if (buckets_ == nullptr || count_ == 0) return false;
  KeyProbe probe;
  if (!probeKey(key, probe)) return false;
  HashNode* previous = nullptr;
  HashNode* node = findNode(probe, &previous, nullptr);
  if (node == nullptr) return false;

  const std::uint32_t index = bucketIndex(node->hash);
  if (previous != nullptr) previous->next = node->next;
  else buckets_[index] = node->next;
  // Keep an enumeration that stands on this entry going from its successor.
  if (cursorNode_ == node) {
    cursorNode_ = previous;
    if (previous == nullptr) cursorBucket_ = index;
  }
  if (ordered_ != 0) shiftPositions(positionOfNode(node) + 1, UINT32_MAX, -1);
  releaseStoredValue(node);
  poolRelease(node, entrySize(node));
  --count_;
  if (shrinkAllowed_ != 0 && bucketCount_ > kSmallestBucketCount && (count_ == 0 || bucketCount_ / count_ >= 8))
    resize(bucketCount_ / 2);
  return true;
}

// ---------------------------------------------------------------------------
// Lookups

void HashTable::get(const Datum& key, const OutRef& value, bool* found) const {
  HashNode* node = nullptr;
  KeyProbe probe;
  const bool usable = buckets_ != nullptr && fits(value, valueDatumKind(valueKind_));
  if (usable && probeKey(key, probe)) node = findNode(probe, nullptr, nullptr);
  if (found != nullptr) *found = node != nullptr;
  if (!usable) return;
  if (node != nullptr) deliver(value, valueView(node));
  else deliverValueOrDefault(value);
}

ProcessHeapText HashTable::get(const char* key, bool* found) const {
  ProcessHeapText value;
  if (buckets_ == nullptr || !isSpanKey(keyKind_) || !isSpanValue(valueKind_)) {
    get(Datum::text(key), OutRef::text(value), found);
    return value;
  }
  // The program's kind of table (text keys, text values) skips the datum and
  // out-variable dispatch: one length scan, one hash, one walk of the chain.
  const std::size_t length = corvalis::textLength(key);
  HashNode* node = length <= kLongestStoredLength ? findSpanKey(key, length) : nullptr;
  if (found != nullptr) *found = node != nullptr;
  if (node == nullptr) return value;
  // The copy as deliver makes it for a text out-variable, without its two dispatches
  // (through deliver and valueView a found get costs about 5 % more). An empty value
  // is stored as no block.
  const auto* block = static_cast<const unsigned char*>(loadPointer(valueSlot(node)));
  if (block == nullptr) return value;
  const std::uint32_t valueLength = load32(block);
  auto* copy = static_cast<char*>(processAllocate(static_cast<std::size_t>(valueLength) + 1, 0));
  if (copy == nullptr) return value;
  std::memcpy(copy, block + 4, valueLength);
  copy[valueLength] = '\0';
  value.reset(copy);
  return value;
}

}  // namespace corvalis
