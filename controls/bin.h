// Byte blocks crossing the boundary: the library's own bins (CreateBinEx) and the program's
// byte strings, both laid out as [int32 header][int32 length][bytes].
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvalis::exui {

// CreateBinEx: a new bin, or nullptr for a refused size. See the protocol header.
void* createBin(const void* data, std::int32_t size, std::int32_t wordA, std::int32_t wordB);
// DeleteBinEx: frees a live bin; false for anything else.
bool deleteBin(const void* bin);
bool isBin(const void* bin);

struct TakenBin {
  std::string bytes;
  std::int32_t wordA = 0;
  std::int32_t wordB = 0;
};
// For the functions that consume a bin: its contents, the bin freed. Nothing for a null or
// unknown address (those are never read).
std::optional<TakenBin> takeBin(const void* bin);

// A byte string of the program, read in place: [int32 any][int32 length][bytes]. Null, a
// negative length or an absurd one (over 64 MiB) read as empty.
std::string_view viewByteString(const void* block);

// A block the library hands out and keeps: [int32 header][int32 length][bytes][0].
class OwnedBlock {
 public:
  const void* set(std::int32_t header, std::string_view bytes);
  const void* address() const { return storage_.empty() ? nullptr : storage_.data(); }

 private:
  std::string storage_;
};

}  // namespace corvalis::exui
