// Little-endian field access and kind rules shared by the table's source files.
#pragma once

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

}  // namespace corvalis
