// Owners of the blocks a table hands back to its caller. Every such block lives
// on the process heap and belongs to the receiver; these types release it through
// the process heap when they go out of scope or receive new content.
#pragma once

#include <cstddef>
#include <cstdint>

#include "store/datum.h"

namespace corvalis {

class ObjectValueHandler;

// Returns a block to the process heap; null is ignored.
void releaseToProcessHeap(void* block);

// A new zero-terminated copy on the process heap; null when text is null or the
// heap is out of memory.
char* copyToProcessHeap(const char* text, std::size_t length);

struct ByteView {
  const unsigned char* data = nullptr;
  std::size_t size = 0;
};

// A zero-terminated text on the process heap, or none.
class ProcessHeapText {
 public:
  ProcessHeapText() = default;
  // Takes over a block from the process heap.
  explicit ProcessHeapText(char* adopted) noexcept : text_(adopted) {}
  ~ProcessHeapText() { reset(); }
  ProcessHeapText(ProcessHeapText&& other) noexcept : text_(other.release()) {}
  ProcessHeapText& operator=(ProcessHeapText&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ProcessHeapText(const ProcessHeapText&) = delete;
  ProcessHeapText& operator=(const ProcessHeapText&) = delete;

  // Null when there is no text.
  const char* get() const { return text_; }
  // The text, or "" when there is none.
  const char* c_str() const { return text_ != nullptr ? text_ : ""; }
  explicit operator bool() const { return text_ != nullptr; }
  std::size_t length() const;

  // Releases the current text and takes over `adopted` (a process-heap block or null).
  // Inline: most resets (every get of an absent key, every end of an empty one) have
  // nothing to release.
  void reset(char* adopted = nullptr) noexcept {
    if (text_ != adopted && text_ != nullptr) releaseToProcessHeap(text_);
    text_ = adopted;
  }
  // Gives the block up to the caller, who must release it to the process heap.
  char* release() noexcept {
    char* text = text_;
    text_ = nullptr;
    return text;
  }

 private:
  char* text_ = nullptr;
};

// A counted byte string on the process heap; empty has no block.
class ProcessHeapBytes {
 public:
  ProcessHeapBytes() = default;
  // Takes over a process-heap block of `size` bytes.
  ProcessHeapBytes(void* adopted, std::size_t size) noexcept
      : data_(static_cast<unsigned char*>(adopted)), size_(adopted != nullptr ? size : 0) {}
  ~ProcessHeapBytes() { reset(); }
  ProcessHeapBytes(ProcessHeapBytes&& other) noexcept : data_(other.data_), size_(other.size_) {
    other.data_ = nullptr;
    other.size_ = 0;
  }
  ProcessHeapBytes& operator=(ProcessHeapBytes&& other) noexcept {
    if (this != &other) {
      reset(other.data_, other.size_);
      other.data_ = nullptr;
      other.size_ = 0;
    }
    return *this;
  }
  ProcessHeapBytes(const ProcessHeapBytes&) = delete;
  ProcessHeapBytes& operator=(const ProcessHeapBytes&) = delete;

  const unsigned char* data() const { return data_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  ByteView view() const { return {data_, size_}; }

  void reset(void* adopted = nullptr, std::size_t size = 0) noexcept;
  // Gives the block up to the caller, who must release it to the process heap.
  unsigned char* release() noexcept {
    unsigned char* data = data_;
    data_ = nullptr;
    size_ = 0;
    return data;
  }

 private:
  unsigned char* data_ = nullptr;
  std::size_t size_ = 0;
};

// A list of keys or values on the process heap: count elements of one kind.
// Elements that are texts or byte strings are blocks of their own, owned by the
// list: a text element is a zero-terminated copy (null for an absent value), a
// byte-string element a block [32-bit length][bytes] (null when empty). Object
// elements were made by the table's handler and are released through it.
class ProcessHeapList {
 public:
  ProcessHeapList() = default;
  ~ProcessHeapList() { reset(); }
  ProcessHeapList(ProcessHeapList&& other) noexcept { takeFrom(other); }
  ProcessHeapList& operator=(ProcessHeapList&& other) noexcept {
    if (this != &other) {
      reset();
      takeFrom(other);
    }
    return *this;
  }
  ProcessHeapList(const ProcessHeapList&) = delete;
  ProcessHeapList& operator=(const ProcessHeapList&) = delete;

  std::uint32_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  DatumKind elementKind() const { return kind_; }
  // 8 bytes for 64-bit integers, doubles and date-times, pointer-sized for texts,
  // byte strings and objects, 4 bytes otherwise.
  std::size_t elementSize() const { return elementSize_; }
  const void* data() const { return block_; }

  // Out-of-range indexes and other kinds give null, empty or 0.
  const char* textAt(std::uint32_t index) const;
  ByteView bytesAt(std::uint32_t index) const;
  std::int64_t integerAt(std::uint32_t index) const;  // Int16, Int32, Int64, Boolean
  double realAt(std::uint32_t index) const;           // Float32, Float64, DateTime
  void* objectAt(std::uint32_t index) const;

  // Releases every element and the list.
  void reset() noexcept;

  // Gives the block up without releasing anything: its elements stay in it.
  void* release() noexcept {
    void* block = block_;
    block_ = nullptr;
    count_ = 0;
    kind_ = DatumKind::Absent;
    elementSize_ = 0;
    handler_ = nullptr;
    return block;
  }

  // Takes over a zeroed process-heap block of `count` elements whose text,
  // byte-string and object elements now belong to the list.
  void adopt(void* block, std::uint32_t count, DatumKind kind, std::size_t elementSize,
             ObjectValueHandler* handler) noexcept;

 private:
  const unsigned char* elementAddress(std::uint32_t index) const;
  void takeFrom(ProcessHeapList& other) noexcept;

  void* block_ = nullptr;
  std::uint32_t count_ = 0;
  DatumKind kind_ = DatumKind::Absent;
  std::size_t elementSize_ = 0;
  ObjectValueHandler* handler_ = nullptr;
};

}  // namespace corvalis
