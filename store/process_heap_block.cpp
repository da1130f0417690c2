#include "store/process_heap_block.h"

#include <cstring>

#include "store/heap_access.h"
#include "store/object_value_handler.h"
#include "store/platform_heap.h"
#include "store/text_hash.h"

namespace corvalis {

void releaseToProcessHeap(void* block) {
  if (block == nullptr) return;
  resolveHeapAccess();
  if (heapEntryPoints.free != nullptr) heapEntryPoints.free(platform::processHeap(), 0, block);
}

char* copyToProcessHeap(const char* text, std::size_t length) {
  if (text == nullptr || length == SIZE_MAX) return nullptr;
  resolveHeapAccess();
  if (heapEntryPoints.allocate == nullptr) return nullptr;
  auto* copy = static_cast<char*>(heapEntryPoints.allocate(platform::processHeap(), 0, length + 1));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, text, length);
  copy[length] = '\0';
  return copy;
}

std::size_t ProcessHeapText::length() const { return textLength(text_); }

void ProcessHeapBytes::reset(void* adopted, std::size_t size) noexcept {
  if (data_ != adopted) releaseToProcessHeap(data_);
  data_ = static_cast<unsigned char*>(adopted);
  size_ = adopted != nullptr ? size : 0;
}

const unsigned char* ProcessHeapList::elementAddress(std::uint32_t index) const {
  if (block_ == nullptr || index >= count_) return nullptr;
  return static_cast<const unsigned char*>(block_) + static_cast<std::size_t>(index) * elementSize_;
}

const char* ProcessHeapList::textAt(std::uint32_t index) const {
  const unsigned char* element = elementAddress(index);
  if (element == nullptr || kind_ != DatumKind::Text) return nullptr;
  const char* text;
  std::memcpy(&text, element, sizeof text);
  return text;
}

ByteView ProcessHeapList::bytesAt(std::uint32_t index) const {
  const unsigned char* element = elementAddress(index);
  if (element == nullptr || kind_ != DatumKind::Bytes) return {};
  const unsigned char* counted;
  std::memcpy(&counted, element, sizeof counted);
  if (counted == nullptr) return {};
  std::uint32_t length;
  std::memcpy(&length, counted, 4);
  return {counted + 4, length};
}

std::int64_t ProcessHeapList::integerAt(std::uint32_t index) const {
  const unsigned char* element = elementAddress(index);
  if (element == nullptr) return 0;
  switch (kind_) {
    case DatumKind::Int16:
    case DatumKind::Int32:
    case DatumKind::Boolean: {
      std::int32_t v;
      std::memcpy(&v, element, 4);
      return v;
    }
    case DatumKind::Int64: {
      std::int64_t v;
      std::memcpy(&v, element, 8);
      return v;
    }
    default:
      return 0;
  }
}

double ProcessHeapList::realAt(std::uint32_t index) const {
  const unsigned char* element = elementAddress(index);
  if (element == nullptr) return 0;
  if (kind_ == DatumKind::Float32) {
    float v;
    std::memcpy(&v, element, 4);
    return v;
  }
  if (kind_ == DatumKind::Float64 || kind_ == DatumKind::DateTime) {
    double v;
    std::memcpy(&v, element, 8);
    return v;
  }
  return 0;
}

void* ProcessHeapList::objectAt(std::uint32_t index) const {
  const unsigned char* element = elementAddress(index);
  if (element == nullptr || kind_ != DatumKind::Object) return nullptr;
  void* object;
  std::memcpy(&object, element, sizeof object);
  return object;
}

void ProcessHeapList::reset() noexcept {
  if (block_ != nullptr) {
    const bool ownsBlocks = kind_ == DatumKind::Text || kind_ == DatumKind::Bytes;
    const bool ownsObjects = kind_ == DatumKind::Object && handler_ != nullptr;
    if (ownsBlocks || ownsObjects) {
      for (std::uint32_t i = 0; i < count_; ++i) {
        void* element;
        std::memcpy(&element, elementAddress(i), sizeof element);
        if (element == nullptr) continue;
        if (ownsBlocks) releaseToProcessHeap(element);
        else handler_->release(element);
      }
    }
    releaseToProcessHeap(block_);
  }
  block_ = nullptr;
  count_ = 0;
  kind_ = DatumKind::Absent;
  elementSize_ = 0;
  handler_ = nullptr;
}

void ProcessHeapList::adopt(void* block, std::uint32_t count, DatumKind kind, std::size_t elementSize,
                            ObjectValueHandler* handler) noexcept {
  reset();
  block_ = block;
  count_ = block != nullptr ? count : 0;
  kind_ = kind;
  elementSize_ = elementSize;
  handler_ = handler;
}

void ProcessHeapList::takeFrom(ProcessHeapList& other) noexcept {
  block_ = other.block_;
  count_ = other.count_;
  kind_ = other.kind_;
  elementSize_ = other.elementSize_;
  handler_ = other.handler_;
  other.block_ = nullptr;
  other.count_ = 0;
  other.kind_ = DatumKind::Absent;
  other.elementSize_ = 0;
  other.handler_ = nullptr;
}

}  // namespace corvalis
