#include "controls/structure.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_set>

namespace corvalis::exui {
namespace {

void appendWord32(std::string& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

std::uint32_t readWord32(std::string_view bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

bool sizeFits(MemberType type, std::size_t size) {
  switch (type) {
    case kMemberNone: return size == 0;
    case kMemberBool:
    case kMemberInt:
    case kMemberFloat: return size == 4;
    case kMemberLongInt:
    case kMemberDouble: return size == 8;
    case kMemberText: return size >= 1;
    case kMemberBin: return true;
  }
  return false;
}

std::mutex structuresLock;
std::unordered_set<const void*>& liveStructures() {
  static auto* live = new std::unordered_set<const void*>();
  return *live;
}

}  // namespace

int Structure::insert(int index, int count) {
  if (count < 0 || count > 4096) return -1;
  if (index == -1) index = static_cast<int>(members_.size());
  if (index < 0 || index > static_cast<int>(members_.size())) return -1;
  members_.insert(members_.begin() + index, static_cast<std::size_t>(count), Member{});
  return static_cast<int>(members_.size());
}

int Structure::erase(int index, int count) {
  if (index < 0 || index >= static_cast<int>(members_.size()) || count <= 0) return 0;
  const int removed = std::min(count, static_cast<int>(members_.size()) - index);
  members_.erase(members_.begin() + index, members_.begin() + index + removed);
  return removed;
}

const Member* Structure::at(int index) const {
  if (index < 0 || index >= static_cast<int>(members_.size())) return nullptr;
  return &members_[static_cast<std::size_t>(index)];
}

bool Structure::set(int index, MemberType type, std::string bytes) {
  if (index < 0 || index >= static_cast<int>(members_.size())) return false;
  members_[static_cast<std::size_t>(index)] = Member{type, std::move(bytes)};
  return true;
}

std::int32_t Structure::intAt(int index, std::int32_t fallback) const {
  const Member* member = at(index);
  if (member == nullptr || (member->type != kMemberInt && member->type != kMemberBool)) return fallback;
  return static_cast<std::int32_t>(readWord32(member->bytes, 0));
}

const char* Structure::textAt(int index) const {
  const Member* member = at(index);
  if (member == nullptr || member->type != kMemberText) return nullptr;
  return member->bytes.c_str();  // the string keeps a terminator after the bytes
}

std::string Structure::pack() const {
  std::string out;
  appendWord32(out, kStructMagic);
  const auto count = static_cast<std::uint32_t>(members_.size());
  appendWord32(out, kStructVersion | (count << 16));
  for (const Member& member : members_) {
    appendWord32(out, member.type);
    const bool text = member.type == kMemberText;
    appendWord32(out, static_cast<std::uint32_t>(member.bytes.size() + (text ? 1 : 0)));
    out += member.bytes;
    if (text) out.push_back('\0');
    while (out.size() % 4 != 0) out.push_back('\0');
  }
  return out;
}

std::optional<Structure> Structure::unpack(std::string_view packed) {
  if (packed.size() < 8 || readWord32(packed, 0) != kStructMagic) return std::nullopt;
  const std::uint32_t second = readWord32(packed, 4);
  if ((second & 0xFFFF) != kStructVersion) return std::nullopt;
  const std::uint32_t count = second >> 16;
  Structure structure;
  std::size_t at = 8;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (packed.size() - at < 8) return std::nullopt;
    const std::uint32_t typeWord = readWord32(packed, at);
    const std::uint32_t size = readWord32(packed, at + 4);
    at += 8;
    if (typeWord > kMemberBin || size > packed.size() - at) return std::nullopt;
    const auto type = static_cast<MemberType>(typeWord);
    if (!sizeFits(type, size)) return std::nullopt;
    std::string bytes(packed.substr(at, size));
    if (type == kMemberText) {
      if (bytes.back() != '\0') return std::nullopt;
      bytes.pop_back();
    }
    structure.members_.push_back(Member{type, std::move(bytes)});
    at += size;
    at += (4 - at % 4) % 4;
    if (at > packed.size()) return std::nullopt;
  }
  return structure;
}

const void* Structure::packToBlock() { return packed_.set(1, pack()); }

Structure* newStructure() {
  auto* structure = new Structure();
  std::lock_guard guard(structuresLock);
  liveStructures().insert(structure);
  return structure;
}

bool deleteStructure(const void* handle) {
  {
    std::lock_guard guard(structuresLock);
    if (liveStructures().erase(handle) == 0) return false;
  }
  delete static_cast<const Structure*>(handle);
  return true;
}

Structure* liveStructure(const void* handle) {
  std::lock_guard guard(structuresLock);
  if (liveStructures().count(handle) == 0) return nullptr;
  return static_cast<Structure*>(const_cast<void*>(handle));
}

std::optional<FontDescription> fontFromStructure(const Structure& structure) {
  if (structure.count() == 0) return std::nullopt;
  FontDescription font;
  if (const char* face = structure.textAt(0)) font.face = face;
  font.points = structure.intAt(1, 0);
  if (font.points < 0 || font.points > 150) font.points = 0;
  font.weight = structure.intAt(2, 0);
  if (font.weight < 0 || font.weight > 1000) font.weight = 0;
  font.italic = structure.intAt(3, 0) != 0;
  font.underline = structure.intAt(4, 0) != 0;
  font.strikeOut = structure.intAt(5, 0) != 0;
  return font;
}

}  // namespace corvalis::exui
