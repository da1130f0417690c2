// Helpers shared by the store tests: reference hashes written independently of
// the store, a page followed by an inaccessible one, heap routines that count and
// fail on demand, and a scoped override of the processor features.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "store/hash_table.h"
#include "store/heap_access.h"
#include "store/platform_heap.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace corvalis::testing {

// Bit-by-bit CRC-32C (reflected polynomial 0x82F63B78), from 0, no inversions.
inline std::uint32_t referenceCrc32c(const void* data, std::size_t length, std::uint32_t crc = 0) {
  const auto* p = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < length; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc & 1u) != 0 ? (crc >> 1) ^ 0x82F63B78u : crc >> 1;
  }
  return crc;
}

inline std::uint32_t referenceMultiply31(const void* data, std::size_t length) {
  const auto* p = static_cast<const unsigned char*>(data);
  std::uint32_t h = 0;
  for (std::size_t i = 0; i < length; ++i) h = h * 31u + p[i];
  return h;
}

inline std::uint32_t referenceHash(const std::string& text, bool crc) {
  return crc ? referenceCrc32c(text.data(), text.size()) : referenceMultiply31(text.data(), text.size());
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
  GuardedPage(const GuardedPage&) = delete;
  GuardedPage& operator=(const GuardedPage&) = delete;

  bool ok() const { return base_ != nullptr; }
  char* begin() const { return base_; }
  // First byte that must not be read.
  char* end() const { return base_ + size_; }
  std::size_t size() const { return size_; }

 private:
  char* base_ = nullptr;
  std::size_t size_ = 0;
};

// Heap routines that forward to the real ones, count calls, and fail once the
// allowance is used up (a negative allowance never fails).
struct CountingHeap {
  static inline int allocationsAllowed = -1;
  static inline int allocations = 0;
  static inline int frees = 0;
  static inline int reallocations = 0;

  // The system's own routines, looked up afresh so that they stay right while the
  // global entry points are replaced by these.
  static const HeapEntryPoints& real() {
    static const HeapEntryPoints routines = [] {
      HeapEntryPoints found{};
      platform::resolveHeapRoutines(found);
      return found;
    }();
    return routines;
  }
  static void reset() {
    allocationsAllowed = -1;
    allocations = frees = reallocations = 0;
  }
  static bool takeAllowance() {
    if (allocationsAllowed == 0) return false;
    if (allocationsAllowed > 0) --allocationsAllowed;
    return true;
  }
  static void* CORVALIS_HEAPAPI allocate(HeapHandle heap, std::uint32_t flags, std::size_t size) {
    if (!takeAllowance()) return nullptr;
    ++allocations;
    return real().allocate(heap, flags, size);
  }
  static std::uint8_t CORVALIS_HEAPAPI free(HeapHandle heap, std::uint32_t flags, void* block) {
    ++frees;
    return real().free(heap, flags, block);
  }
  static void* CORVALIS_HEAPAPI reallocate(HeapHandle heap, std::uint32_t flags, void* block, std::size_t size) {
    if (!takeAllowance()) return nullptr;
    ++reallocations;
    return real().reallocate(heap, flags, block, size);
  }
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
  ScopedCpuFeatures(const ScopedCpuFeatures&) = delete;
  ScopedCpuFeatures& operator=(const ScopedCpuFeatures&) = delete;

 private:
  CpuFeatures saved_;
};

inline bool processorHasCrc32c() {
  resolveHeapAccess();
  return detectCpuFeatures().hasSse42 != 0;
}

// prefix followed by the number, e.g. numbered("key", 7) is "key7".
inline std::string numbered(const char* prefix, long long number) {
  std::string text(prefix);
  text += std::to_string(number);
  return text;
}

inline std::vector<std::string> textList(const ProcessHeapList& list) {
  std::vector<std::string> out;
  for (std::uint32_t i = 0; i < list.size(); ++i) {
    const char* text = list.textAt(i);
    out.push_back(text != nullptr ? text : "<null>");
  }
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

inline bool initializeShortcutTable(HashTable& table) {
  TableSettings settings;
  settings.ordered = true;
  return table.initialize(KeyKind::Text, ValueKind::Text, settings);
}

}  // namespace corvalis::testing
