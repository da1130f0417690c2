// Owner of one COM interface pointer: Release when it goes, never copied.
#pragma once

#include <unknwn.h>

#include <utility>

namespace corvalis {

template <typename Interface>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  // Takes over a reference the caller already holds.
  explicit ComPtr(Interface* adopted) noexcept : pointer_(adopted) {}
  ~ComPtr() { reset(); }

  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : pointer_(other.detach()) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) reset(other.detach());
    return *this;
  }

  Interface* get() const noexcept { return pointer_; }
  Interface* operator->() const noexcept { return pointer_; }
  explicit operator bool() const noexcept { return pointer_ != nullptr; }

  // Releases the held reference (if any) and takes over `adopted`.
  void reset(Interface* adopted = nullptr) noexcept {
    Interface* old = std::exchange(pointer_, adopted);
    if (old != nullptr) old->Release();
  }

  // Gives the reference up; the caller releases it.
  [[nodiscard]] Interface* detach() noexcept { return std::exchange(pointer_, nullptr); }

  // For CoCreateInstance and QueryInterface: releases what is held first, so an
  // out-parameter never overwrites (and leaks) a live reference.
  void** put() noexcept {
    reset();
    return reinterpret_cast<void**>(&pointer_);
  }

 private:
  Interface* pointer_ = nullptr;
};

}  // namespace corvalis
