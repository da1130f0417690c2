#include "uilib/heap_bytes.h"

#include <windows.h>

#include <cstring>
#include <limits>

namespace corvalis {

namespace {

std::int32_t readWord(const void* block, std::size_t offset) {
  std::int32_t word;
  std::memcpy(&word, static_cast<const unsigned char*>(block) + offset, sizeof word);
  return word;
}

}  // namespace

HeapBytes HeapBytes::copyOf(std::string_view bytes) {
  // The length travels as a signed 32-bit word.
  if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()) - kByteStringHeaderSize - 1)
    return HeapBytes();
  auto* block = static_cast<unsigned char*>(HeapAlloc(GetProcessHeap(), 0, kByteStringHeaderSize + bytes.size() + 1));
  if (block == nullptr) return HeapBytes();
  const std::int32_t header = kByteStringHeaderWord;
  const auto length = static_cast<std::int32_t>(bytes.size());
  std::memcpy(block, &header, 4);
  std::memcpy(block + 4, &length, 4);
  if (!bytes.empty()) std::memcpy(block + kByteStringHeaderSize, bytes.data(), bytes.size());
  block[kByteStringHeaderSize + bytes.size()] = 0;
  return HeapBytes(block);
}

HeapBytes HeapBytes::copyOfBlock(const void* block) {
  if (block == nullptr) return HeapBytes();
  const std::int32_t length = readWord(block, 4);
  if (length < 0) return HeapBytes();
  return copyOf(std::string_view(static_cast<const char*>(block) + kByteStringHeaderSize,
                                 static_cast<std::size_t>(length)));
}

std::string_view HeapBytes::bytes() const noexcept {
  if (block_ == nullptr) return {};
  return std::string_view(reinterpret_cast<const char*>(block_) + kByteStringHeaderSize,
                          static_cast<std::size_t>(readWord(block_, 4)));
}

std::int32_t HeapBytes::headerWord() const noexcept { return block_ == nullptr ? 0 : readWord(block_, 0); }

void HeapBytes::reset() noexcept {
  if (block_ != nullptr) HeapFree(GetProcessHeap(), 0, std::exchange(block_, nullptr));
}

}  // namespace corvalis
