// The key and value sets of the store benchmarks, the same in the native and the
// Windows programs: the same seed gives the same keys, values and orders on both.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace corvalis::bench {

// One GBK double-byte character: lead 0xB0-0xF7, trail 0xA1-0xFE.
inline void appendGbk(std::string& text, std::mt19937_64& random) {
  text += static_cast<char>(0xB0 + random() % (0xF7 - 0xB0 + 1));
  text += static_cast<char>(0xA1 + random() % (0xFE - 0xA1 + 1));
}

inline void appendAscii(std::string& text, std::mt19937_64& random, const char* alphabet, std::size_t alphabetSize) {
  text += alphabet[random() % alphabetSize];
}

// 8 to 40 bytes of ASCII letters, digits and GBK characters, at least one of them GBK.
inline std::string makeKey(std::mt19937_64& random) {
  static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789 _-";
  const std::size_t length = 8 + random() % 33;
  std::string key;
  bool hasGbk = false;
  while (key.size() < length) {
    if (length - key.size() >= 2 && random() % 2 == 0) {
      appendGbk(key, random);
      hasGbk = true;
    } else {
      appendAscii(key, random, kAlphabet, sizeof kAlphabet - 1);
    }
  }
  if (!hasGbk) {
    std::string lead;
    appendGbk(lead, random);
    key.replace(0, 2, lead);
  }
  return key;
}

// A Windows path with a GBK folder name, e.g. "C:\Program Files\<GBK>\tool42.exe".
inline std::string makeValue(std::mt19937_64& random) {
  static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  static const char* const kRoots[] = {"C:\\Program Files\\", "C:\\Program Files (x86)\\", "D:\\Tools\\",
                                       "C:\\Users\\Public\\Desktop\\"};
  std::string value = kRoots[random() % 4];
  for (std::size_t i = 0, n = 2 + random() % 4; i < n; ++i) appendGbk(value, random);
  value += '\\';
  for (std::size_t i = 0, n = 3 + random() % 10; i < n; ++i) appendAscii(value, random, kAlphabet, sizeof kAlphabet - 1);
  value += random() % 3 == 0 ? ".lnk" : ".exe";
  return value;
}

struct DataSet {
  std::vector<std::string> keys;     // present keys, in insertion order
  std::vector<std::string> values;   // values[i] belongs to keys[i]
  std::vector<std::string> missing;  // keys of the same shape that are never inserted
  std::vector<std::uint32_t> order;  // a shuffled visiting order of 0..n-1
};

// Duplicates are dropped by sorting indexes rather than through a node-based set:
// freeing such a set would leave small holes all over the heap between the kept
// strings, and the unordered_map's own allocations would then be served from
// those scattered holes, which slows it down several times in later rows.
inline DataSet makeDataSet(std::size_t n, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  std::vector<std::string> candidates;
  std::vector<bool> duplicate;
  for (std::size_t wanted = 2 * n; ; wanted += n / 8 + 16) {
    candidates.reserve(wanted);
    while (candidates.size() < wanted) candidates.push_back(makeKey(random));
    std::vector<std::uint32_t> byText(candidates.size());
    for (std::size_t i = 0; i < byText.size(); ++i) byText[i] = static_cast<std::uint32_t>(i);
    std::stable_sort(byText.begin(), byText.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return candidates[a] < candidates[b]; });
    duplicate.assign(candidates.size(), false);
    std::size_t unique = byText.empty() ? 0 : 1;
    for (std::size_t i = 1; i < byText.size(); ++i) {
      if (candidates[byText[i]] == candidates[byText[i - 1]]) duplicate[byText[i]] = true;
      else ++unique;
    }
    if (unique >= 2 * n) break;
  }
  DataSet data;
  data.keys.reserve(n);
  data.missing.reserve(n);
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    if (duplicate[i]) continue;
    if (data.keys.size() < n) data.keys.push_back(std::move(candidates[i]));
    else if (data.missing.size() < n) data.missing.push_back(std::move(candidates[i]));
  }
  data.values.reserve(n);
  for (std::size_t i = 0; i < n; ++i) data.values.push_back(makeValue(random));
  data.order.resize(n);
  for (std::size_t i = 0; i < n; ++i) data.order[i] = static_cast<std::uint32_t>(i);
  std::shuffle(data.order.begin(), data.order.end(), random);
  return data;
}

inline const DataSet& dataSet(std::size_t n) {
  static std::map<std::size_t, DataSet> sets;
  auto it = sets.find(n);
  if (it == sets.end()) it = sets.emplace(n, makeDataSet(n, 0xC0FFEE + n)).first;
  return it->second;
}

}  // namespace corvalis::bench
