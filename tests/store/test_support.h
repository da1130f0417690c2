// Helpers for the store tests: reference hashes independent of the store, a page
// followed by an inaccessible one, heap routines that count and fail on demand.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hash_table_internals.h"
#include "store/platform_heap.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace corvalis::testing {

// Bit-by-bit CRC-32C (reflected polynomial 0x82F63B78), no inversions.
inline std::uint32_t referenceCrc32c(const void* data, std::size_t length, std::uint32_t crc = 0) {
  const auto* p = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < length; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc & 1u) != 0 ? (crc >> 1) ^ 0x82F63B78u : crc >> 1;
  }
  return crc;
}

inline std::uint32_t referenceHash(const void* data, std::size_t length, bool crc) {
  std::uint32_t h = 0;
  for (std::size_t i = 0; i < length && !crc; ++i) h = h * 31u + static_cast<const unsigned char*>(data)[i];
  return crc ? referenceCrc32c(data, length) : h;
}

inline bool processorHasCrc32c() { return detectCpuFeatures().hasSse42 != 0; }

// The hash rules this processor can run: h*31+b always, CRC-32C when present.
inline std::vector<bool> hashModes() {
  return processorHasCrc32c() ? std::vector<bool>{false, true} : std::vector<bool>{false};
}

// One readable page whose next page cannot be touched.
class GuardedPage {
 public:
  GuardedPage() {
#if defined(_WIN32)
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    size_ = info.dwPageSize;
    base_ = static_cast<char*>(VirtualAlloc(nullptr, 2 * size_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old;
    if (base_ != nullptr) VirtualProtect(base_ + size_, size_, PAGE_NOACCESS, &old);
#else
    size_ = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    void* map = mmap(nullptr, 2 * size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    base_ = map == MAP_FAILED ? nullptr : static_cast<char*>(map);
    if (base_ != nullptr) mprotect(base_ + size_, size_, PROT_NONE);
#endif
  }
  ~GuardedPage() {
#if defined(_WIN32)
    if (base_ != nullptr) VirtualFree(base_, 0, MEM_RELEASE);
#else
    if (base_ != nullptr) munmap(base_, 2 * size_);
#endif
  }
  char* begin() const { return base_; }
  char* end() const { return base_ + size_; }  // first byte that must not be read

 private:
  char* base_ = nullptr;
  std::size_t size_ = 0;
};

// Heap routines that forward to the system's, count calls, and fail once the
// allowance is used up (negative: never).
struct CountingHeap {
  static inline int allowance = -1;
  static inline int allocations = 0;
  static inline int frees = 0;

  static const HeapEntryPoints& real() {
    static const HeapEntryPoints routines = [] {
      HeapEntryPoints found{};
      platform::resolveHeapRoutines(found);
      return found;
    }();
    return routines;
  }
  static bool take() {
    if (allowance == 0) return false;
    if (allowance > 0) --allowance;
    ++allocations;
    return true;
  }
  static void* CORVALIS_HEAPAPI allocate(HeapHandle heap, std::uint32_t flags, std::size_t size) {
    return take() ? real().allocate(heap, flags, size) : nullptr;
  }
  static std::uint8_t CORVALIS_HEAPAPI free(HeapHandle heap, std::uint32_t flags, void* block) {
    ++frees;
    return real().free(heap, flags, block);
  }
  static void* CORVALIS_HEAPAPI reallocate(HeapHandle heap, std::uint32_t flags, void* block, std::size_t size) {
    return take() ? real().reallocate(heap, flags, block, size) : nullptr;
  }
};

// Routes a table's heap calls through CountingHeap for the scope.
class CountedHeapScope {
 public:
  explicit CountedHeapScope(HashTable& table, int allowance = -1) : table_(table) {
    CountingHeap::allowance = allowance;
    CountingHeap::allocations = CountingHeap::frees = 0;
    HashTableInternals::setHeapRoutines(table, &CountingHeap::allocate, &CountingHeap::free, &CountingHeap::reallocate);
  }
  ~CountedHeapScope() {
    CountingHeap::allowance = -1;
    HashTableInternals::setHeapRoutines(table_, heapEntryPoints.allocate, heapEntryPoints.free, heapEntryPoints.reallocate);
  }

 private:
  HashTable& table_;
};

// Lowers the feature flags for the scope (never raises them).
class ScopedCpuFeatures {
 public:
  ScopedCpuFeatures(bool sse2, bool sse42, bool avx2) : saved_((resolveHeapAccess(), cpuFeatures)) {
    cpuFeatures.hasSse2 = saved_.hasSse2 != 0 && sse2;
    cpuFeatures.hasSse42 = saved_.hasSse42 != 0 && sse42;
    cpuFeatures.hasAvx2 = saved_.hasAvx2 != 0 && avx2;
  }
  ~ScopedCpuFeatures() { cpuFeatures = saved_; }

 private:
  CpuFeatures saved_;
};

// prefix followed by the number: numbered("key", 7) is "key7".
inline std::string numbered(const char* prefix, long long number) {
  std::string text(prefix);
  text += std::to_string(number);
  return text;
}

// The keys most tests use: keyName(7) is "key7".
inline std::string keyName(long long number) { return numbered("key", number); }

inline std::vector<std::string> textList(const ProcessHeapList& list) {
  std::vector<std::string> out;
  for (std::uint32_t i = 0; i < list.size(); ++i) out.push_back(list.textAt(i) != nullptr ? list.textAt(i) : "<null>");
  return out;
}

inline std::vector<std::string> keysOf(const HashTable& table) {
  ProcessHeapList list;
  table.keys(list);
  return textList(list);
}

inline std::vector<std::string> valuesOf(const HashTable& table) {
  ProcessHeapList list;
  table.values(list);
  return textList(list);
}

inline std::vector<unsigned char> imageOf(const HashTable& table) {
  ProcessHeapBytes image = table.serialize();
  return std::vector<unsigned char>(image.data(), image.data() + image.size());
}

// Text keys, text values, ordered: the program's tables.
inline bool initializeShortcutTable(HashTable& table) {
  return table.initialize(KeyKind::Text, ValueKind::Text, TableSettings{.ordered = true});
}

}  // namespace corvalis::testing
