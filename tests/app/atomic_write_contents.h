// The contents the atomic-write test and its writer process exchange. Each one is
// recognisable as a whole: a tag, its length, and a body that depends on the tag,
// so a cut or a mix of two contents never equals any of them.
#pragma once

#include <cstddef>
#include <string>

namespace corvalis::testing {

inline constexpr std::size_t kAtomicWriteSize = 1u << 20;

inline std::string atomicWriteContent(char tag, std::size_t size = kAtomicWriteSize) {
  std::string content = std::string("tag=") + tag + " size=" + std::to_string(size) + "\n";
  content.reserve(size);
  for (std::size_t i = content.size(); i < size; ++i) {
    content.push_back(static_cast<char>((i * 131u + static_cast<unsigned char>(tag)) & 0xFF));
  }
  return content;
}

}  // namespace corvalis::testing
