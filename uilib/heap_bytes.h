// A byte string in the form the UI library reads and the bridge hands back: one block on
// the process heap, [int32 1][int32 length][length bytes][one zero byte]. The zero byte
// after the payload lets a block that holds text be read as a C string; it is not
// counted in the length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

namespace corvalis {

class HeapBytes {
 public:
  // An absent byte string: no block at all.
  HeapBytes() noexcept = default;
  ~HeapBytes() { reset(); }

  HeapBytes(const HeapBytes&) = delete;
  HeapBytes& operator=(const HeapBytes&) = delete;
  HeapBytes(HeapBytes&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}
  HeapBytes& operator=(HeapBytes&& other) noexcept {
    if (this != &other) {
      reset();
      block_ = std::exchange(other.block_, nullptr);
    }
    return *this;
  }

  // A new block holding a copy of `bytes`; absent when the heap refuses.
  static HeapBytes copyOf(std::string_view bytes);
  // A copy of a library block [int32 any][int32 length][bytes]: the length comes from
  // its second word. Absent for a null block or a negative length.
  static HeapBytes copyOfBlock(const void* block);

  bool absent() const noexcept { return block_ == nullptr; }
  // The block's address (the header), null when absent: what the library is given.
  const void* block() const noexcept { return block_; }
  // The payload.
  std::string_view bytes() const noexcept;
  std::int32_t headerWord() const noexcept;
  HeapBytes clone() const { return absent() ? HeapBytes() : copyOf(bytes()); }

  void reset() noexcept;

 private:
  explicit HeapBytes(unsigned char* block) noexcept : block_(block) {}
  unsigned char* block_ = nullptr;
};

inline constexpr std::int32_t kByteStringHeaderWord = 1;
inline constexpr std::size_t kByteStringHeaderSize = 8;

}  // namespace corvalis
