#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "hash_table_internals.h"
#include "store/heap_access.h"
#include "store/text_hash.h"
#include "test_support.h"

namespace corvalis {
namespace {

using testing::referenceCrc32c;
using testing::referenceMultiply31;

TEST(KeyHash, AbcBothWays) {
  EXPECT_EQ(hashMultiply31(0, "abc", 3), 96354u);
  if (testing::processorHasCrc32c()) {
    EXPECT_EQ(hashCrc32c(0, "abc", 3), 0x562F9CCDu);
  }
  // The reference implementations agree with the published values too.
  EXPECT_EQ(referenceCrc32c("abc", 3), 0x562F9CCDu);
  EXPECT_EQ(referenceMultiply31("abc", 3), 96354u);
}

TEST(KeyHash, TableHashesTextWithTheRuleItWasBoundWith) {
  for (bool crc : {false, true}) {
    if (crc && !testing::processorHasCrc32c()) continue;
    testing::ScopedCpuFeatures features(true, crc, true);
    HashTable table;
    std::uint32_t length = 99;
    EXPECT_EQ(HashTableInternals::hashText(table, "abc", &length), crc ? 0x562F9CCDu : 96354u);
    EXPECT_EQ(length, 3u);
    EXPECT_EQ(HashTableInternals::hashText(table, nullptr, &length), 0u);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(HashTableInternals::hashText(table, "", &length), 0u);
  }
}

TEST(KeyHash, MatchesReferenceOverLengthsAndSplits) {
  std::mt19937 random(7);
  for (std::size_t length = 0; length <= 70; ++length) {
    std::vector<unsigned char> data(length);
    for (auto& byte : data) byte = static_cast<unsigned char>(random());
    const std::uint32_t slow = referenceMultiply31(data.data(), length);
    EXPECT_EQ(hashKeyStep(0, data.data(), length, false), slow) << length;
    if (!testing::processorHasCrc32c()) continue;
    const std::uint32_t crc = referenceCrc32c(data.data(), length);
    EXPECT_EQ(hashKeyStep(0, data.data(), length, true), crc) << length;
    // Fed in two pieces at any split (as the text scan does), the result is the same.
    for (std::size_t split = 0; split <= length; ++split) {
      const std::uint32_t first = hashKeyStep(0, data.data(), split, true);
      ASSERT_EQ(hashKeyStep(first, data.data() + split, length - split, true), crc) << length << "/" << split;
      const std::uint32_t firstSlow = hashKeyStep(0, data.data(), split, false);
      ASSERT_EQ(hashKeyStep(firstSlow, data.data() + split, length - split, false), slow);
    }
  }
}

TEST(KeyHash, EightByteKeysHashTheirLittleEndianBytes) {
  const std::uint64_t samples[] = {0, 1, 0x0123456789ABCDEFull, 0xFFFFFFFFFFFFFFFFull, 0x8000000000000000ull};
  for (std::uint64_t value : samples) {
    unsigned char bytes[8];
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
    EXPECT_EQ(hashEightBytes(value, false), referenceMultiply31(bytes, 8));
    if (testing::processorHasCrc32c()) {
      // CRC over the low half, then the high half.
      const std::uint32_t low = referenceCrc32c(bytes, 4);
      EXPECT_EQ(hashEightBytes(value, true), referenceCrc32c(bytes + 4, 4, low));
    }
  }
}

TEST(KeyHash, PowerOfTwoExponent) {
  const struct {
    std::uint32_t n, expected;
  } cases[] = {{0, 0}, {1, 0}, {2, 1}, {3, 0}, {16, 4}, {24, 0}, {1u << 30, 30}, {1u << 31, 31}, {(1u << 31) + 1, 0},
               {0xFFFFFFFFu, 0}};
  for (const auto& c : cases) EXPECT_EQ(powerOfTwoExponent(c.n), c.expected) << c.n;
}

TEST(BytesEqual, RefusesLowAddressesAndZeroLength) {
  const char text[] = "same bytes here";
  EXPECT_FALSE(bytesEqual(text, text, 0));
  EXPECT_FALSE(bytesEqual(reinterpret_cast<const void*>(8), text, 4));
  EXPECT_FALSE(bytesEqual(text, reinterpret_cast<const void*>(4), 4));
  EXPECT_FALSE(bytesEqual(nullptr, nullptr, 4));
  EXPECT_TRUE(bytesEqual(text, text, 15));
}

TEST(BytesEqual, FindsADifferenceAtEveryOffset) {
  for (std::size_t length = 1; length <= 40; ++length) {
    std::vector<unsigned char> a(length), b(length);
    for (std::size_t i = 0; i < length; ++i) a[i] = b[i] = static_cast<unsigned char>(i * 37 + 5);
    ASSERT_TRUE(bytesEqual(a.data(), b.data(), length)) << length;
    for (std::size_t at = 0; at < length; ++at) {
      b[at] ^= 0x40;
      ASSERT_FALSE(bytesEqual(a.data(), b.data(), length)) << length << " at " << at;
      b[at] ^= 0x40;
    }
  }
}

// Every scan the processor can run, by name.
struct Scan {
  const char* name;
  std::size_t (*scan)(const char*);
  bool available;
};

std::vector<Scan> availableScans() {
  const CpuFeatures features = detectCpuFeatures();
  return {{"plain", &textLengthPlain, true},
          {"words", &textLengthWords, true},
          {"sse2", &textLengthSse2, features.hasSse2 != 0},
          {"avx2", &textLengthAvx2, features.hasAvx2 != 0},
          {"dispatch", &textLength, true}};
}

TEST(TextLength, AbsentTextIsZero) {
  for (const Scan& scan : availableScans())
    if (scan.available) {
      EXPECT_EQ(scan.scan(nullptr), 0u) << scan.name;
    }
}

TEST(TextLength, TextsEndingJustBeforeAnInaccessiblePage) {
  testing::GuardedPage page;
  ASSERT_TRUE(page.ok());
  for (const Scan& scan : availableScans()) {
    if (!scan.available) continue;
    for (std::size_t length = 0; length <= 130; ++length) {
      // The zero byte is the page's last byte; the text starts anywhere before it.
      char* text = page.end() - 1 - length;
      for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char>(i % 2 != 0 ? 0x80 + (i % 127) : 'a' + i % 26);
      text[length] = '\0';
      ASSERT_EQ(scan.scan(text), length) << scan.name << " length " << length;
    }
  }
}

TEST(TextLength, EveryAlignmentAndEveryTerminatorPosition) {
  testing::GuardedPage page;
  ASSERT_TRUE(page.ok());
  for (const Scan& scan : availableScans()) {
    if (!scan.available) continue;
    for (std::size_t start = 0; start < 64; ++start) {
      for (std::size_t length = 0; length < 80; ++length) {
        char* text = page.begin() + start;
        // Bytes such as 0x01 and 0x80 around the terminator trip naive word tests.
        for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char>(i % 3 == 0 ? 0x01 : i % 3 == 1 ? 0x80 : 0xFF);
        text[length] = '\0';
        for (std::size_t i = 1; i < 40; ++i) text[length + i] = static_cast<char>(i);
        ASSERT_EQ(scan.scan(text), length) << scan.name << " start " << start << " length " << length;
      }
    }
  }
}

TEST(TextLength, HeapTextsOfExactSize) {
  // Heap blocks of exactly length + 1 bytes: the wide scans may read the rest of
  // their aligned block, which the address sanitizer must not take for an overrun.
  for (const Scan& scan : availableScans()) {
    if (!scan.available) continue;
    for (std::size_t length = 0; length < 100; ++length) {
      std::vector<char> text(length + 1, 'q');
      text[length] = '\0';
      ASSERT_EQ(scan.scan(text.data()), length) << scan.name;
    }
  }
}

}  // namespace
}  // namespace corvalis
