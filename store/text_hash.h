// Key hashing, text length and block comparison used by the hash table.
#pragma once

#include <cstddef>
#include <cstdint>

namespace corvalis {

// Continues h = h * 31 + b over the bytes (taken unsigned), modulo 2^32.
std::uint32_t hashMultiply31(std::uint32_t h, const void* data, std::size_t length);

// Continues a CRC-32C (Castagnoli) from crc, without inversions, using the CRC32
// instruction. Call only when the processor has SSE4.2.
std::uint32_t hashCrc32c(std::uint32_t crc, const void* data, std::size_t length);

// Continues a key hash over more bytes with the chosen rule; from 0 this is the
// hash of a text or byte-string key.
std::uint32_t hashKeyStep(std::uint32_t h, const void* data, std::size_t length, bool useCrc32c);

// The hash of a text or byte-string key: hashKeyStep from 0, in fewer steps; 0 for
// no data.
std::uint32_t hashKey(const void* data, std::size_t length, bool useCrc32c);

// Hash of a 64-bit key: CRC-32C over the low then the high half, or h * 31 + b
// over its eight bytes in little-endian order.
std::uint32_t hashEightBytes(std::uint64_t value, bool useCrc32c);

// Length of a zero-terminated text, 0 for none. Picks the widest scan the
// processor offers (per cpuFeatures): AVX2, SSE2, or a 32-bit word at a time.
std::size_t textLength(const char* text);

// The scans themselves, for callers that pick one; all give the same answer.
// The wide ones read aligned blocks, which never cross into the next page.
std::size_t textLengthPlain(const char* text);
std::size_t textLengthWords(const char* text);
std::size_t textLengthSse2(const char* text);  // needs SSE2
std::size_t textLengthAvx2(const char* text);  // needs AVX2

// False when either address is 8 or below or length is 0; true for the same
// address; otherwise compares the bytes.
bool bytesEqual(const void* a, const void* b, std::size_t length);

// k when n = 2^k with 1 <= k <= 31, else 0.
std::uint32_t powerOfTwoExponent(std::uint32_t n);

}  // namespace corvalis
