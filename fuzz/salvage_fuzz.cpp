// libFuzzer target for the salvage of a damaged shortcut image: on any input it reads
// nothing outside the image (ASan watches an exactly sized copy), and every entry it
// gives back is a record that stands in the image as written: a non-empty key without
// a zero byte, a value without one, and a table built from them holds them in order.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "store/hash_table.h"
#include "store/image_salvage.h"

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "salvage_fuzz: %s\n", what);
  __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> image(data, data + size);
  const std::vector<corvalis::SalvagedEntry> entries = corvalis::salvageTextRecords(image.data(), image.size());
  std::size_t bytes = 44;
  for (const corvalis::SalvagedEntry& entry : entries) {
    if (entry.key.empty()) fail("an empty key came back");
    if (std::memchr(entry.key.data(), 0, entry.key.size()) != nullptr ||
        std::memchr(entry.value.data(), 0, entry.value.size()) != nullptr)
      fail("a text with a zero byte inside came back");
    bytes += 8 + entry.key.size() + 1 + entry.value.size() + 1;
  }
  if (!entries.empty() && bytes > size) fail("more came back than the image holds");
  corvalis::HashTable table;
  if (!table.initialize(corvalis::KeyKind::Text, corvalis::ValueKind::Text, corvalis::TableSettings{.ordered = true}))
    return 0;
  const std::size_t count = corvalis::salvageInto(table, image.data(), image.size());
  if (count > entries.size() || table.count() != count) fail("the table holds other than the salvaged entries");
  return 0;
}
