// Typed hash table with an ordered mode, kept in a private heap with a small-object
// pool, and its serialised image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "store/datum.h"
#include "store/heap_access.h"
#include "store/object_value_handler.h"
#include "store/process_heap_block.h"
#include "store/small_object_pool.h"

namespace corvalis {

// The codes are part of the serialised image. Any other code given to
// initialize becomes Int32.
// Scoped enumerators never shadow anything (see DatumKind).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
enum class KeyKind : std::int32_t { Int32 = 3, Int64 = 4, Text = 10, Bytes = 11 };
enum class ValueKind : std::int32_t {
  Int16 = 2,
  Int32 = 3,
  Int64 = 4,
  Float32 = 5,
  Float64 = 6,
  Boolean = 7,
  DateTime = 8,
  Text = 10,
  Bytes = 11,
  Object = 99,
};
#pragma GCC diagnostic pop

enum class SetResult : std::int32_t { Refused = 0, Added = 1, Replaced = 2, Kept = 3 };

enum class Arithmetic : std::int32_t { Add = 0, Subtract = 1, Multiply = 2, Divide = 3 };

// Optional settings of initialize; absent ones take their defaults. Meant for
// designated initializers: TableSettings{.ordered = true}.
struct TableSettings {
  std::optional<std::int32_t> capacity = std::nullopt;  // 16 when absent or below 16; rounded down to a power of two, at most 2^30
  std::optional<float> loadFactor = std::nullopt;       // 0.75 when absent or outside (0, 1)
  std::optional<bool> shrinkAllowed = std::nullopt;     // true when absent
  bool directHeap = false;                              // no pool: every block straight from the private heap
  bool ordered = false;                                 // entries carry 1-based positions
};

// One entry: hash and chain link, then the value slot, the key part and, in an
// ordered table, the 0-based position, packed without padding.
struct HashNode {
  std::uint32_t hash;
  HashNode* next;
};

struct HashTableInternals;

class HashTable {
 public:
  HashTable() noexcept;  // empty and bound to the heap routines; initialize before use
  virtual ~HashTable();  // destroy
  HashTable(const HashTable&) = delete;
  HashTable& operator=(const HashTable&) = delete;

  // Copies every field into target (whose own content is destroyed first). Both
  // then share one private heap: exactly one of them may destroy it, the other
  // must forget.
  virtual void shallowCopy(HashTable& target) const;

  // Destroys any content and sets the table up empty: 1 on success, 0 when the
  // heap, the bucket array or the pool cannot be had (the table is then unusable).
  virtual bool initialize(std::int32_t keyKind, std::int32_t valueKind, const TableSettings& settings = {});
  bool initialize(KeyKind keyKind, ValueKind valueKind, const TableSettings& settings = {}) {
    return initialize(static_cast<std::int32_t>(keyKind), static_cast<std::int32_t>(valueKind), settings);
  }

  // Releases everything in one heap destruction; the table is unusable until
  // initialize runs again.
  virtual void destroy();

  // Rebuilds the chains over newBucketCount buckets (a power of two, at least 16).
  // False, with the old array kept, when the new one cannot be allocated.
  virtual bool resize(std::uint32_t newBucketCount);

  virtual bool setUpPool();
  // A block from the table's pool (or its heap, for large blocks or without a pool).
  virtual void* poolAllocate(std::size_t size);
  // Returns such a block; size must be the one it was allocated with.
  virtual void poolRelease(void* block, std::size_t size);

  // Adds or replaces. Refused: no buckets, an empty or absent text or byte-string
  // key, an object table without a handler, an argument of a kind the table cannot
  // take, or no memory (then nothing changes).
  virtual SetResult set(const Datum& key, const Datum& value, bool keepExisting = false);
  SetResult set(const char* key, const char* value, bool keepExisting = false) {
    return set(Datum::text(key), Datum::text(value), keepExisting);
  }
  // As set, with text and byte-string keys and values given as memory and length
  // when the matching flag is set (a raw text key gets its zero byte appended).
  // Without the flag the address is that of the caller's variable of the table's
  // kind: a zero-terminated text, or a scalar of the kind's size (length unused),
  // or a pointer-sized object.
  virtual SetResult setRaw(const void* keyAddress, std::size_t keyLength, bool keyIsRaw, const void* valueAddress,
                           std::size_t valueLength, bool valueIsRaw, bool keepExisting = false);

  // Copies the value of key into `value` (default contents when the key is absent);
  // *found tells whether it was present.
  virtual void get(const Datum& key, const OutRef& value, bool* found = nullptr) const;
  ProcessHeapText get(const char* key, bool* found = nullptr) const;
  // Copies the value when the key is present; leaves `value` alone otherwise.
  virtual bool tryGet(const Datum& key, const OutRef& value) const;
  bool tryGet(const char* key, ProcessHeapText& value) const { return tryGet(Datum::text(key), OutRef::text(value)); }

  // Every key whose value equals `value`, in bucket order; the count.
  virtual std::uint32_t keysOfValue(const Datum& value, ProcessHeapList& keys) const;

  // Ordered tables: adds or replaces and moves the entry to `position` (1-based;
  // 0 or beyond the end means the end).
  virtual SetResult setAt(const Datum& key, const Datum& value, std::int32_t position, bool keepExisting = false);
  SetResult setAt(const char* key, const char* value, std::int32_t position, bool keepExisting = false) {
    return setAt(Datum::text(key), Datum::text(value), position, keepExisting);
  }
  // 1-based position, 0 when absent or the table is not ordered.
  virtual std::int32_t positionOf(const Datum& key) const;
  std::int32_t positionOf(const char* key) const { return positionOf(Datum::text(key)); }
  // Ordered tables: copies out the entry at 1 <= position <= count.
  virtual bool getAt(std::int32_t position, const OutRef& key, const OutRef& value = OutRef()) const;
  bool getAt(std::int32_t position, ProcessHeapText* key, ProcessHeapText* value) const {
    return getAt(position, key != nullptr ? OutRef::text(*key) : OutRef(),
                 value != nullptr ? OutRef::text(*value) : OutRef());
  }

  // Value kinds Int16, Int32, Int64, Float32, Float64: stored = stored op operand
  // in the value's own type (integers wrap); the new value also goes to result.
  // Integer division by zero is refused.
  virtual bool applyArithmetic(const Datum& key, const Datum& operand, Arithmetic operation,
                               const OutRef& result = OutRef());

  virtual bool contains(const Datum& key) const;
  bool contains(const char* key) const { return contains(Datum::text(key)); }
  // Text and byte-string keys given as memory.
  virtual bool containsRaw(const void* address, std::size_t length) const;
  // Linear scan; false for object values.
  virtual bool containsValue(const Datum& value) const;

  virtual bool remove(const Datum& key);
  bool remove(const char* key) { return remove(Datum::text(key)); }

  virtual std::uint32_t bucketCount() const;
  virtual std::uint32_t count() const;
  virtual KeyKind keyKind() const;
  virtual ValueKind valueKind() const;

  // Replace the list's content with every key (value), in position order in an
  // ordered table and bucket order otherwise; the count. A null text value gives
  // a null element.
  virtual std::uint32_t keys(ProcessHeapList& list) const;
  virtual std::uint32_t values(ProcessHeapList& list) const;

  // Enumeration in bucket order. Growth and shrinking restart it.
  virtual void rewind();
  virtual bool next(const OutRef& key, const OutRef& value);
  virtual bool nextKey(const OutRef& key);
  virtual bool nextValue(const OutRef& value);

  // Object tables: a duplicate of the stored value, or a new default when the key
  // is absent or its value null; null without a handler.
  virtual void* objectValue(const Datum& key);
  // Installs the handler unless it is null.
  virtual void setObjectHandler(ObjectValueHandler* handler);

  // Text-keyed tables: the 1-based byte position of the first place in text where
  // a key starts (whole double-byte characters only), or -1. The key found goes to
  // *key when asked for.
  virtual std::int32_t findKeyInText(const char* text, ProcessHeapText* key = nullptr) const;
  // As findKeyInText, scanning from the 1-based byte position start (<= 0 counts as
  // 1, beyond the text gives -1); *length receives the key's length.
  virtual std::int32_t findKeyInTextFrom(const char* text, std::int32_t start, ProcessHeapText* key = nullptr,
                                         std::uint32_t* length = nullptr) const;

  // The serialised image on the process heap; empty when the table is not set up,
  // holds objects, or the image cannot be allocated.
  virtual ProcessHeapBytes serialize() const;

  // Rebuilds the table from an image: true when it was rebuilt.
  //
  // The whole image is checked before the current content is touched: no image,
  // fewer than 44 bytes, a totalLength above the image size or below 44, value kind
  // Object, or any record (recordCount of them) that would run past totalLength -
  // each refuses the image and leaves the table exactly as it was. Bytes behind
  // totalLength are ignored. A record's length fields are checked against the bytes
  // that remain before anything is read, so a huge record count or length costs
  // nothing. The header's kinds and settings go through initialize's coercions; the
  // bucket count is capped at kLargestImageBucketCount (the records grow the table
  // as far as they need). Records are then added with set in order; a record with
  // an empty key adds nothing and a repeated key takes the later value. Should
  // memory run out part-way, the result is false with the records read so far.
  virtual bool deserialize(const void* image, std::size_t size);
  bool deserialize(const ProcessHeapBytes& image) { return deserialize(image.data(), image.size()); }

  // Clears what destroy clears without releasing anything (for the second of two
  // shallow copies).
  virtual void forget();

  static constexpr std::uint32_t kLargestImageBucketCount = 1u << 16;

 protected:
  virtual std::uint32_t hashText(const char* text, std::uint32_t* length) const;
  virtual std::uint32_t hashBytes(const void* data, std::size_t length) const;
  virtual bool bytesEqual(const void* a, const void* b, std::size_t length) const;
  virtual std::size_t textLength(const char* text) const;
  virtual std::uint32_t hashEightBytes(std::uint64_t value) const;
  virtual std::uint32_t powerOfTwoExponent(std::uint32_t n) const;
  virtual void releaseObjectValues();

 private:
  friend void bindHeapAccess(HashTable& table);
  friend struct HashTableInternals;

  struct KeyProbe;
  struct PreparedValue;
  struct StoredView;
  struct ImageRecord;

  // Entry layout (the inline ones are defined in hash_table_layout.h).
  inline unsigned char* valueSlot(HashNode* node) const;
  inline unsigned char* keyPart(HashNode* node) const;
  inline std::uint32_t storedKeyLength(HashNode* node) const;
  inline std::size_t keyPartSize(HashNode* node) const;
  std::size_t entrySize(HashNode* node) const;
  inline std::uint32_t positionOfNode(HashNode* node) const;
  inline void setPositionOfNode(HashNode* node, std::uint32_t position) const;
  std::uint32_t bucketIndex(std::uint32_t hash) const;

  bool probeKey(const Datum& key, KeyProbe& probe) const;
  bool probeRawKey(const void* address, std::size_t length, KeyProbe& probe) const;
  HashNode* findNode(const KeyProbe& probe, HashNode** previous, HashNode** last) const;
  // findNode for a text or byte-string key given as memory, in a table with buckets;
  // the text get's own walk (through a probe and findNode a missing key costs about
  // 40 % more).
  HashNode* findSpanKey(const void* data, std::size_t length) const;

  bool prepareValue(const Datum& value, PreparedValue& prepared);
  void discardPrepared(PreparedValue& prepared);
  void releaseStoredValue(HashNode* node);
  void storePrepared(HashNode* node, const PreparedValue& prepared);

  SetResult store(const KeyProbe& probe, PreparedValue& prepared, bool keepExisting, bool moveTo,
                  std::int32_t position);
  HashNode* createNode(const KeyProbe& probe, std::uint32_t position);
  void growIfNeeded();
  void shiftPositions(std::uint32_t from, std::uint32_t to, std::int32_t delta);

  inline StoredView keyView(HashNode* node) const;
  inline StoredView valueView(HashNode* node) const;
  bool deliver(const OutRef& out, const StoredView& view) const;
  bool deliverValueOrDefault(const OutRef& out) const;
  bool valueEquals(HashNode* node, const Datum& value) const;
  std::uint32_t fillList(ProcessHeapList& list, bool wantKeys) const;
  bool advanceCursor();

  void* processAllocate(std::size_t size, std::uint32_t flags) const;
  void processRelease(void* block) const;
  PoolHeap privatePoolHeap() const;

  std::int32_t scanTextForKey(const char* text, std::size_t textBytes, std::size_t from, ProcessHeapText* key,
                              std::uint32_t* length) const;

  std::size_t recordLength(HashNode* node) const;
  void writeRecord(HashNode* node, unsigned char* at) const;
  static bool readRecord(std::int32_t keyKind, std::int32_t valueKind, const unsigned char* image,
                         std::uint32_t limit, std::uint32_t& offset, ImageRecord& record);
  SetResult addImageRecord(const ImageRecord& record);

  HeapHandle privateHeap_ = nullptr;
  HashNode** buckets_ = nullptr;
  std::uint32_t bucketCount_ = 0;
  float loadFactor_ = 0;
  std::uint32_t count_ = 0;
  std::uint32_t growThreshold_ = 0;
  std::uint32_t indexShift_ = 0;
  std::int32_t keyKind_ = 0;
  std::int32_t valueKind_ = 0;
  HeapAllocateRoutine heapAllocate_ = nullptr;
  HeapFreeRoutine heapFree_ = nullptr;
  std::uint32_t cursorBucket_ = 0;
  HashNode* cursorNode_ = nullptr;
  ObjectValueHandler* objectHandler_ = nullptr;
  std::uint32_t valueSlotSize_ = 0;
  std::uint32_t shrinkAllowed_ = 0;
  std::uint32_t longestTextKey_ = 0;
  std::uint32_t hasSse42_ = 0;
  HeapReallocateRoutine heapReallocate_ = nullptr;
  SmallObjectPool* pool_ = nullptr;
  HeapHandle processHeap_ = nullptr;
  std::uint32_t directHeap_ = 0;
  std::uint32_t ordered_ = 0;
};

// Free-function forms of the pool operations.
bool setUpPool(HashTable& table);
void* poolAllocate(HashTable& table, std::size_t size);
void poolRelease(HashTable& table, void* block, std::size_t size);

}  // namespace corvalis
