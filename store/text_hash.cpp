#include "store/text_hash.h"

#include <cstring>

#include "store/heap_access.h"

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>
#define CORVALIS_X86 1
#endif

// The wide scans read whole aligned blocks, which may run past the terminator but
// never past the block, and so never into another page. The address sanitizer
// must not check those reads.
#if defined(__clang__) || defined(__SANITIZE_ADDRESS__)
#define CORVALIS_BLOCK_SCAN __attribute__((no_sanitize_address))
#else
#define CORVALIS_BLOCK_SCAN
#endif

namespace corvalis {

namespace {

using AliasedWord = std::uint32_t __attribute__((__may_alias__));

inline std::uint32_t load32(const unsigned char* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// Steps byte by byte until p is aligned to `alignment`; returns true (with
// *length set) if the terminator came first.
inline bool scanHead(const char* text, std::size_t alignment, const char*& p, std::size_t& length) {
  p = text;
  while ((reinterpret_cast<std::uintptr_t>(p) & (alignment - 1)) != 0) {
    if (*p == '\0') {
      length = static_cast<std::size_t>(p - text);
      return true;
    }
    ++p;
  }
  return false;
}

}  // namespace

std::uint32_t hashMultiply31(std::uint32_t h, const void* data, std::size_t length) {
  const auto* p = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < length; ++i) h = h * 31u + p[i];
  return h;
}

#if defined(CORVALIS_X86)
__attribute__((target("sse4.2"))) std::uint32_t hashCrc32c(std::uint32_t crc, const void* data,
                                                            std::size_t length) {
  // The instruction's wider forms give what its byte form gives over the same bytes
  // in memory order; the widest the processor mode has takes the bulk.
  const auto* p = static_cast<const unsigned char*>(data);
#if defined(__x86_64__)
  while (length >= 8) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    crc = static_cast<std::uint32_t>(_mm_crc32_u64(crc, v));
    p += 8;
    length -= 8;
  }
#endif
  while (length >= 4) {
    crc = _mm_crc32_u32(crc, load32(p));
    p += 4;
    length -= 4;
  }
  if (length >= 2) {
    std::uint16_t v;
    std::memcpy(&v, p, 2);
    crc = _mm_crc32_u16(crc, v);
    p += 2;
    length -= 2;
  }
  if (length > 0) crc = _mm_crc32_u8(crc, *p);
  return crc;
}
#else
std::uint32_t hashCrc32c(std::uint32_t crc, const void* data, std::size_t length) {
  const auto* p = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < length; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc & 1u) ? (crc >> 1) ^ 0x82F63B78u : crc >> 1;
  }
  return crc;
}
#endif

std::uint32_t hashKeyStep(std::uint32_t h, const void* data, std::size_t length, bool useCrc32c) {
  return useCrc32c ? hashCrc32c(h, data, length) : hashMultiply31(h, data, length);
}

#if defined(CORVALIS_X86)
// The widest word the CRC32 instruction takes in this processor mode.
#if defined(__x86_64__)
using CrcWord = std::uint64_t;
__attribute__((target("sse4.2"))) inline std::uint32_t crcStep(std::uint32_t crc, CrcWord w) {
  return static_cast<std::uint32_t>(_mm_crc32_u64(crc, w));
}
#else
using CrcWord = std::uint32_t;
__attribute__((target("sse4.2"))) inline std::uint32_t crcStep(std::uint32_t crc, CrcWord w) {
  return _mm_crc32_u32(crc, w);
}
#endif

// From 0 and without inversions, zero bytes ahead of the data leave the CRC at 0, so
// the first length % word bytes can go in as one whole word with zeros in front of
// them (the word's low bytes), and every step after it is a whole word as well: no
// branches on the length's last bits.
__attribute__((target("sse4.2"))) std::uint32_t hashCrc32cFromZero(const void* data, std::size_t length) {
  const auto* p = static_cast<const unsigned char*>(data);
  constexpr std::size_t kWord = sizeof(CrcWord);
  if (length < kWord) return hashCrc32c(0, data, length);
  const std::size_t head = length % kWord;
  CrcWord first;
  std::memcpy(&first, p, kWord);
  // Shifted in two steps so that head 0 (no partial word) gives 0 without a branch.
  first = (first << (8 * (kWord - head) - 1)) << 1;
  std::uint32_t crc = crcStep(0, first);
  p += head;
  for (const unsigned char* end = p + (length - head); p != end; p += kWord) {
    CrcWord word;
    std::memcpy(&word, p, kWord);
    crc = crcStep(crc, word);
  }
  return crc;
}
#endif

std::uint32_t hashKey(const void* data, std::size_t length, bool useCrc32c) {
  if (data == nullptr || length == 0) return 0;
#if defined(CORVALIS_X86)
  if (useCrc32c) return hashCrc32cFromZero(data, length);
#endif
  return hashKeyStep(0, data, length, useCrc32c);
}

std::uint32_t hashEightBytes(std::uint64_t value, bool useCrc32c) {
  unsigned char bytes[8];
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
  return hashKeyStep(0, bytes, 8, useCrc32c);
}

std::size_t textLengthPlain(const char* text) {
  if (text == nullptr) return 0;
  std::size_t n = 0;
  while (text[n] != '\0') ++n;
  return n;
}

CORVALIS_BLOCK_SCAN std::size_t textLengthWords(const char* text) {
  if (text == nullptr) return 0;
  const char* p;
  std::size_t length;
  if (scanHead(text, 4, p, length)) return length;
  for (;; p += 4) {
    const std::uint32_t x = *reinterpret_cast<const AliasedWord*>(p);
    if (((x - 0x01010101u) & ~x & 0x80808080u) != 0) break;
  }
  while (*p != '\0') ++p;
  return static_cast<std::size_t>(p - text);
}

#if defined(CORVALIS_X86)
// One bit per zero byte of an aligned block.
CORVALIS_BLOCK_SCAN __attribute__((target("sse2"))) inline std::uint32_t zeroBytes16(const char* block) {
  const __m128i bytes = _mm_load_si128(reinterpret_cast<const __m128i*>(block));
  return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_setzero_si128())));
}

CORVALIS_BLOCK_SCAN __attribute__((target("avx2"))) inline std::uint32_t zeroBytes32(const char* block) {
  const __m256i bytes = _mm256_load_si256(reinterpret_cast<const __m256i*>(block));
  return static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(bytes, _mm256_setzero_si256())));
}

// The first block is the aligned one that holds the text's first byte; the bits of
// the bytes in front of the text are shifted out of its mask, so no byte is stepped
// over singly.
CORVALIS_BLOCK_SCAN __attribute__((target("sse2"))) std::size_t textLengthSse2(const char* text) {
  if (text == nullptr) return 0;
  const auto address = reinterpret_cast<std::uintptr_t>(text);
  const char* p = reinterpret_cast<const char*>(address & ~static_cast<std::uintptr_t>(15));
  std::uint32_t mask = zeroBytes16(p) >> (address & 15);
  if (mask != 0) return static_cast<std::size_t>(__builtin_ctz(mask));
  for (;;) {
    p += 16;
    mask = zeroBytes16(p);
    if (mask != 0) return static_cast<std::size_t>(p - text) + static_cast<std::size_t>(__builtin_ctz(mask));
  }
}

CORVALIS_BLOCK_SCAN __attribute__((target("avx2"))) std::size_t textLengthAvx2(const char* text) {
  if (text == nullptr) return 0;
  const auto address = reinterpret_cast<std::uintptr_t>(text);
  const char* p = reinterpret_cast<const char*>(address & ~static_cast<std::uintptr_t>(31));
  std::uint32_t mask = zeroBytes32(p) >> (address & 31);
  if (mask != 0) return static_cast<std::size_t>(__builtin_ctz(mask));
  for (;;) {
    p += 32;
    mask = zeroBytes32(p);
    if (mask != 0) return static_cast<std::size_t>(p - text) + static_cast<std::size_t>(__builtin_ctz(mask));
  }
}
#else
std::size_t textLengthSse2(const char* text) { return textLengthWords(text); }
std::size_t textLengthAvx2(const char* text) { return textLengthWords(text); }
#endif

std::size_t textLength(const char* text) {
  if (text == nullptr) return 0;
  if (cpuFeatures.hasAvx2 != 0) return textLengthAvx2(text);
  if (cpuFeatures.hasSse2 != 0) return textLengthSse2(text);
  return textLengthWords(text);
}

bool bytesEqual(const void* a, const void* b, std::size_t length) {
  if (reinterpret_cast<std::uintptr_t>(a) <= 8 || reinterpret_cast<std::uintptr_t>(b) <= 8 || length == 0) return false;
  if (a == b) return true;
  const auto* x = static_cast<const unsigned char*>(a);
  const auto* y = static_cast<const unsigned char*>(b);
  while (length >= 16) {
    std::uint64_t u[2], v[2];
    std::memcpy(u, x, 16);
    std::memcpy(v, y, 16);
    if (((u[0] ^ v[0]) | (u[1] ^ v[1])) != 0) return false;
    x += 16;
    y += 16;
    length -= 16;
  }
  if (length >= 8) {
    std::uint64_t u, v;
    std::memcpy(&u, x, 8);
    std::memcpy(&v, y, 8);
    if (u != v) return false;
    x += 8;
    y += 8;
    length -= 8;
  }
  if (length >= 4) {
    if (load32(x) != load32(y)) return false;
    x += 4;
    y += 4;
    length -= 4;
  }
  while (length > 0) {
    if (*x++ != *y++) return false;
    --length;
  }
  return true;
}

std::uint32_t powerOfTwoExponent(std::uint32_t n) {
  if (n < 2 || (n & (n - 1)) != 0) return 0;
  return static_cast<std::uint32_t>(__builtin_ctz(n));
}

}  // namespace corvalis
