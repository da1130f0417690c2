#include "controls/bin.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace corvalis::exui {
namespace {

constexpr std::int32_t kMaxBytes = 64 * 1024 * 1024;

struct Extras {
  std::int32_t wordA;
  std::int32_t wordB;
};

// Live bins by address. Bins may be made on any thread (the add-file thread builds rows).
std::mutex binsLock;
std::unordered_map<const void*, Extras>& liveBins() {
  static auto* bins = new std::unordered_map<const void*, Extras>();  // outlives every caller
  return *bins;
}

std::int32_t lengthOf(const void* bin) {
  std::int32_t length;
  std::memcpy(&length, static_cast<const char*>(bin) + 4, sizeof length);
  return length;
}

}  // namespace

void* createBin(const void* data, std::int32_t size, std::int32_t wordA, std::int32_t wordB) {
  std::size_t length;
  if (size == -4) {
    length = data == nullptr ? 0 : std::strlen(static_cast<const char*>(data));
  } else if (size >= 0 && size <= kMaxBytes && (data != nullptr || size == 0)) {
    length = static_cast<std::size_t>(size);
  } else {
    return nullptr;
  }
  if (length > static_cast<std::size_t>(kMaxBytes)) return nullptr;
  auto* block = static_cast<char*>(std::malloc(8 + length + 1));
  if (block == nullptr) return nullptr;
  const std::int32_t header = 1;
  const auto length32 = static_cast<std::int32_t>(length);
  std::memcpy(block, &header, 4);
  std::memcpy(block + 4, &length32, 4);
  if (length > 0) std::memcpy(block + 8, data, length);
  block[8 + length] = '\0';
  std::lock_guard guard(binsLock);
  liveBins().emplace(block, Extras{wordA, wordB});
  return block;
}

bool deleteBin(const void* bin) {
  if (bin == nullptr) return false;
  {
    std::lock_guard guard(binsLock);
    if (liveBins().erase(bin) == 0) return false;
  }
  std::free(const_cast<void*>(bin));
  return true;
}

bool isBin(const void* bin) {
  std::lock_guard guard(binsLock);
  return liveBins().count(bin) != 0;
}

std::optional<TakenBin> takeBin(const void* bin) {
  if (bin == nullptr) return std::nullopt;
  Extras extras;
  {
    std::lock_guard guard(binsLock);
    const auto found = liveBins().find(bin);
    if (found == liveBins().end()) return std::nullopt;
    extras = found->second;
    liveBins().erase(found);
  }
  TakenBin taken;
  taken.bytes.assign(static_cast<const char*>(bin) + 8, static_cast<std::size_t>(lengthOf(bin)));
  taken.wordA = extras.wordA;
  taken.wordB = extras.wordB;
  std::free(const_cast<void*>(bin));
  return taken;
}

std::string_view viewByteString(const void* block) {
  if (block == nullptr) return {};
  const std::int32_t length = lengthOf(block);
  if (length <= 0 || length > kMaxBytes) return {};
  return {static_cast<const char*>(block) + 8, static_cast<std::size_t>(length)};
}

const void* OwnedBlock::set(std::int32_t header, std::string_view bytes) {
  const auto length = static_cast<std::int32_t>(bytes.size());
  storage_.assign(8, '\0');
  std::memcpy(storage_.data(), &header, 4);
  std::memcpy(storage_.data() + 4, &length, 4);
  storage_.append(bytes);
  storage_.push_back('\0');
  return storage_.data();
}

}  // namespace corvalis::exui
