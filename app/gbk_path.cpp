#include "app/gbk_path.h"

#include "app/text.h"

namespace corvalis {

PathSplit splitAtLastBackslash(std::string_view path) {
  PathSplit split;
  split.tail = path;
  for (std::size_t index = 0; index < path.size(); index += characterLengthAt(path, index)) {
    if (path[index] == '\\') {
      split.head = path.substr(0, index);
      split.tail = path.substr(index + 1);
      split.found = true;
    }
  }
  return split;
}

RegistryPath splitRegistryPath(std::string_view path) {
  const PathSplit split = splitAtLastBackslash(path);
  return RegistryPath{split.head, split.tail};
}

}  // namespace corvalis
