// What can still be read of a damaged shortcut image: the records of a text-keyed,
// text-valued image, one after another from the end of the header, for as long as
// each is whole and sound. A file cut short (a copy that stopped, a sync conflict)
// keeps every record before the cut.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace corvalis {

class HashTable;

struct SalvagedEntry {
  std::string key;    // never empty
  std::string value;  // empty for an absent value
};

// The records that stand whole and sound in `image`, in order. A text part is sound
// when its count n is at least 1, its n bytes lie within the image and end in their
// only zero byte. The records end at the header's totalLength when that is sane (44 up
// to the image's size), else at the image's end; with a header of text keys and text
// values, after recordCount of them. A record with an empty key is passed over, as
// the table would refuse it.
std::vector<SalvagedEntry> salvageTextRecords(const void* image, std::size_t size);

// Sets the salvaged records into `table` in order (a repeated key takes the later
// value and keeps its first place); the number of entries the table holds afterwards.
std::size_t salvageInto(HashTable& table, const void* image, std::size_t size);

}  // namespace corvalis
