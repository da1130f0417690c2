#include "store/heap_access.h"

#include "store/hash_table.h"
#include "store/platform_heap.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#define CORVALIS_X86 1
#endif

namespace corvalis {

CpuFeatures cpuFeatures{};
HeapEntryPoints heapEntryPoints{};

CpuFeatures detectCpuFeatures() {
  CpuFeatures features{};
#if defined(CORVALIS_X86)
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return features;
  features.hasSse2 = (edx >> 26) & 1u;
  features.hasSse42 = (ecx >> 20) & 1u;
  const bool osxsaveAndAvx = ((ecx >> 27) & 1u) != 0 && ((ecx >> 28) & 1u) != 0;
  unsigned ebx7 = 0;
  {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid_count(7, 0, &a, &b, &c, &d) != 0) ebx7 = b;
  }
  if (osxsaveAndAvx && ((ebx7 >> 5) & 1u) != 0) {
    // XGETBV is only defined once OSXSAVE is set.
    unsigned low = 0, high = 0;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    (void)high;
    features.hasAvx2 = ((low & 0x6u) == 0x6u) ? 1u : 0u;
  }
#endif
  return features;
}

void resolveHeapAccess() {
  if (cpuFeatures.done != 0) return;
  CpuFeatures features = detectCpuFeatures();
  platform::resolveHeapRoutines(heapEntryPoints);
  features.done = 1;
  cpuFeatures = features;
}

void bindHeapAccess(HashTable& table) {
  resolveHeapAccess();
  table.heapAllocate_ = heapEntryPoints.allocate;
  table.heapFree_ = heapEntryPoints.free;
  table.heapReallocate_ = heapEntryPoints.reallocate;
  table.hasSse42_ = cpuFeatures.hasSse42;
}

}  // namespace corvalis
