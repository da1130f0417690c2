// Writes the seed corpus of fuzz_deserialize: valid images made by the table
// itself, plus a few damaged ones. Usage: fuzz_seed_images <directory>
// (the checked-in corpus under fuzz/corpus was made this way).
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "store/hash_table.h"
#include "store/process_heap_block.h"

namespace {

using corvalis::Datum;
using corvalis::HashTable;
using corvalis::KeyKind;
using corvalis::ProcessHeapBytes;
using corvalis::TableSettings;
using corvalis::ValueKind;
using Bytes = std::vector<unsigned char>;

std::string directory;
int failures = 0;

void write(const char* name, const Bytes& bytes) {
  const std::string path = directory + "/" + name;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    ++failures;
  }
  if (file != nullptr) std::fclose(file);
}

Bytes imageOf(const HashTable& table) {
  const ProcessHeapBytes image = table.serialize();
  if (image.empty()) {
    std::fprintf(stderr, "a table gave no image\n");
    ++failures;
  }
  return Bytes(image.data(), image.data() + image.size());
}

bool setUp(HashTable& table, std::int32_t keyKind, std::int32_t valueKind, bool ordered) {
  TableSettings settings;
  settings.ordered = ordered;
  if (table.initialize(keyKind, valueKind, settings)) return true;
  std::fprintf(stderr, "cannot set up a %d/%d table\n", keyKind, valueKind);
  ++failures;
  return false;
}

// A key of the table's kind made from i.
Datum key(std::int32_t keyKind, int i, std::string& text) {
  text = "key-" + std::to_string(i) + "\xB2\xE2";
  switch (keyKind) {
    case 3:
      return Datum::int32(i * 7919 - 3);
    case 4:
      return Datum::int64(static_cast<std::int64_t>(i) * 0x100000001LL);
    case 11:
      return Datum::bytes(text.data(), text.size() + (i % 2));  // some with the zero byte
    default:
      return Datum::text(text.c_str());
  }
}

// A value of the table's kind made from i.
Datum value(std::int32_t valueKind, int i, std::string& text) {
  text = "C:\\Tools\\\xB2\xE2\xCA\xD4\\t" + std::to_string(i) + ".exe";
  switch (valueKind) {
    case 2:
      return Datum::int16(static_cast<std::int16_t>(-300 * i));
    case 3:
      return Datum::int32(-70000 * i);
    case 4:
      return Datum::int64(static_cast<std::int64_t>(i) << 40);
    case 5:
      return Datum::float32(1.5f * static_cast<float>(i));
    case 6:
      return Datum::float64(-2.25 * i);
    case 7:
      return Datum::boolean(i % 2 == 0);
    case 8:
      return Datum::dateTime(45000.5 + i);
    case 11:
      return Datum::bytes(text.data(), i == 1 ? 0 : text.size());
    default:
      return Datum::text(i == 1 ? "" : text.c_str());
  }
}

void kinds(const char* name, std::int32_t keyKind, std::int32_t valueKind, bool ordered) {
  HashTable table;
  if (!setUp(table, keyKind, valueKind, ordered)) return;
  for (int i = 0; i < 4; ++i) {
    std::string keyText, valueText;
    table.set(key(keyKind, i, keyText), value(valueKind, i, valueText));
  }
  write(name, imageOf(table));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <directory>\n", argv[0]);
    return 2;
  }
  directory = argv[1];

  {
    HashTable table;
    if (setUp(table, 10, 10, true)) write("text-empty-table", imageOf(table));
  }
  {
    HashTable table;
    if (setUp(table, 10, 10, true)) {
      table.set("a", "C:\\a.exe");
      write("text-one-entry-63-bytes", imageOf(table));
    }
  }
  Bytes gbk;
  {
    HashTable table;
    if (setUp(table, 10, 10, true)) {
      table.set("\xD7\xC0\xC3\xE6", "C:\\Users\\Public\\Desktop");                          // desktop
      table.set("\xBC\xC7\xCA\xC2\xB1\xBE", "C:\\Windows\\notepad.exe");                   // notepad
      table.set("\xBC\xC6\xCB\xE3\xC6\xF7", "C:\\Windows\\System32\\calc.exe");            // calculator
      table.set("\xE4\xAF\xC0\xC0\xC6\xF7", "C:\\Program Files\\\xE4\xAF\xC0\xC0\xC6\xF7\\b.exe");  // browser
      table.set("\xB9\xA4\xBE\xDF", "D:\\\xB9\xA4\xBE\xDF");                                 // tools
      table.set("empty value", "");
      table.setAt("\xB9\xA4\xBE\xDF", "D:\\\xB9\xA4\xBE\xDF\\", 2);
      table.remove("\xBC\xC7\xCA\xC2\xB1\xBE");
      gbk = imageOf(table);
      write("text-gbk-entries", gbk);
    }
  }
  {
    HashTable table;
    if (setUp(table, 10, 10, true)) {
      for (int i = 0; i < 13; ++i) table.set(("s" + std::to_string(i)).c_str(), "p");
      write("text-13-entries-32-buckets", imageOf(table));
    }
  }
  if (!gbk.empty()) {
    Bytes trailing = gbk;
    for (unsigned char junk : {0x00, 0xFF, 0x41, 0x0A}) trailing.push_back(junk);
    write("text-trailing-bytes", trailing);
    write("text-truncated", Bytes(gbk.begin(), gbk.begin() + static_cast<std::ptrdiff_t>(gbk.size() - 7)));
  }
  {
    HashTable table;
    TableSettings settings;
    settings.capacity = 64;
    settings.loadFactor = 0.5f;
    settings.shrinkAllowed = false;
    settings.directHeap = true;
    if (table.initialize(KeyKind::Text, ValueKind::Text, settings)) {
      for (int i = 0; i < 40; ++i) table.set(("n" + std::to_string(i * 37)).c_str(), ("C:\\" + std::to_string(i)).c_str());
      write("text-unordered-direct-heap", imageOf(table));
    }
  }

  for (std::int32_t valueKind = 2; valueKind <= 8; ++valueKind) {
    const std::string name = "int32-keys-value-kind-" + std::to_string(valueKind);
    kinds(name.c_str(), 3, valueKind, valueKind % 2 == 0);
  }
  kinds("int64-keys-int64-values", 4, 4, true);
  kinds("int64-keys-float64-values", 4, 6, false);
  kinds("int64-keys-text-values", 4, 10, true);
  kinds("bytes-keys-bytes-values", 11, 11, true);
  kinds("bytes-keys-text-values", 11, 10, false);
  kinds("bytes-keys-int32-values", 11, 3, true);
  kinds("text-keys-bytes-values", 10, 11, false);
  return failures == 0 ? 0 : 1;
}
