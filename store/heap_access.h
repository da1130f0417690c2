// Process-wide processor features and heap routines, and their binding into tables.
#pragma once

#include <cstddef>
#include <cstdint>

// The ntdll heap routines use the stdcall convention on 32-bit Windows.
#if defined(_WIN32) && defined(__i386__)
#define CORVALIS_HEAPAPI __stdcall
#else
#define CORVALIS_HEAPAPI
#endif

namespace corvalis {

using HeapHandle = void*;

// Native argument order: allocate(heap, flags, size), free(heap, flags, block),
// reallocate(heap, flags, block, size).
using HeapAllocateRoutine = void*(CORVALIS_HEAPAPI*)(HeapHandle heap, std::uint32_t flags, std::size_t size);
using HeapReallocateRoutine = void*(CORVALIS_HEAPAPI*)(HeapHandle heap, std::uint32_t flags, void* block,
                                                       std::size_t size);
using HeapFreeRoutine = std::uint8_t(CORVALIS_HEAPAPI*)(HeapHandle heap, std::uint32_t flags, void* block);

// The only heap flag in use: the block starts zeroed.
inline constexpr std::uint32_t kHeapZeroMemory = 8;

struct CpuFeatures {
  std::uint32_t done;      // set by the first resolveHeapAccess
  std::uint32_t hasSse2;   // CPUID.1:EDX[26]
  std::uint32_t hasSse42;  // CPUID.1:ECX[20], the CRC32 instruction
  std::uint32_t hasAvx2;   // OSXSAVE+AVX, CPUID.7.0:EBX[5], and XCR0 saves SSE and AVX state
};

struct HeapEntryPoints {
  HeapAllocateRoutine allocate;
  HeapReallocateRoutine reallocate;
  HeapFreeRoutine free;
};

// Filled once by resolveHeapAccess and only read afterwards. Tests may lower the
// feature flags (never raise them beyond what the processor has).
extern CpuFeatures cpuFeatures;
extern HeapEntryPoints heapEntryPoints;

// Detects the processor features and resolves the heap routines; later calls
// return at once.
void resolveHeapAccess();

// Reads CPUID/XGETBV into a record (done stays 0); resolveHeapAccess uses it.
CpuFeatures detectCpuFeatures();

class HashTable;

// Resolves (once) and copies the heap routines and the CRC-32C flag into a table.
void bindHeapAccess(HashTable& table);

}  // namespace corvalis
