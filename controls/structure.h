// The library's structures: ordered, typed members, packed into a byte form that travels
// through the program as a byte string (font descriptions of row buttons, for one).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "controls/bin.h"
#include "controls/exui_protocol.h"

namespace corvalis::exui {

struct Member {
  MemberType type = kMemberNone;
  std::string bytes;  // little-endian value, or the text without terminator, or the bin's bytes
};

class Structure {
 public:
  int insert(int index, int count);   // member count after; -1 for a bad index
  int erase(int index, int count);    // members removed
  int count() const { return static_cast<int>(members_.size()); }
  const Member* at(int index) const;
  bool set(int index, MemberType type, std::string bytes);
  std::int32_t intAt(int index, std::int32_t fallback) const;  // bool or int members
  const char* textAt(int index) const;                          // null unless a text member

  std::string pack() const;
  static std::optional<Structure> unpack(std::string_view packed);

  // The block Pack_StructEx hands out; it lives as long as the structure does not change.
  const void* packToBlock();

 private:
  std::vector<Member> members_;
  OwnedBlock packed_;
};

// Handles for the exported functions: live structures by address.
Structure* newStructure();
bool deleteStructure(const void* handle);
Structure* liveStructure(const void* handle);

// A font as a row button's attributes describe it.
struct FontDescription {
  std::string face;  // GBK; empty: keep
  int points = 0;    // size in points; 0: keep
  int weight = 0;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
};
std::optional<FontDescription> fontFromStructure(const Structure& structure);

}  // namespace corvalis::exui
