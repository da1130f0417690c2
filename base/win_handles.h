// Owners for Win32 handles: each handle has exactly one owner, which closes it
// with the matching function. Copying is not possible; moving hands the handle on.
//
// New kinds need only a traits type:
//   struct MyTraits {
//     using Handle = HSOMETHING;
//     static Handle invalid() noexcept { return nullptr; }
//     static void close(Handle h) noexcept { CloseSomething(h); }
//   };
//   using UniqueSomething = UniqueHandle<MyTraits>;
#pragma once

#include <windows.h>

#include <utility>

namespace corvalis {

template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() noexcept : handle_(Traits::invalid()) {}
  explicit UniqueHandle(Handle adopted) noexcept : handle_(adopted) {}
  ~UniqueHandle() { reset(); }

  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Handle get() const noexcept { return handle_; }
  bool valid() const noexcept { return handle_ != Traits::invalid(); }
  explicit operator bool() const noexcept { return valid(); }

  // Closes the current handle (if any) and takes over `adopted`.
  void reset(Handle adopted = Traits::invalid()) noexcept {
    const Handle old = std::exchange(handle_, adopted);
    if (old != Traits::invalid()) Traits::close(old);
  }

  // Gives the handle up; the caller closes it.
  [[nodiscard]] Handle release() noexcept { return std::exchange(handle_, Traits::invalid()); }

  // For out-parameters: closes the current handle first, then hands out the slot,
  // so a handle that was held is never overwritten and leaked.
  Handle* put() noexcept {
    reset();
    return &handle_;
  }

 private:
  Handle handle_;
};

// Kernel objects whose "none" is null: events, threads, processes, waitable timers.
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle handle) noexcept { CloseHandle(handle); }
};
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;

// Handles from CreateFile, whose "none" is INVALID_HANDLE_VALUE.
struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(Handle handle) noexcept { CloseHandle(handle); }
};
using UniqueFileHandle = UniqueHandle<FileHandleTraits>;

// Keys from RegOpenKeyEx / RegCreateKey. Never put a predefined root key in one.
struct RegistryKeyTraits {
  using Handle = HKEY;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle handle) noexcept { RegCloseKey(handle); }
};
using UniqueRegistryKey = UniqueHandle<RegistryKeyTraits>;

struct MenuTraits {
  using Handle = HMENU;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle handle) noexcept { DestroyMenu(handle); }
};
using UniqueMenu = UniqueHandle<MenuTraits>;

struct WindowTraits {
  using Handle = HWND;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle handle) noexcept { DestroyWindow(handle); }
};
using UniqueWindow = UniqueHandle<WindowTraits>;

struct ModuleTraits {
  using Handle = HMODULE;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle handle) noexcept { FreeLibrary(handle); }
};
using UniqueModule = UniqueHandle<ModuleTraits>;

struct HookTraits {
  using Handle = HHOOK;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle handle) noexcept { UnhookWindowsHookEx(handle); }
};
using UniqueHook = UniqueHandle<HookTraits>;

struct IconTraits {
  using Handle = HICON;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle handle) noexcept { DestroyIcon(handle); }
};
using UniqueIcon = UniqueHandle<IconTraits>;

// Bitmaps, brushes, fonts, pens, regions: anything DeleteObject releases. Typed, so
// that get() gives the handle its users pass on.
template <typename GdiHandle = HGDIOBJ>
struct GdiObjectTraits {
  using Handle = GdiHandle;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle handle) noexcept { DeleteObject(handle); }
};
using UniqueGdiObject = UniqueHandle<GdiObjectTraits<>>;
using UniqueFont = UniqueHandle<GdiObjectTraits<HFONT>>;
using UniqueBrush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using UniquePen = UniqueHandle<GdiObjectTraits<HPEN>>;
using UniqueBitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using UniqueRegion = UniqueHandle<GdiObjectTraits<HRGN>>;

// Memory device contexts from CreateCompatibleDC / CreateDC (not GetDC: see WindowDC).
struct DeviceContextTraits {
  using Handle = HDC;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle handle) noexcept { DeleteDC(handle); }
};
using UniqueDeviceContext = UniqueHandle<DeviceContextTraits>;

// A window's device context from GetDC, given back with ReleaseDC to the same window.
class WindowDC {
 public:
  explicit WindowDC(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
  ~WindowDC() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;

  HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// A window's painting: BeginPaint, and EndPaint when it ends.
class PaintScope {
 public:
  explicit PaintScope(HWND window) noexcept : window_(window) { dc_ = BeginPaint(window, &paint_); }
  ~PaintScope() { EndPaint(window_, &paint_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC dc() const noexcept { return dc_; }
  const RECT& area() const noexcept { return paint_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_ = nullptr;
};

// Selects an object into a DC and selects the previous one back when it ends.
class ScopedSelection {
 public:
  ScopedSelection(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~ScopedSelection() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }
  ScopedSelection(const ScopedSelection&) = delete;
  ScopedSelection& operator=(const ScopedSelection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// Saves a DC's state (clip, origins, selections) and restores it when it ends.
class ScopedDcState {
 public:
  explicit ScopedDcState(HDC dc) noexcept : dc_(dc), saved_(SaveDC(dc)) {}
  ~ScopedDcState() {
    if (saved_ != 0) RestoreDC(dc_, saved_);
  }
  ScopedDcState(const ScopedDcState&) = delete;
  ScopedDcState& operator=(const ScopedDcState&) = delete;

 private:
  HDC dc_;
  int saved_;
};

// The clipboard, open for as long as it lives.
class ClipboardScope {
 public:
  explicit ClipboardScope(HWND owner) noexcept : open_(OpenClipboard(owner) != FALSE) {}
  ~ClipboardScope() {
    if (open_) CloseClipboard();
  }
  ClipboardScope(const ClipboardScope&) = delete;
  ClipboardScope& operator=(const ClipboardScope&) = delete;
  bool open() const noexcept { return open_; }

 private:
  bool open_;
};

}  // namespace corvalis
