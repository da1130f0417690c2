// The serialised image of a table: a 44-byte header, then one record per entry.
//
//   0 totalLength  4 keyKind  8 valueKind  12 bucketCount  16 loadFactor (float)
//  20 shrinkAllowed  24 directHeap  28 ordered  32, 36 reserved (0)  40 recordCount
//
// Key part: text [n = L + 1][L bytes][0]; byte string [1][L][L bytes]; 64-bit 8
// bytes; 32-bit 4 bytes. Value part: text as the key (an absent value is n = 1 and
// a zero byte); byte string [1][L][L bytes]; 64-bit kinds 8 bytes; the rest the 4
// bytes of the value slot. All little-endian, no padding.
#include <cstring>

#include "store/hash_table.h"
#include "store/hash_table_layout.h"

namespace corvalis {

using namespace table_detail;

namespace {

constexpr std::uint32_t kHeaderBytes = 44;
constexpr std::int32_t kTextKind = 10;
constexpr std::int32_t kBytesKind = 11;

// Reads a counted part [n][n bytes] (text) or [1][L][L bytes] (byte string) that
// must end by `limit`. A text ends at its first zero byte within its n bytes.
bool readSpan(std::int32_t kind, const unsigned char* image, std::uint32_t limit, std::uint32_t& offset,
              const unsigned char*& data, std::uint32_t& length) {
  const std::uint32_t header = kind == kTextKind ? 4 : 8;
  if (limit - offset < header) return false;
  const std::uint32_t n = load32(image + offset + header - 4);
  offset += header;
  if (limit - offset < n) return false;
  data = image + offset;
  length = n;
  if (kind == kTextKind) {
    const void* zero = std::memchr(data, 0, n);
    if (zero != nullptr) length = static_cast<std::uint32_t>(static_cast<const unsigned char*>(zero) - data);
  }
  offset += n;
  return true;
}

bool readFixed(const unsigned char* image, std::uint32_t limit, std::uint32_t& offset, std::uint32_t size,
               unsigned char* out) {
  if (limit - offset < size) return false;
  std::memcpy(out, image + offset, size);
  offset += size;
  return true;
}

}  // namespace

struct HashTable::ImageRecord {
  Datum key;
  bool emptyKey = false;
  const unsigned char* valueData = nullptr;
  std::uint32_t valueLength = 0;
  unsigned char valueSlot[8] = {};
};

std::size_t HashTable::recordLength(HashNode* node) const {
  std::size_t length = 0;
  switch (keyKind_) {
    case 4:
      length = 8;
      break;
    case 10:
      length = 4 + static_cast<std::size_t>(storedKeyLength(node)) + 1;
      break;
    case 11:
      length = 8 + static_cast<std::size_t>(storedKeyLength(node));
      break;
    default:
      length = 4;
      break;
  }
  if (isSpanValue(valueKind_)) {
    const auto* block = static_cast<const unsigned char*>(loadPointer(valueSlot(node)));
    const std::size_t valueBytes = block != nullptr ? load32(block) : 0;
    length += valueKind_ == kTextKind ? 4 + valueBytes + 1 : 8 + valueBytes;
  } else {
    length += isWideValue(valueKind_) ? 8 : 4;
  }
  return length;
}

// The image is zeroed, so the zero bytes behind texts are already there.
void HashTable::writeRecord(HashNode* node, unsigned char* at) const {
  switch (keyKind_) {
    case 4:
      std::memcpy(at, keyPart(node), 8);
      at += 8;
      break;
    case 10: {
      const std::uint32_t n = storedKeyLength(node);
      store32(at, n + 1);
      std::memcpy(at + 4, keyPart(node) + 4, n);
      at += 4 + static_cast<std::size_t>(n) + 1;
      break;
    }
    case 11: {
      const std::uint32_t n = storedKeyLength(node);
      store32(at, 1);
      store32(at + 4, n);
      std::memcpy(at + 8, keyPart(node) + 4, n);
      at += 8 + static_cast<std::size_t>(n);
      break;
    }
    default:
      store32(at, node->hash);
      at += 4;
      break;
  }
  if (isSpanValue(valueKind_)) {
    const auto* block = static_cast<const unsigned char*>(loadPointer(valueSlot(node)));
    const std::uint32_t n = block != nullptr ? load32(block) : 0;
    if (valueKind_ == kTextKind) {
      store32(at, n + 1);
      if (n != 0) std::memcpy(at + 4, block + 4, n);
    } else {
      store32(at, 1);
      store32(at + 4, n);
      if (n != 0) std::memcpy(at + 8, block + 4, n);
    }
  } else {
    std::memcpy(at, valueSlot(node), isWideValue(valueKind_) ? 8 : 4);
  }
}

ProcessHeapBytes HashTable::serialize() const {
  if (privateHeap_ == nullptr || buckets_ == nullptr || valueKind_ == kObjectValue) return {};

  // Ordered tables place record i at the offset of position i + 1: lengths are
  // noted by position first, then turned into offsets.
  std::uint32_t* offsets = nullptr;
  if (ordered_ != 0 && count_ > 0) {
    if (!sizeFits(count_, 4)) return {};
    offsets = static_cast<std::uint32_t*>(processAllocate(static_cast<std::size_t>(count_) * 4, kHeapZeroMemory));
    if (offsets == nullptr) return {};
  }
  std::uint64_t total = kHeaderBytes;
  std::uint32_t visited = 0;
  for (std::uint32_t b = 0; b < bucketCount_; ++b) {
    for (HashNode* node = buckets_[b]; node != nullptr; node = node->next, ++visited) {
      const std::size_t length = recordLength(node);
      total += length;
      if (offsets != nullptr && positionOfNode(node) < count_)
        offsets[positionOfNode(node)] = static_cast<std::uint32_t>(length);
    }
  }
  if (!sizeFits(total, 1)) {
    processRelease(offsets);
    return {};
  }
  if (offsets != nullptr) {
    std::uint32_t running = 0;
    for (std::uint32_t p = 0; p < count_; ++p) {
      const std::uint32_t length = offsets[p];
      offsets[p] = running;
      running += length;
    }
  }

  auto* image = static_cast<unsigned char*>(processAllocate(static_cast<std::size_t>(total), kHeapZeroMemory));
  if (image == nullptr) {
    processRelease(offsets);
    return {};
  }
  store32(image + 0, static_cast<std::uint32_t>(total));
  store32(image + 4, static_cast<std::uint32_t>(keyKind_));
  store32(image + 8, static_cast<std::uint32_t>(valueKind_));
  store32(image + 12, bucketCount_);
  std::memcpy(image + 16, &loadFactor_, 4);
  store32(image + 20, shrinkAllowed_);
  store32(image + 24, directHeap_);
  store32(image + 28, ordered_);
  store32(image + 40, visited);

  std::size_t sequential = kHeaderBytes;
  for (std::uint32_t b = 0; b < bucketCount_; ++b) {
    for (HashNode* node = buckets_[b]; node != nullptr; node = node->next) {
      if (offsets != nullptr) {
        const std::uint32_t position = positionOfNode(node);
        if (position < count_) writeRecord(node, image + kHeaderBytes + offsets[position]);
      } else {
        writeRecord(node, image + sequential);
        sequential += recordLength(node);
      }
    }
  }
  processRelease(offsets);
  return ProcessHeapBytes(image, static_cast<std::size_t>(total));
}

bool HashTable::readRecord(std::int32_t keyKind, std::int32_t valueKind, const unsigned char* image,
                           std::uint32_t limit, std::uint32_t& offset, ImageRecord& record) {
  record = ImageRecord{};
  switch (keyKind) {
    case 4: {
      unsigned char bytes[8];
      if (!readFixed(image, limit, offset, 8, bytes)) return false;
      record.key = Datum::int64(static_cast<std::int64_t>(load64(bytes)));
      break;
    }
    case kTextKind:
    case kBytesKind: {
      const unsigned char* data = nullptr;
      std::uint32_t length = 0;
      if (!readSpan(keyKind, image, limit, offset, data, length)) return false;
      record.key = keyKind == kTextKind ? Datum::textSpan(reinterpret_cast<const char*>(data), length)
                                        : Datum::bytes(data, length);
      record.emptyKey = length == 0;
      break;
    }
    default: {
      unsigned char bytes[4];
      if (!readFixed(image, limit, offset, 4, bytes)) return false;
      record.key = Datum::int32(load32s(bytes));
      break;
    }
  }
  if (isSpanValue(valueKind))
    return readSpan(valueKind, image, limit, offset, record.valueData, record.valueLength);
  return readFixed(image, limit, offset, isWideValue(valueKind) ? 8 : 4, record.valueSlot);
}

SetResult HashTable::addImageRecord(const ImageRecord& record) {
  KeyProbe probe;
  if (!probeKey(record.key, probe)) return SetResult::Refused;
  PreparedValue prepared;
  if (isSpanValue(valueKind_)) {
    const Datum value = valueKind_ == kTextKind
                            ? Datum::textSpan(reinterpret_cast<const char*>(record.valueData), record.valueLength)
                            : Datum::bytes(record.valueData, record.valueLength);
    if (!prepareValue(value, prepared)) return SetResult::Refused;
  } else {
    // Scalars go in exactly as stored in the image.
    std::memcpy(prepared.slot, record.valueSlot, valueSlotSize_);
  }
  return store(probe, prepared, false, false, 0);
}

bool HashTable::deserialize(const void* image, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(image);
  if (bytes == nullptr || size < kHeaderBytes) return false;
  const std::uint32_t totalLength = load32(bytes);
  if (totalLength > size || totalLength < kHeaderBytes) return false;

  const std::int32_t keyKind = coerceKeyKind(load32s(bytes + 4));
  const std::int32_t valueKind = coerceValueKind(load32s(bytes + 8));
  if (valueKind == kObjectValue) return false;  // objects have no serialised form
  std::int32_t capacity = load32s(bytes + 12);
  float loadFactor;
  std::memcpy(&loadFactor, bytes + 16, 4);
  const std::uint32_t shrinkAllowed = load32(bytes + 20);
  const std::uint32_t directHeap = load32(bytes + 24);
  const std::uint32_t ordered = load32(bytes + 28);
  const std::int32_t recordCount = load32s(bytes + 40);
  const std::uint32_t records = recordCount > 0 ? static_cast<std::uint32_t>(recordCount) : 0;

  // Every record must lie within totalLength; the walk stops at the first one that
  // does not, so a record count far beyond the bytes costs no more than the bytes.
  std::uint32_t offset = kHeaderBytes;
  ImageRecord record;
  for (std::uint32_t i = 0; i < records; ++i)
    if (!readRecord(keyKind, valueKind, bytes, totalLength, offset, record)) return false;

  if (capacity > static_cast<std::int32_t>(kLargestImageBucketCount))
    capacity = static_cast<std::int32_t>(kLargestImageBucketCount);
  TableSettings settings;
  settings.capacity = capacity;
  settings.loadFactor = loadFactor;
  settings.shrinkAllowed = shrinkAllowed != 0;
  settings.directHeap = directHeap != 0;
  settings.ordered = ordered != 0;
  if (!initialize(keyKind, valueKind, settings)) return false;

  offset = kHeaderBytes;
  for (std::uint32_t i = 0; i < records; ++i) {
    readRecord(keyKind_, valueKind_, bytes, totalLength, offset, record);
    if (addImageRecord(record) == SetResult::Refused && !record.emptyKey) return false;
  }
  return true;
}

}  // namespace corvalis
