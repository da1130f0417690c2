// Little-endian field access, kind rules and the entry layout shared by the table's
// source files.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "store/datum.h"
#include "store/hash_table.h"

namespace corvalis::table_detail {

inline std::uint32_t load32(const unsigned char* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline std::int32_t load32s(const unsigned char* p) {
  std::int32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline std::uint64_t load64(const unsigned char* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}
inline void store32(unsigned char* p, std::uint32_t v) { std::memcpy(p, &v, 4); }
inline void store64(unsigned char* p, std::uint64_t v) { std::memcpy(p, &v, 8); }
inline void* loadPointer(const unsigned char* p) {
  void* v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void storePointer(unsigned char* p, const void* v) { std::memcpy(p, &v, sizeof v); }

inline std::int32_t coerceKeyKind(std::int32_t code) {
  switch (code) {
    case 3:
    case 4:
    case 10:
    case 11:
      return code;
    default:
      return 3;
  }
}

inline std::int32_t coerceValueKind(std::int32_t code) {
  switch (code) {
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 10:
    case 11:
    case 99:
      return code;
    default:
      return 3;
  }
}

inline bool isSpanKey(std::int32_t keyKind) {
  return keyKind == static_cast<std::int32_t>(KeyKind::Text) || keyKind == static_cast<std::int32_t>(KeyKind::Bytes);
}
inline bool isSpanValue(std::int32_t valueKind) {
  return valueKind == static_cast<std::int32_t>(ValueKind::Text) ||
         valueKind == static_cast<std::int32_t>(ValueKind::Bytes);
}
inline bool isWideValue(std::int32_t valueKind) {
  return valueKind == static_cast<std::int32_t>(ValueKind::Int64) ||
         valueKind == static_cast<std::int32_t>(ValueKind::Float64) ||
         valueKind == static_cast<std::int32_t>(ValueKind::DateTime);
}

// count * size bytes can be asked of a heap (a 32-bit size_t must not wrap).
inline bool sizeFits(std::uint64_t count, std::uint64_t size) {
  return count <= UINT32_MAX && size <= UINT32_MAX && count * size <= static_cast<std::uint64_t>(SIZE_MAX);
}

// Keys and values longer than this are refused: the image's 32-bit length fields
// must hold them with their headers and terminator.
inline constexpr std::size_t kLongestStoredLength = 0x7FFFFFF0u;

inline constexpr std::int32_t kTextKey = static_cast<std::int32_t>(KeyKind::Text);
inline constexpr std::int32_t kInt32Key = static_cast<std::int32_t>(KeyKind::Int32);
inline constexpr std::int32_t kInt64Key = static_cast<std::int32_t>(KeyKind::Int64);
inline constexpr std::int32_t kObjectValue = static_cast<std::int32_t>(ValueKind::Object);

inline bool isRealKind(DatumKind kind) {
  return kind == DatumKind::Float32 || kind == DatumKind::Float64 || kind == DatumKind::DateTime;
}
inline bool isIntegerKind(DatumKind kind) {
  return kind == DatumKind::Int16 || kind == DatumKind::Int32 || kind == DatumKind::Int64 ||
         kind == DatumKind::Boolean;
}
inline bool isNumberKind(DatumKind kind) { return isRealKind(kind) || isIntegerKind(kind); }
inline bool isSpanKind(DatumKind kind) { return kind == DatumKind::Text || kind == DatumKind::Bytes; }

// Floats to integers saturate; NaN gives 0.
inline std::int64_t saturateToInteger(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9223372036854775807.0) return INT64_MAX;
  if (value <= -9223372036854775808.0) return INT64_MIN;
  return static_cast<std::int64_t>(value);
}

inline bool datumToInteger(const Datum& datum, std::int64_t& out) {
  if (datum.kind() == DatumKind::Absent) out = 0;
  else if (isIntegerKind(datum.kind())) out = datum.integerValue();
  else if (isRealKind(datum.kind())) out = saturateToInteger(datum.realValue());
  else return false;
  return true;
}

inline bool datumToReal(const Datum& datum, double& out) {
  if (datum.kind() == DatumKind::Absent) out = 0;
  else if (isIntegerKind(datum.kind())) out = static_cast<double>(datum.integerValue());
  else if (isRealKind(datum.kind())) out = datum.realValue();
  else return false;
  return true;
}

inline DatumKind keyDatumKind(std::int32_t keyKind) {
  switch (keyKind) {
    case 4:
      return DatumKind::Int64;
    case 10:
      return DatumKind::Text;
    case 11:
      return DatumKind::Bytes;
    default:
      return DatumKind::Int32;
  }
}

inline DatumKind valueDatumKind(std::int32_t valueKind) {
  switch (valueKind) {
    case 2:
      return DatumKind::Int16;
    case 4:
      return DatumKind::Int64;
    case 5:
      return DatumKind::Float32;
    case 6:
      return DatumKind::Float64;
    case 7:
      return DatumKind::Boolean;
    case 8:
      return DatumKind::DateTime;
    case 10:
      return DatumKind::Text;
    case 11:
      return DatumKind::Bytes;
    case 99:
      return DatumKind::Object;
    default:
      return DatumKind::Int32;
  }
}

inline std::size_t elementSizeFor(DatumKind kind) {
  switch (kind) {
    case DatumKind::Text:
    case DatumKind::Bytes:
    case DatumKind::Object:
      return sizeof(void*);
    case DatumKind::Int64:
    case DatumKind::Float64:
    case DatumKind::DateTime:
      return 8;
    default:
      return 4;
  }
}

// Whether a copy of a stored thing of kind `stored` can be written to `out`.
inline bool fits(const OutRef& out, DatumKind stored) {
  if (!out.wanted()) return true;
  if (isNumberKind(stored)) return isNumberKind(out.kind());
  if (isSpanKind(stored)) return isSpanKind(out.kind());
  return stored == DatumKind::Object && out.kind() == DatumKind::Object;
}

inline std::size_t keyPartSizeFor(std::int32_t keyKind, std::uint32_t length) {
  switch (keyKind) {
    case 4:
      return 8;
    case 10:
      return 4 + static_cast<std::size_t>(length) + 1;
    case 11:
      return 4 + static_cast<std::size_t>(length);
    default:
      return 0;
  }
}

}  // namespace corvalis::table_detail

namespace corvalis {

struct HashTable::KeyProbe {
  std::uint32_t hash = 0;
  const unsigned char* data = nullptr;  // text or byte-string key
  std::uint32_t length = 0;
  std::uint64_t wide = 0;  // 64-bit key
};

// A value made ready to go into an entry before anything changes, so that a
// failure leaves the table as it was.
struct HashTable::PreparedValue {
  unsigned char slot[8] = {};
  void* block = nullptr;  // text or byte-string block
  std::size_t blockSize = 0;
  void* object = nullptr;  // duplicated through the handler
};

struct HashTable::StoredView {
  DatumKind kind = DatumKind::Absent;
  const unsigned char* data = nullptr;
  std::uint32_t length = 0;
  std::int64_t integer = 0;
  double real = 0;
  void* object = nullptr;

  std::int64_t asInteger() const {
    return table_detail::isRealKind(kind) ? table_detail::saturateToInteger(real) : integer;
  }
  double asReal() const { return table_detail::isRealKind(kind) ? real : static_cast<double>(integer); }
  bool asBoolean() const { return table_detail::isRealKind(kind) ? real != 0 : integer != 0; }
};

// Defined here, not in one source file, so that every file walking the entries
// keeps these inlined.

inline unsigned char* HashTable::valueSlot(HashNode* node) const {
  return reinterpret_cast<unsigned char*>(node) + sizeof(HashNode);
}

inline unsigned char* HashTable::keyPart(HashNode* node) const { return valueSlot(node) + valueSlotSize_; }

inline std::uint32_t HashTable::storedKeyLength(HashNode* node) const { return table_detail::load32(keyPart(node)); }

inline std::size_t HashTable::keyPartSize(HashNode* node) const {
  return table_detail::keyPartSizeFor(keyKind_, table_detail::isSpanKey(keyKind_) ? storedKeyLength(node) : 0);
}

inline std::uint32_t HashTable::positionOfNode(HashNode* node) const {
  return table_detail::load32(keyPart(node) + keyPartSize(node));
}

inline void HashTable::setPositionOfNode(HashNode* node, std::uint32_t position) const {
  table_detail::store32(keyPart(node) + keyPartSize(node), position);
}

inline HashTable::StoredView HashTable::keyView(HashNode* node) const {
  StoredView view;
  view.kind = table_detail::keyDatumKind(keyKind_);
  switch (keyKind_) {
    case 4:
      view.integer = static_cast<std::int64_t>(table_detail::load64(keyPart(node)));
      break;
    case 10:
    case 11:
      view.length = storedKeyLength(node);
      view.data = keyPart(node) + 4;
      break;
    default:
      view.integer = static_cast<std::int32_t>(node->hash);
      break;
  }
  return view;
}

inline HashTable::StoredView HashTable::valueView(HashNode* node) const {
  StoredView view;
  view.kind = table_detail::valueDatumKind(valueKind_);
  const unsigned char* slot = valueSlot(node);
  switch (view.kind) {
    case DatumKind::Text:
    case DatumKind::Bytes: {
      const auto* block = static_cast<const unsigned char*>(table_detail::loadPointer(slot));
      if (block != nullptr) {
        view.length = table_detail::load32(block);
        view.data = block + 4;
      }
      break;
    }
    case DatumKind::Object:
      view.object = table_detail::loadPointer(slot);
      break;
    case DatumKind::Int64:
      view.integer = static_cast<std::int64_t>(table_detail::load64(slot));
      break;
    case DatumKind::Float32: {
      float single;
      std::memcpy(&single, slot, 4);
      view.real = single;
      break;
    }
    case DatumKind::Float64:
    case DatumKind::DateTime:
      std::memcpy(&view.real, slot, 8);
      break;
    default:
      view.integer = table_detail::load32s(slot);
      break;
  }
  return view;
}

}  // namespace corvalis
