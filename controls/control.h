// The control core: the record the bridge reads, the life of a control bound to the
// bridge's child window, message routing, painting through one HDC entry, and events.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "base/dpi.h"
#include "controls/bin.h"
#include "controls/exui_protocol.h"
#include "controls/palette.h"

namespace corvalis::exui {

#if defined(_M_IX86) || defined(__i386__)
#define EXUI_STDCALL __stdcall
#else
#define EXUI_STDCALL
#endif

using EventRoutine = int(EXUI_STDCALL*)(void* record, int code, int a1, int a2, int a3, int a4);
using ElementRoutine = int(EXUI_STDCALL*)(int notification, int row, int element);

class Control;

// The window's own visible flag, whatever its parent's (IsWindowVisible also asks the parents).
inline bool visibleFlag(HWND window) { return (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

// What a handle points to. The 32-bit words up to offset 47 are read by the bridge at fixed
// offsets on every platform; the pointer to the owning object comes after them.
struct ControlRecord {
  std::uint32_t magic;
  std::uint32_t kind;
  std::uint32_t firstId;
  std::uint32_t secondId;
  std::uint32_t bridgeKind;
  std::int32_t eventBase;
  std::uint32_t flags;
  std::int32_t left;
  std::int32_t top;
  std::int32_t width;
  std::int32_t height;
  std::uint32_t state;
  Control* owner;
};
static_assert(offsetof(ControlRecord, magic) == kRecordMagicOffset);
static_assert(offsetof(ControlRecord, kind) == kRecordKindOffset);
static_assert(offsetof(ControlRecord, firstId) == kRecordFirstIdOffset);
static_assert(offsetof(ControlRecord, secondId) == kRecordSecondIdOffset);
static_assert(offsetof(ControlRecord, bridgeKind) == kRecordBridgeKindOffset);
static_assert(offsetof(ControlRecord, eventBase) == kRecordEventBaseOffset);
static_assert(offsetof(ControlRecord, flags) == kRecordFlagsOffset);
static_assert(offsetof(ControlRecord, left) == kRecordRectOffset);
static_assert(offsetof(ControlRecord, state) == kRecordStateOffset);
static_assert(offsetof(ControlRecord, owner) >= kRecordStateOffset + 4);

// A property block as read: every field checked and copied.
struct FixedRowDesign {
  Glyph glyph = kGlyphNone;
  std::string caption;  // GBK
  int height = 0;       // 0: the list's row pitch
};
struct Properties {
  bool fromBlock = false;
  std::int32_t pageId = 0;
  std::uint32_t flags = 0;
  int rowPitch = 0;
  int iconSize = 0;
  int fontSize = 0;
  int fontWeight = 0;
  std::uint32_t textColour = kThemeColour;
  std::uint32_t backColour = kThemeColour;
  std::uint32_t hoverColour = kThemeColour;
  std::uint32_t pressColour = kThemeColour;
  std::uint32_t borderColour = kThemeColour;
  std::uint32_t accentColour = kThemeColour;
  int overlayAlpha = 0;
  std::string fontFace;  // GBK
  std::string text;      // GBK
  std::vector<FixedRowDesign> fixedRows;
};
// Draws what lies beneath a window into dc (window coordinates): the parent's background and
// painting, then the controls below it in the z-order, each with its children. Controls with
// transparent parts (rounded corners, a label's text, a veil) start their painting with it.
void paintBeneath(HWND window, HDC dc);

// Clips out of a window's paint DC the visible windows that lie above it: its siblings
// higher in the z-order and its own children.
void excludeWindowsAbove(HWND window, HDC dc);

// Reads a block for a control of the given kind; a block that fails its checks gives the
// defaults (fromBlock false).
Properties readProperties(const void* block, Kind kind);

// A GBK text the program hands over by address (an attribute's value), copied; at most
// kEditboxMaxBytes bytes, empty for a null address.
std::string copyAttributeText(std::intptr_t address);

// WM_GETDLGCODE of a control that takes Enter for itself, with `wanted` besides. Esc is never
// claimed: the program's windows close on it, through a hook that asks the focused control.
LRESULT claimEnter(const MSG* pending, LRESULT wanted);

class Control {
 public:
  Control(Kind kind, HWND window, const CreationContext& context, EventRoutine routine, Properties properties);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  // Binds the control to its window (property, subclass) and makes it ready; false when the
  // window cannot be subclassed.
  bool attach();
  // ControlDestroy: unbinds at once; the object goes when no message of it is running.
  void destroy();

  void* handle() { return &record_; }
  const ControlRecord& record() const { return record_; }
  HWND window() const { return window_; }
  // The DPI the control is drawn at now (its top-level window's), and one of its 96-DPI
  // figures at it.
  int dpi() const { return windowDpi(window_); }
  int scaled(int value) const { return scaleForDpi(value, dpi()); }
  Kind kind() const { return static_cast<Kind>(record_.kind); }
  bool alive() const { return !destroyPending_; }

  static Control* fromHandle(const void* handle);  // live controls only
  static Control* fromWindow(HWND window);

  // Keeps the object while a call into it runs: an event handler that destroys the control
  // meanwhile only unbinds it, and the object goes when the call is over.
  class Hold {
   public:
    explicit Hold(Control& control) : control_(control) { ++control_.dispatchDepth_; }
    ~Hold() {
      if (--control_.dispatchDepth_ == 0 && control_.destroyPending_) delete &control_;
    }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

   private:
    Control& control_;
  };

  // The single paint entry: draws the whole client area into dc (window coordinates), in
  // the colours the settings give at that moment.
  void paintTo(HDC dc);
  // The system's settings unless a test answers for them.
  void setColourSource(const ColourSource& source) { colourSource_ = source; }
  void invalidate();
  int lockUpdate();
  int unlockUpdate();
  int lockCount() const { return lockCount_; }

  // ControlSetRect: records the rectangle and moves the window when it differs.
  void setRect(int x, int y, int width, int height);

  virtual std::intptr_t getAttribute(int attribute);
  virtual bool setAttribute(int attribute, std::intptr_t value);
  // Content for kMessageExportData; false when the control has none.
  virtual bool exportContent(std::string& content);
  const void* exportBlock();

  // Text-bearing kinds keep their text here (GBK); null for the others.
  virtual std::string* text() { return nullptr; }
  virtual void textChanged() { invalidate(); }

  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  virtual void paint(HDC dc, const RECT& client, const Palette& palette) = 0;
  // Messages of the kind; set handled to keep them from the bridge's procedure.
  virtual LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual void onResize() {}
  virtual void onEnable(bool /*enabled*/) {}

  // Raises event number `event` through the event routine; false when the control was
  // destroyed meanwhile (then nothing of it may be touched).
  bool raise(int event, int a1 = 0, int a2 = 0, int a3 = 0, int a4 = 0);
  // Calls out to program code other than the event routine under the same protection.
  template <typename F>
  bool callOut(F&& call) {
    if (destroyPending_ || record_.state != kStateReady) return false;
    call();
    return !destroyPending_;
  }

  // Asks for WM_MOUSELEAVE when the pointer is really over the window; synthetic mouse
  // messages without the pointer there then leave no stray notification behind.
  void trackLeave();
  bool tracking_ = false;

  const Properties& properties() const { return properties_; }
  bool enabled() const { return IsWindowEnabled(window_) != FALSE; }
  RECT clientRect() const;

  Properties properties_;

 private:
  LRESULT route(UINT message, WPARAM wParam, LPARAM lParam);
  // What route does with each message; a handler that clears handled leaves the message
  // to the bridge's procedure.
  LRESULT paintWindow();
  LRESULT printClient(HDC dc, LPARAM parts);
  static LRESULT skipBackgroundErase();
  LRESULT takeWindowText(LPARAM lParam, bool& handled);
  LRESULT giveWindowText(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  LRESULT followEnabledState(WPARAM enabling, bool& handled);
  LRESULT followColourChange(bool& handled);
  LRESULT passToKind(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  LRESULT passToBridge(UINT message, WPARAM wParam, LPARAM lParam);
  void catchUpWithMove(LPARAM lParam);  // after WM_WINDOWPOSCHANGED
  void unbind();

  ControlRecord record_{};
  HWND window_;
  WNDPROC baseProc_ = nullptr;
  EventRoutine routine_;
  ColourSource colourSource_;
  int lockCount_ = 0;
  int dispatchDepth_ = 0;
  bool destroyPending_ = false;
  OwnedBlock exported_;
};

// Runs f(control) on the control's own thread (sending a private message when called from
// another thread); fallback when the handle is not a live control.
template <typename R, typename F>
R withControl(const void* handle, R fallback, F&& f);

// The private message that carries such calls: its lParam names a job registered by the
// calling thread, so the message itself can never make the window run anything else.
UINT invokeMessage();
void registerJob(const void* job, void (*run)(void*));
void unregisterJob(const void* job);

template <typename R, typename F>
R withControl(const void* handle, R fallback, F&& f) {
  Control* control = Control::fromHandle(handle);
  if (control == nullptr) return fallback;
  HWND window = control->window();
  if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
    Control::Hold hold(*control);
    return f(*control);
  }
  R result = fallback;
  struct Job {
    const void* handle;
    R* result;
    std::remove_reference_t<F>* f;
    static void run(void* self) {
      auto* job = static_cast<Job*>(self);
      if (Control* c = Control::fromHandle(job->handle)) *job->result = (*job->f)(*c);
    }
  } job{handle, &result, &f};
  registerJob(&job, &Job::run);
  SendMessageW(window, invokeMessage(), 0, reinterpret_cast<LPARAM>(&job));
  unregisterJob(&job);
  return result;
}

}  // namespace corvalis::exui
