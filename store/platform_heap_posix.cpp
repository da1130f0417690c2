// Stand-in for the Windows heaps on POSIX hosts, so the store runs natively.
// Each block is a separate malloc (the address sanitizer sees every overrun); a
// private heap chains its blocks and frees them all when it is destroyed. The
// process heap does not chain its blocks: it is never destroyed, and a block its
// owner forgets stays visible to the leak checker.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "store/platform_heap.h"

namespace corvalis::platform {

namespace {

struct PosixHeap;

struct alignas(16) BlockHeader {
  BlockHeader* previous;
  BlockHeader* next;
  PosixHeap* owner;
  std::size_t size;
};

struct PosixHeap {
  std::mutex lock;
  BlockHeader* first = nullptr;
  bool chainsBlocks = true;
};

PosixHeap& theProcessHeap() {
  static PosixHeap* heap = [] {
    auto* created = new PosixHeap;
    created->chainsBlocks = false;
    return created;
  }();
  return *heap;
}

void chain(PosixHeap& heap, BlockHeader* header) {
  header->previous = nullptr;
  header->next = nullptr;
  if (!heap.chainsBlocks) return;
  header->next = heap.first;
  if (heap.first != nullptr) heap.first->previous = header;
  heap.first = header;
}

void unchain(PosixHeap& heap, BlockHeader* header) {
  if (!heap.chainsBlocks) return;
  if (header->previous != nullptr) header->previous->next = header->next;
  else heap.first = header->next;
  if (header->next != nullptr) header->next->previous = header->previous;
}

BlockHeader* headerOf(void* block) { return static_cast<BlockHeader*>(block) - 1; }

void* allocateBlock(HeapHandle handle, std::uint32_t flags, std::size_t size) {
  if (handle == nullptr || size > SIZE_MAX - sizeof(BlockHeader)) return nullptr;
  auto& heap = *static_cast<PosixHeap*>(handle);
  auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
  if (header == nullptr) return nullptr;
  header->owner = &heap;
  header->size = size;
  {
    std::lock_guard<std::mutex> guard(heap.lock);
    chain(heap, header);
  }
  void* block = header + 1;
  if ((flags & kHeapZeroMemory) != 0) std::memset(block, 0, size);
  return block;
}

std::uint8_t freeBlock(HeapHandle handle, std::uint32_t, void* block) {
  if (handle == nullptr || block == nullptr) return 0;
  auto& heap = *static_cast<PosixHeap*>(handle);
  BlockHeader* header = headerOf(block);
  if (header->owner != &heap) return 0;
  {
    std::lock_guard<std::mutex> guard(heap.lock);
    unchain(heap, header);
  }
  std::free(header);
  return 1;
}

void* reallocateBlock(HeapHandle handle, std::uint32_t flags, void* block, std::size_t size) {
  if (handle == nullptr || block == nullptr || size > SIZE_MAX - sizeof(BlockHeader)) return nullptr;
  auto& heap = *static_cast<PosixHeap*>(handle);
  BlockHeader* header = headerOf(block);
  if (header->owner != &heap) return nullptr;
  std::lock_guard<std::mutex> guard(heap.lock);
  const std::size_t oldSize = header->size;
  unchain(heap, header);
  auto* moved = static_cast<BlockHeader*>(std::realloc(header, sizeof(BlockHeader) + size));
  if (moved == nullptr) {
    chain(heap, header);
    return nullptr;
  }
  moved->size = size;
  chain(heap, moved);
  auto* bytes = reinterpret_cast<unsigned char*>(moved + 1);
  if ((flags & kHeapZeroMemory) != 0 && size > oldSize) std::memset(bytes + oldSize, 0, size - oldSize);
  return bytes;
}

}  // namespace

HeapHandle createPrivateHeap() { return new (std::nothrow) PosixHeap; }

bool destroyPrivateHeap(HeapHandle handle) {
  if (handle == nullptr || handle == &theProcessHeap()) return false;
  auto* heap = static_cast<PosixHeap*>(handle);
  BlockHeader* header = heap->first;
  while (header != nullptr) {
    BlockHeader* next = header->next;
    std::free(header);
    header = next;
  }
  delete heap;
  return true;
}

HeapHandle processHeap() { return &theProcessHeap(); }

void resolveHeapRoutines(HeapEntryPoints& entryPoints) {
  entryPoints.allocate = &allocateBlock;
  entryPoints.reallocate = &reallocateBlock;
  entryPoints.free = &freeBlock;
}

}  // namespace corvalis::platform
