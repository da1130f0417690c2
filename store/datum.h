// Typed views through which keys and values are handed to a table (Datum) and
// copied out of it (OutRef).
#pragma once

#include <cstddef>
#include <cstdint>

namespace corvalis {

class ProcessHeapText;
class ProcessHeapBytes;

// GCC's -Wshadow takes scoped enumerators (Text, Bytes) for shadows of namespace-scope
// names of the same spelling, which they never are: they are reached only qualified.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
enum class DatumKind : std::uint8_t {
  Absent,
  Text,
  Bytes,
  Int16,
  Int32,
  Int64,
  Float32,
  Float64,
  Boolean,
  DateTime,  // days as a double, like the system's date values
  Object,
};
#pragma GCC diagnostic pop

// A non-owning view of one key or value argument. A table takes the kinds it
// can convert to its own: any number for a number (floats to integers saturate,
// NaN gives 0), text and byte strings for each other, objects for objects.
// An absent argument stands for an absent text, an empty byte string, 0 or null.
class Datum {
 public:
  constexpr Datum() = default;

  static constexpr Datum absent() { return Datum(); }
  // A zero-terminated text; null is absent.
  static constexpr Datum text(const char* text) {
    Datum d(text == nullptr ? DatumKind::Absent : DatumKind::Text);
    d.pointer_ = text;
    d.lengthKnown_ = false;
    return d;
  }
  // A text given as memory and length (no terminator needed).
  static constexpr Datum textSpan(const char* data, std::size_t length) {
    Datum d(DatumKind::Text);
    d.pointer_ = data;
    d.length_ = data == nullptr ? 0 : length;
    return d;
  }
  static constexpr Datum bytes(const void* data, std::size_t length) {
    Datum d(DatumKind::Bytes);
    d.pointer_ = data;
    d.length_ = data == nullptr ? 0 : length;
    return d;
  }
  static constexpr Datum int16(std::int16_t value) { return integer(DatumKind::Int16, value); }
  static constexpr Datum int32(std::int32_t value) { return integer(DatumKind::Int32, value); }
  static constexpr Datum int64(std::int64_t value) { return integer(DatumKind::Int64, value); }
  static constexpr Datum boolean(bool value) { return integer(DatumKind::Boolean, value ? 1 : 0); }
  static constexpr Datum float32(float value) { return real(DatumKind::Float32, value); }
  static constexpr Datum float64(double value) { return real(DatumKind::Float64, value); }
  static constexpr Datum dateTime(double value) { return real(DatumKind::DateTime, value); }
  static constexpr Datum object(void* value) {
    Datum d(DatumKind::Object);
    d.pointer_ = value;
    return d;
  }

  constexpr DatumKind kind() const { return kind_; }
  // Text and byte strings: the memory; objects: the object.
  constexpr const void* pointer() const { return pointer_; }
  // False for a zero-terminated text whose length is still to be measured.
  constexpr bool lengthKnown() const { return lengthKnown_; }
  constexpr std::size_t length() const { return length_; }
  constexpr std::int64_t integerValue() const { return integer_; }
  constexpr double realValue() const { return real_; }

 private:
  constexpr explicit Datum(DatumKind kind) : kind_(kind) {}
  static constexpr Datum integer(DatumKind kind, std::int64_t value) {
    Datum d(kind);
    d.integer_ = value;
    return d;
  }
  static constexpr Datum real(DatumKind kind, double value) {
    Datum d(kind);
    d.real_ = value;
    return d;
  }

  DatumKind kind_ = DatumKind::Absent;
  bool lengthKnown_ = true;
  const void* pointer_ = nullptr;
  std::size_t length_ = 0;
  std::int64_t integer_ = 0;
  double real_ = 0;
};

// Where a table writes a copy of a key or value: the caller's variable of the
// given kind. Texts and byte strings arrive as new process-heap blocks; a variable
// that already holds one releases it first. Kinds convert as for Datum; an output
// a table cannot convert to makes the operation refuse without writing anything.
// OutRef() asks for nothing.
class OutRef {
 public:
  constexpr OutRef() = default;

  static OutRef text(ProcessHeapText& variable) { return OutRef(DatumKind::Text, &variable); }
  static OutRef bytes(ProcessHeapBytes& variable) { return OutRef(DatumKind::Bytes, &variable); }
  static OutRef int16(std::int16_t& variable) { return OutRef(DatumKind::Int16, &variable); }
  static OutRef int32(std::int32_t& variable) { return OutRef(DatumKind::Int32, &variable); }
  static OutRef int64(std::int64_t& variable) { return OutRef(DatumKind::Int64, &variable); }
  static OutRef boolean(bool& variable) { return OutRef(DatumKind::Boolean, &variable); }
  static OutRef float32(float& variable) { return OutRef(DatumKind::Float32, &variable); }
  static OutRef float64(double& variable) { return OutRef(DatumKind::Float64, &variable); }
  static OutRef dateTime(double& variable) { return OutRef(DatumKind::DateTime, &variable); }
  // Receives a value produced by the table's ObjectValueHandler; the caller owns it.
  static OutRef object(void*& variable) { return OutRef(DatumKind::Object, &variable); }

  constexpr bool wanted() const { return target_ != nullptr; }
  constexpr DatumKind kind() const { return kind_; }
  constexpr void* target() const { return target_; }

 private:
  constexpr OutRef(DatumKind kind, void* target) : kind_(kind), target_(target) {}

  DatumKind kind_ = DatumKind::Absent;
  void* target_ = nullptr;
};

}  // namespace corvalis
