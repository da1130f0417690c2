#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "store/text_hash.h"
#include "test_support.h"

namespace corvalis {
namespace {

TEST(KeyHash, AbcBothWaysInATable) {
  for (bool crc : testing::hashModes()) {
    testing::ScopedCpuFeatures features(true, crc, true);
    HashTable table;
    std::uint32_t length = 0;
    EXPECT_EQ(HashTableInternals::hashText(table, "abc", &length), crc ? 0x562F9CCDu : 96354u);
    EXPECT_EQ(length, 3u);
    EXPECT_EQ(HashTableInternals::hashText(table, nullptr, &length), 0u);
  }
  EXPECT_EQ(testing::referenceCrc32c("abc", 3), 0x562F9CCDu);  // the reference agrees
}

TEST(KeyHash, MatchesTheReferenceForAnyLengthAndAnySplit) {
  std::mt19937 random(7);
  for (bool crc : testing::hashModes()) {
    for (std::size_t length = 0; length <= 40; ++length) {
      std::vector<unsigned char> data(length);
      for (auto& byte : data) byte = static_cast<unsigned char>(random());
      const std::uint32_t expected = testing::referenceHash(data.data(), length, crc);
      // Fed in two pieces (as the text scan does), the hash is the same.
      for (std::size_t split = 0; split <= length; ++split) {
        const std::uint32_t first = hashKeyStep(0, data.data(), split, crc);
        ASSERT_EQ(hashKeyStep(first, data.data() + split, length - split, crc), expected) << length << "/" << split;
      }
    }
    for (std::uint64_t value : {0ull, 0x0123456789ABCDEFull, ~0ull}) {
      unsigned char bytes[8];
      for (int i = 0; i < 8; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
      EXPECT_EQ(hashEightBytes(value, crc), testing::referenceHash(bytes, 8, crc));
    }
  }
}

// The whole-key hash takes its first partial word as a whole one; it must give the
// byte-by-byte value at every length and alignment, and read nothing past the key,
// even when the key ends at the last byte of a page.
TEST(KeyHash, WholeKeyHashMatchesTheReferenceAndStaysInsideTheKey) {
  testing::GuardedPage page;
  ASSERT_NE(page.begin(), nullptr);
  std::mt19937 random(11);
  for (bool crc : testing::hashModes()) {
    EXPECT_EQ(hashKey(nullptr, 5, crc), 0u);
    EXPECT_EQ(hashKey("abc", 0, crc), 0u);
    EXPECT_EQ(hashKey("abc", 3, crc), crc ? 0x562F9CCDu : 96354u);
    for (std::size_t length = 1; length <= 70; ++length) {
      unsigned char* atEnd = reinterpret_cast<unsigned char*>(page.end()) - length;
      for (std::size_t i = 0; i < length; ++i) atEnd[i] = static_cast<unsigned char>(random());
      const std::uint32_t expected = testing::referenceHash(atEnd, length, crc);
      ASSERT_EQ(hashKey(atEnd, length, crc), expected) << length;
      for (std::size_t shift = 1; shift < 8; ++shift) {
        std::vector<unsigned char> moved(shift + length);
        std::memcpy(moved.data() + shift, atEnd, length);
        ASSERT_EQ(hashKey(moved.data() + shift, length, crc), expected) << length << " at +" << shift;
      }
    }
  }
}

TEST(KeyHash, PowerOfTwoExponentAndBytesEqual) {
  EXPECT_EQ(powerOfTwoExponent(1u << 31), 31u);
  EXPECT_EQ(powerOfTwoExponent(1), 0u);
  EXPECT_EQ(powerOfTwoExponent(24), 0u);
  const char same[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  EXPECT_FALSE(bytesEqual(same, same, 0));
  EXPECT_FALSE(bytesEqual(reinterpret_cast<const void*>(8), same, 4));
  EXPECT_TRUE(bytesEqual(same, same, 36));
  for (std::size_t length = 1; length <= 36; ++length) {
    std::vector<char> copy(same, same + length);
    ASSERT_TRUE(bytesEqual(same, copy.data(), length));
    for (std::size_t at = 0; at < length; ++at) {
      copy[at] ^= 0x40;
      ASSERT_FALSE(bytesEqual(same, copy.data(), length)) << length << " " << at;
      copy[at] ^= 0x40;
    }
  }
}

// Every text scan the processor can run; all must agree with the known length.
std::vector<std::size_t (*)(const char*)> scans() {
  const CpuFeatures features = detectCpuFeatures();
  std::vector<std::size_t (*)(const char*)> all{&textLengthPlain, &textLengthWords, &textLength};
  if (features.hasSse2 != 0) all.push_back(&textLengthSse2);
  if (features.hasAvx2 != 0) all.push_back(&textLengthAvx2);
  return all;
}

TEST(TextLength, EveryScanAtEveryAlignmentAndAtThePageEnd) {
  testing::GuardedPage page;
  ASSERT_NE(page.begin(), nullptr);
  for (auto scan : scans()) {
    EXPECT_EQ(scan(nullptr), 0u);
    for (std::size_t length = 0; length < 100; ++length) {
      // The zero byte is the last readable byte: nothing may be read beyond it.
      char* text = page.end() - 1 - length;
      for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char>(i % 3 == 0 ? 0x01 : i % 3 == 1 ? 0x80 : 0xFF);
      text[length] = '\0';
      ASSERT_EQ(scan(text), length) << length;
      for (std::size_t start = 0; start < 64; ++start) {
        char* inside = page.begin() + start;
        for (std::size_t i = 0; i < length; ++i) inside[i] = static_cast<char>(0x80 + i % 100);
        inside[length] = '\0';
        inside[length + 1] = 'x';
        ASSERT_EQ(scan(inside), length) << start << " " << length;
      }
      // A heap block of exactly length + 1 bytes: the wide scans read the rest of
      // their aligned block, which the address sanitizer must not report.
      std::vector<char> heapText(length + 1, 'q');
      heapText[length] = '\0';
      ASSERT_EQ(scan(heapText.data()), length);
    }
  }
}

}  // namespace
}  // namespace corvalis
