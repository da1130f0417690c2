// The test side of the bridge: loads the built ExuiKrnln.dll with LoadLibrary and binds its
// functions by undecorated name (which also proves the exports and the calling convention),
// registers the control window classes with the program's own bridge procedure (the bridge
// bound to that library), creates controls through them, records every event and element
// notification, and renders controls into memory through WM_PRINTCLIENT.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "controls/exui_protocol.h"
#include "base/win_handles.h"
#include "controls/canvas.h"

namespace corvalis::exui::test {

#if defined(_M_IX86) || defined(__i386__)
#define TEST_STDCALL __stdcall
#else
#define TEST_STDCALL
#endif

using EventRoutine = int(TEST_STDCALL*)(void*, int, int, int, int, int);
using ElementRoutine = int(TEST_STDCALL*)(int, int, int);
using Handle = const void*;

// Creation functions: 8 leading arguments, then N zeros.
template <typename Sequence>
struct Creator;
template <std::size_t... I>
struct Creator<std::index_sequence<I...>> {
  using Function = std::intptr_t(TEST_STDCALL*)(std::intptr_t, HWND, int, int, int, int, EventRoutine, const void*,
                                                decltype((void)I, 0)...);
  static std::intptr_t call(Function f, HWND parent, const RECT& r, EventRoutine routine, const void* context) {
    return f(0, parent, r.left, r.top, r.right - r.left, r.bottom - r.top, routine, context, ((void)I, 0)...);
  }
};
template <std::size_t N>
using CreatorOf = Creator<std::make_index_sequence<N>>;

struct Library {
  HMODULE module = nullptr;
  std::intptr_t(TEST_STDCALL* CallInternalFunction_Ex)(int, std::intptr_t, std::intptr_t, std::intptr_t, std::intptr_t);
  CreatorOf<kWindowTrailingZeros>::Function CreateControl_WindowEx;
  CreatorOf<kListboxTrailingZeros>::Function CreateControl_ListboxEx;
  CreatorOf<kEditboxTrailingZeros>::Function CreateControl_EditboxEx;
  CreatorOf<kFilterTrailingZeros>::Function CreateControl_FilterEx;
  CreatorOf<kLabelTrailingZeros>::Function CreateControl_LabelEx;
  CreatorOf<kButtonTrailingZeros>::Function CreateControl_ButtonEx;
  CreatorOf<kToolbarTrailingZeros>::Function CreateControl_ToolbarEx;
  int(TEST_STDCALL* ControlDestroy)(Handle);
  int(TEST_STDCALL* ControlIsCreate)(Handle);
  std::intptr_t(TEST_STDCALL* ControlSendMessage)(Handle, unsigned, std::intptr_t, std::intptr_t, int, int);
  int(TEST_STDCALL* ControlSetRect)(Handle, int, int, int, int);
  std::intptr_t(TEST_STDCALL* ControlGetBindControl)(HWND);
  HWND(TEST_STDCALL* ControlGetBindWin)(Handle);
  std::intptr_t(TEST_STDCALL* ControlSetFocusControl)(Handle);
  std::intptr_t(TEST_STDCALL* ControlGetFocusControl)();
  int(TEST_STDCALL* ControlLockUpdate)(Handle);
  int(TEST_STDCALL* ControlUnlockUpdate)(Handle);
  int(TEST_STDCALL* ControlSetVisual)(Handle, int);
  int(TEST_STDCALL* ControlGetVisual)(Handle);
  int(TEST_STDCALL* ControlInsertElem)(Handle, int, int, int, int);
  int(TEST_STDCALL* ControlGetElemCount)(Handle, int, int);
  int(TEST_STDCALL* ControlSetElemAttribute_Button)(Handle, int, int, int, int, ElementRoutine, int, int, int, int, int,
                                                     int, const void*, const void*);
  int(TEST_STDCALL* ControlSetElemData_Button)(Handle, int, int, int, int, int, int, int, const void*);
  int(TEST_STDCALL* InsertItem_ListboxEx)(Handle, int, int, std::intptr_t, const void*, const void*);
  int(TEST_STDCALL* DeleteItem_ListboxEx)(Handle, int, int);
  int(TEST_STDCALL* GetItemCount_ListboxEx)(Handle);
  int(TEST_STDCALL* GuaranteeVisible_ListboxEx)(Handle, int, int);
  const char*(TEST_STDCALL* GetItemTitle_ListboxEx)(Handle, int);
  int(TEST_STDCALL* GetItemSize_ListboxEx)(Handle, int);
  int(TEST_STDCALL* GuaranteeVisibleText_EditboxEx)(Handle, int, int);
  int(TEST_STDCALL* GetInsertCursor_EditboxEx)(Handle);
  int(TEST_STDCALL* GetSelectLeng_EditboxEx)(Handle);
  std::intptr_t(TEST_STDCALL* SetAttribute_ListboxEx)(Handle, int, std::intptr_t);
  std::intptr_t(TEST_STDCALL* GetAttribute_ListboxEx)(Handle, int);
  void*(TEST_STDCALL* CreateBinEx)(const void*, int, int, int);
  int(TEST_STDCALL* DeleteBinEx)(const void*);
  int(TEST_STDCALL* GetBinExDatalength)(const void*);
  void*(TEST_STDCALL* Create_StructEx)();
  int(TEST_STDCALL* Destroy_StructEx)(const void*);
  void*(TEST_STDCALL* Load_StructEx)(const void*, int);
  const void*(TEST_STDCALL* Pack_StructEx)(const void*);
  int(TEST_STDCALL* InsertMember_StructEx)(const void*, int, int);
  int(TEST_STDCALL* GetMemberCount_StructEx)(const void*);
  int(TEST_STDCALL* GetMemberType_StructEx)(const void*, int);
  int(TEST_STDCALL* SetMemberBool_StructEx)(const void*, int, int);
  int(TEST_STDCALL* SetMemberInt_StructEx)(const void*, int, int);
  int(TEST_STDCALL* SetMemberLongInt_StructEx)(const void*, int, unsigned, unsigned);
  int(TEST_STDCALL* SetMemberFloat_StructEx)(const void*, int, unsigned);
  int(TEST_STDCALL* SetMemberDouble_StructEx)(const void*, int, unsigned, unsigned);
  int(TEST_STDCALL* SetMemberText_StructEx)(const void*, int, const void*);
  int(TEST_STDCALL* SetMemberBin_StructEx)(const void*, int, const void*);
  int(TEST_STDCALL* GetMemberInt_StructEx)(const void*, int);
  const char*(TEST_STDCALL* GetMemberText_StructEx)(const void*, int);
};

// Loads the library beside the test program once per process (never unloaded, like the
// program does); module is null when it could not be loaded or an export is missing.
const Library& library();
// Every name the program's bridge and our own headers rely on, for the export check.
const std::vector<std::string>& requiredExports();
// The library handle of the handshake.
std::int32_t libraryHandle();

// What the event routine saw, with the record words read the way the bridge reads them.
struct Event {
  Handle record;
  int code;
  int number;  // code + word@20 - 660, as the bridge computes it
  std::uint32_t firstId;
  std::uint32_t secondId;
  int a1, a2, a3, a4;
};
struct ElementCall {
  int notification;
  int row;
  int element;
  bool operator==(const ElementCall& other) const {
    return notification == other.notification && row == other.row && element == other.element;
  }
};

class Recorder {
 public:
  Recorder();
  ~Recorder();
  std::vector<Event> events;
  std::vector<ElementCall> elementCalls;
  std::function<void(const Event&)> onEvent;
  std::function<void(const ElementCall&)> onElement;
  void clear() {
    events.clear();
    elementCalls.clear();
  }
};
// Routines handed to the library; they feed the Recorder that is alive.
int TEST_STDCALL eventRoutine(void* record, int code, int a1, int a2, int a3, int a4);
int TEST_STDCALL elementRoutine(int notification, int row, int element);

// What the bridge's procedure did: its ControlSetRect calls and the library controls it
// reported gone.
struct BridgeLog {
  int setRectCalls = 0;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> destroyedIds;
};
BridgeLog& bridgeLog();

class Window {
 public:
  Window() = default;
  explicit Window(HWND window) : window_(window) {}
  ~Window() { reset(); }
  Window(Window&& other) noexcept : window_(std::exchange(other.window_, nullptr)) {}
  Window& operator=(Window&& other) noexcept {
    if (this != &other) {
      reset();
      window_ = std::exchange(other.window_, nullptr);
    }
    return *this;
  }
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  HWND get() const { return window_; }
  void reset() {
    if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
    window_ = nullptr;
  }

 private:
  HWND window_ = nullptr;
};

// A top-level window to hold controls: button-face background like the program's windows.
Window makeParent(int width, int height, bool visible = false);

struct Created {
  HWND window = nullptr;
  Handle control = nullptr;
};
// Creates the bridge's child window for a kind and the library control in it.
Created createControl(Kind kind, HWND parent, RECT rect, const PropertyBlock* block = nullptr,
                      std::uint32_t firstId = 0x11110000, std::uint32_t secondId = 0x2222);

std::uint32_t recordWord(Handle record, std::size_t offset);

// Mouse and keys as the system would send them.
void mouse(HWND window, UINT message, int x, int y, WPARAM keys = 0);
void wheel(HWND window, int x, int y, int delta);
void pump();

// A control drawn into memory at its own size, through WM_PRINTCLIENT; what it does not
// paint stays magenta.
std::unique_ptr<Canvas> render(HWND window);
inline constexpr COLORREF kUnpainted = RGB(0xFF, 0x00, 0xFF);
// The whole parent with all its controls, composed bottom-up as the screen shows them.
std::unique_ptr<Canvas> renderTree(HWND parent);
bool saveBitmap(const Canvas& canvas, const std::wstring& path);
std::wstring screenshotPath(const std::wstring& name);

// Program-style byte strings: [int32 1][int32 length][bytes].
std::vector<char> byteString(std::string_view bytes);
// An icon image in the program's 4286-byte format from 32x32 BGRA pixels (top-down rows).
std::string iconImage(const std::vector<std::uint32_t>& topDownBgra);
// The program's own way to make one: the shell's icon drawn into a compatible bitmap.
std::string shellIconImage(const std::string& path);
// Caption bins for list rows, as the bridge's "list insert" makes them.
const void* captionBin(const char* gbk, int style, int height);

inline int colourDistance(COLORREF a, COLORREF b) {
  return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
         std::abs(GetBValue(a) - GetBValue(b));
}

}  // namespace corvalis::exui::test
