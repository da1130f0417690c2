#include "store/image_salvage.h"

#include <cstdint>
#include <cstring>

#include "store/hash_table.h"
#include "store/hash_table_layout.h"

namespace corvalis {

namespace {

constexpr std::size_t kHeaderBytes = 44;
constexpr std::uint32_t kTextKind = 10;

// One text part at `offset`: [n][n bytes, the last the only zero]. Moves `offset`
// past it; false when it is not whole and sound.
bool readSoundText(const unsigned char* image, std::size_t limit, std::size_t& offset, std::string& text) {
  if (limit - offset < 4) return false;
  const std::uint32_t n = table_detail::load32(image + offset);
  if (n == 0 || limit - offset - 4 < n) return false;
  const unsigned char* data = image + offset + 4;
  if (data[n - 1] != 0 || std::memchr(data, 0, n - 1) != nullptr) return false;
  text.assign(reinterpret_cast<const char*>(data), n - 1);
  offset += 4 + static_cast<std::size_t>(n);
  return true;
}

}  // namespace

std::vector<SalvagedEntry> salvageTextRecords(const void* image, std::size_t size) {
  std::vector<SalvagedEntry> entries;
  const auto* bytes = static_cast<const unsigned char*>(image);
  if (bytes == nullptr || size < kHeaderBytes) return entries;
  const std::uint32_t totalLength = table_detail::load32(bytes);
  const std::size_t limit = totalLength >= kHeaderBytes && totalLength <= size ? totalLength : size;
  const bool ourHeader = table_detail::load32(bytes + 4) == kTextKind && table_detail::load32(bytes + 8) == kTextKind;
  const std::uint32_t recordCount = table_detail::load32(bytes + 40);
  std::size_t offset = kHeaderBytes;
  for (std::uint32_t record = 0; !ourHeader || record < recordCount; ++record) {
    SalvagedEntry entry;
    if (!readSoundText(bytes, limit, offset, entry.key) || !readSoundText(bytes, limit, offset, entry.value)) break;
    if (!entry.key.empty()) entries.push_back(std::move(entry));
  }
  return entries;
}

std::size_t salvageInto(HashTable& table, const void* image, std::size_t size) {
  for (const SalvagedEntry& entry : salvageTextRecords(image, size)) table.set(entry.key.c_str(), entry.value.c_str());
  return table.count();
}

}  // namespace corvalis
