#pragma once

namespace corvalis {

// Manages the values of an object-valued table. The table duplicates a value when
// it stores it, releases it when it is replaced or removed or the table is
// destroyed, and asks for a default when a copy of an absent value is wanted.
// The handler must outlive the tables and lists that use it.
class ObjectValueHandler {
 public:
  virtual ~ObjectValueHandler() = default;
  virtual void* createDefault() = 0;
  virtual void* duplicate(void* value) = 0;
  virtual void release(void* value) = 0;
};

}  // namespace corvalis
