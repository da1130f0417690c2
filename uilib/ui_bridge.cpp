#include "uilib/ui_bridge.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <type_traits>
#include <utility>

#include "base/win_handles.h"

namespace corvalis {

namespace {

// ----- The library's functions, typed ---------------------------------------------------
// Each is called through a pointer of exactly its own type: on 32-bit Windows the callee
// removes its arguments, so the count must match what it expects. Handles and
// addresses are pointer-sized, integers 32-bit, as the library declares them.

using EventRoutine = int(CORVALIS_EXUI_CALL*)(void* record, int code, int a1, int a2, int a3, int a4);

using CallInternalFunctionEx = std::intptr_t(CORVALIS_EXUI_CALL*)(int, std::intptr_t, std::intptr_t,
                                                                  std::intptr_t, std::intptr_t);
using ControlDestroyFn = int(CORVALIS_EXUI_CALL*)(LibraryControl);
using ControlSendMessageFn = std::intptr_t(CORVALIS_EXUI_CALL*)(LibraryControl, unsigned, std::intptr_t,
                                                                std::intptr_t, int, int);
using ControlSetRectFn = int(CORVALIS_EXUI_CALL*)(LibraryControl, int, int, int, int);
using ControlGetBindControlFn = std::intptr_t(CORVALIS_EXUI_CALL*)(HWND);
using ControlSetFocusControlFn = std::intptr_t(CORVALIS_EXUI_CALL*)(LibraryControl);
using ControlLockFn = int(CORVALIS_EXUI_CALL*)(LibraryControl);
using ControlInsertElemFn = int(CORVALIS_EXUI_CALL*)(LibraryControl, int, int, int, int);
using ControlSetElemAttributeButtonFn = int(CORVALIS_EXUI_CALL*)(LibraryControl, int, int, int, int, ElementRoutine,
                                                                  int, int, int, int, int, int, const void*,
                                                                  const void*);
using ControlSetElemDataButtonFn = int(CORVALIS_EXUI_CALL*)(LibraryControl, int, int, int, int, int, int, int,
                                                             const void*);
using InsertItemListboxFn = int(CORVALIS_EXUI_CALL*)(LibraryControl, int, int, std::intptr_t, const void*,
                                                      const void*);
using ListIndexCountFn = int(CORVALIS_EXUI_CALL*)(LibraryControl, int, int);
using GetItemCountFn = int(CORVALIS_EXUI_CALL*)(LibraryControl);
using GetItemSizeFn = int(CORVALIS_EXUI_CALL*)(LibraryControl, int);
using GetAttributeFn = std::intptr_t(CORVALIS_EXUI_CALL*)(LibraryControl, int);
using SetAttributeFn = std::intptr_t(CORVALIS_EXUI_CALL*)(LibraryControl, int, std::intptr_t);
using CreateBinExFn = void*(CORVALIS_EXUI_CALL*)(const void*, int, int, int);
using CreateStructFn = std::intptr_t(CORVALIS_EXUI_CALL*)();
using StructFn = int(CORVALIS_EXUI_CALL*)(std::intptr_t);
using InsertMemberFn = int(CORVALIS_EXUI_CALL*)(std::intptr_t, int, int);
using SetMemberWordFn = int(CORVALIS_EXUI_CALL*)(std::intptr_t, int, int);
using SetMemberHalvesFn = int(CORVALIS_EXUI_CALL*)(std::intptr_t, int, unsigned, unsigned);
using SetMemberBitsFn = int(CORVALIS_EXUI_CALL*)(std::intptr_t, int, unsigned);
using SetMemberBlockFn = int(CORVALIS_EXUI_CALL*)(std::intptr_t, int, const void*);
using PackStructFn = const void*(CORVALIS_EXUI_CALL*)(std::intptr_t);

// The creation functions: eight leading arguments, then the kind's zeros.
template <typename Sequence>
struct Creator;
template <std::size_t... I>
struct Creator<std::index_sequence<I...>> {
  using Function = std::intptr_t(CORVALIS_EXUI_CALL*)(std::intptr_t, HWND, int, int, int, int, EventRoutine,
                                                      const void*, decltype((void)I, 0)...);
  static constexpr std::size_t kArguments = 8 + sizeof...(I);
  static std::intptr_t call(FARPROC address, HWND parent, int x, int y, int width, int height, const void* context) {
    const auto function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
    return function(0, parent, x, y, width, height, controlEventRoutine, context, ((void)I, 0)...);
  }
};
template <int Zeros>
using CreatorOf = Creator<std::make_index_sequence<static_cast<std::size_t>(Zeros)>>;

// The kinds' argument counts as the library declares them.
static_assert(CreatorOf<exui::kListboxTrailingZeros>::kArguments == 25);
static_assert(CreatorOf<exui::kEditboxTrailingZeros>::kArguments == 40);
static_assert(CreatorOf<exui::kWindowTrailingZeros>::kArguments == 28);
static_assert(CreatorOf<exui::kFilterTrailingZeros>::kArguments == 22);
static_assert(CreatorOf<exui::kLabelTrailingZeros>::kArguments == 23);
static_assert(CreatorOf<exui::kButtonTrailingZeros>::kArguments == 22);
static_assert(CreatorOf<exui::kToolbarTrailingZeros>::kArguments == 25);
static_assert(exui::kCreationLeadingArguments == 8);
static_assert(kHandshakeFunction == exui::kHandshakeFunction && kHandshakeDate == exui::kInterfaceDate);
static_assert(kNotifyGetMessage == exui::kMessageGetAttribute && kNotifySetMessage == exui::kMessageSetAttribute &&
              kExportDataMessage == exui::kMessageExportData);

// ----- Kinds ---------------------------------------------------------------------------

constexpr ControlKindInfo kKinds[kControlKindCount] = {
    {ControlKind::ListboxEx, "Exui.%d.ListboxEx", "NExui.++2147483648++.ListboxEx", 26, "CreateControl_ListboxEx", 10,
     17},
    {ControlKind::EditboxEx, "Exui.%d.EditboxEx", "NExui.++2147483648++.EditboxEx", 26, "CreateControl_EditboxEx", 1,
     32},
    {ControlKind::WindowEx, "Exui.%d.WindowEx", "NExui.++2147483648++.WindowEx", 25, "CreateControl_WindowEx", 11, 20},
    {ControlKind::FilterEx, "Exui.%d.FilterEx", "NExui.++2147483648++.FilterEx", 25, "CreateControl_FilterEx", 0, 14},
    {ControlKind::LabelEx, "Exui.%d.LabelEx", "NExui.++2147483648++.LabelEx", 24, "CreateControl_LabelEx", 0, 15},
    {ControlKind::ButtonEx, "Exui.%d.ButtonEx", "NExui.++2147483648++.ButtonEx", 25, "CreateControl_ButtonEx", 0, 14},
    {ControlKind::ToolbarEx, "Exui.%d.ToolbarEx", "NExui.++2147483648++.ToolbarEx", 26, "CreateControl_ToolbarEx", 10,
     17},
};

constexpr std::size_t kindIndex(ControlKind kind) { return static_cast<std::size_t>(kind); }

// The table agrees with itself (position = kind) and with the library's header.
constexpr bool kindsInOrder() {
  for (std::size_t i = 0; i < kControlKindCount; ++i)
    if (kindIndex(kKinds[i].kind) != i || exuiNameIndex(kKinds[i].creationFunction) == kExuiNameCount) return false;
  return true;
}
static_assert(kindsInOrder());
static_assert(kKinds[kindIndex(ControlKind::ListboxEx)].trailingZeros == exui::kListboxTrailingZeros);
static_assert(kKinds[kindIndex(ControlKind::EditboxEx)].trailingZeros == exui::kEditboxTrailingZeros);
static_assert(kKinds[kindIndex(ControlKind::WindowEx)].trailingZeros == exui::kWindowTrailingZeros);
static_assert(kKinds[kindIndex(ControlKind::FilterEx)].trailingZeros == exui::kFilterTrailingZeros);
static_assert(kKinds[kindIndex(ControlKind::LabelEx)].trailingZeros == exui::kLabelTrailingZeros);
static_assert(kKinds[kindIndex(ControlKind::ButtonEx)].trailingZeros == exui::kButtonTrailingZeros);
static_assert(kKinds[kindIndex(ControlKind::ToolbarEx)].trailingZeros == exui::kToolbarTrailingZeros);

// A class name is formatted into a buffer of its own. The sizes of the formatted
// names with ten digits (26, 25, 24) hold neither the placeholder nor a negative
// library handle ("-2147483648" has eleven characters), so every buffer is as large
// as the longest placeholder: any signed 32-bit handle then fits whole.
constexpr std::size_t kClassBufferSize = 32;
constexpr bool buffersLargeEnough() {
  for (const ControlKindInfo& info : kKinds) {
    const std::size_t suffix = info.classFormat.size() - std::string_view("Exui.%d").size();
    if (info.placeholder.size() + 1 > kClassBufferSize) return false;
    if (std::string_view("Exui.-2147483648").size() + suffix + 1 > kClassBufferSize) return false;
    if (std::string_view("Exui.2147483647").size() + suffix + 1 != info.formattedSize) return false;
  }
  return true;
}
static_assert(buffersLargeEnough());

struct ClassBuffer {
  char name[kClassBufferSize];
};

std::array<ClassBuffer, kControlKindCount> makePlaceholders() {
  std::array<ClassBuffer, kControlKindCount> buffers{};
  for (std::size_t i = 0; i < kControlKindCount; ++i)
    std::memcpy(buffers[i].name, kKinds[i].placeholder.data(), kKinds[i].placeholder.size());
  return buffers;
}

// ----- Process-wide state ----------------------------------------------------------------

UiLibraryBinding theBinding;
bool bridgeInitialized = false;
std::array<ClassBuffer, kControlKindCount> classBuffers = makePlaceholders();
UiBridgeServices theServices;
HINSTANCE programInstance = nullptr;

constexpr char kPageProperty[] = "PageId_F";
constexpr char kDestroyedProperty[] = "Tab_WM_DESTROY";

template <typename Function>
Function bound(std::string_view name) {
  const std::size_t index = exuiNameIndex(name);
  if (index >= kExuiNameCount) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(theBinding.table[index]));
}

// The names the bridge calls, checked against the table when this file compiles.
#define CORVALIS_BOUND(type, name)                                             \
  []() {                                                                       \
    static_assert(exuiNameIndex(#name) < kExuiNameCount, #name " not bound"); \
    return bound<type>(#name);                                                 \
  }()

std::uint32_t recordWord(const void* record, std::size_t offset) {
  std::uint32_t word;
  std::memcpy(&word, static_cast<const unsigned char*>(record) + offset, sizeof word);
  return word;
}

LibraryControl boundControlOf(HWND window) {
  return window == nullptr ? 0 : reinterpret_cast<LibraryControl>(GetPropA(window, exui::kBindProperty));
}

LibraryControl libraryControlOf(ControlId control) {
  if (theServices.lookup == nullptr) return 0;
  const ControlReference reference = theServices.lookup(control.firstId, control.secondId);
  return reference != nullptr ? boundControlOf(reference->window) : 0;
}

// A zero-terminated copy for the library, which reads texts up to their zero.
std::string terminated(std::string_view text) { return std::string(text); }

// CreateBinEx(text, -4, wordA, wordB): always four arguments, the library's one form.
void* textBin(std::string_view text, int wordA, int wordB) {
  const auto createBin = CORVALIS_BOUND(CreateBinExFn, CreateBinEx);
  if (createBin == nullptr) return nullptr;
  const std::string copy = terminated(text);
  return createBin(text.empty() ? nullptr : copy.c_str(), exui::kBinText, wordA, wordB);
}

// ----- Class registration and creation -----------------------------------------------------

bool registerKindClass(ControlKind kind) {
  ClassBuffer& buffer = classBuffers[kindIndex(kind)];
  if (buffer.name[0] != 'N') return true;
  const ControlKindInfo& info = kKinds[kindIndex(kind)];
  const std::string format(info.classFormat);
  std::snprintf(buffer.name, sizeof buffer.name, format.c_str(), static_cast<int>(theBinding.libraryHandle));
  if (CORVALIS_BOUND(FARPROC, CreateControl_WindowEx) == nullptr) {
    const std::string text(kMissingLibraryText);
    const std::string caption(kMissingLibraryCaption);
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK);
  }
  if (programInstance == nullptr) programInstance = GetModuleHandleA(nullptr);
  // A Unicode class: its procedure ends in DefWindowProcW, and the library's own
  // procedure (which subclasses the window) hands messages on in Unicode form.
  wchar_t wideName[kClassBufferSize] = {};
  for (std::size_t i = 0; i < kClassBufferSize && buffer.name[i] != '\0'; ++i)
    wideName[i] = static_cast<unsigned char>(buffer.name[i]);
  WNDCLASSW windowClass{};
  windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  windowClass.lpfnWndProc = controlWindowProc;
  windowClass.hInstance = programInstance;
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  windowClass.lpszClassName = wideName;
  return RegisterClassW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

std::intptr_t callCreationFunction(ControlKind kind, FARPROC function, HWND parent, int x, int y, int width,
                                   int height, const void* context) {
  switch (kind) {
    case ControlKind::ListboxEx:
      return CreatorOf<17>::call(function, parent, x, y, width, height, context);
    case ControlKind::EditboxEx:
      return CreatorOf<32>::call(function, parent, x, y, width, height, context);
    case ControlKind::WindowEx:
      return CreatorOf<20>::call(function, parent, x, y, width, height, context);
    case ControlKind::FilterEx:
      return CreatorOf<14>::call(function, parent, x, y, width, height, context);
    case ControlKind::LabelEx:
      return CreatorOf<15>::call(function, parent, x, y, width, height, context);
    case ControlKind::ButtonEx:
      return CreatorOf<14>::call(function, parent, x, y, width, height, context);
    case ControlKind::ToolbarEx:
      return CreatorOf<17>::call(function, parent, x, y, width, height, context);
  }
  return 0;
}

// ----- Entries 3 to 6 ---------------------------------------------------------------------

std::intptr_t nothingEntry(ControlReference, std::intptr_t, std::intptr_t) { return 0; }

std::intptr_t sendToControl(ControlReference reference, unsigned message, std::intptr_t a, std::intptr_t b) {
  const auto send = CORVALIS_BOUND(ControlSendMessageFn, ControlSendMessage);
  if (send == nullptr) return 0;
  return send(boundControlOf(reference->window), message, a, b, 0, 0);
}

std::intptr_t notifyGetEntry(ControlReference reference, std::intptr_t a, std::intptr_t b) {
  // Without a control there is nobody to ask.
  if (reference == nullptr) return 0;
  return sendToControl(reference, kNotifyGetMessage, a, b);
}

std::intptr_t notifySetEntry(ControlReference reference, std::intptr_t a, std::intptr_t b) {
  if (reference == nullptr) return 1;
  return sendToControl(reference, kNotifySetMessage, a, b);
}

HGLOBAL exportDataEntry(ControlReference reference) {
  if (reference == nullptr) return nullptr;
  const auto send = CORVALIS_BOUND(ControlSendMessageFn, ControlSendMessage);
  if (send == nullptr) return nullptr;
  const auto* block = reinterpret_cast<const unsigned char*>(
      send(boundControlOf(reference->window), kExportDataMessage, -1, 0, 0, 0));
  if (block == nullptr) return nullptr;
  const auto length = static_cast<std::int32_t>(recordWord(block, 4));
  if (length <= 0) return nullptr;
  const std::size_t size = static_cast<std::size_t>(length) + 8;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (memory == nullptr) return nullptr;
  auto* target = static_cast<unsigned char*>(GlobalLock(memory));
  if (target == nullptr) {
    GlobalFree(memory);
    return nullptr;
  }
  std::memcpy(target, block, size);
  const std::int32_t tag = kExportedDataTag;
  const std::int32_t position =
      reference->parentTypeCode == kIndexedParentTypeCode ? reference->indexField + 1 : 0;
  std::memcpy(target, &tag, 4);
  std::memcpy(target + 4, &position, 4);
  GlobalUnlock(memory);
  return memory;
}

// Entry 1 of each kind: the creation routine with the kind filled in.
template <ControlKind Kind>
ControlReference createEntry(const exui::PropertyBlock* description, DWORD style, HWND parent, int controlId, int x,
                             int y, int width, int height, std::uint32_t firstId, std::uint32_t secondId) {
  return createControl(Kind, description, style, parent, controlId, x, y, width, height, firstId, secondId);
}

constexpr CreateEntry kCreateEntries[kControlKindCount] = {
    createEntry<ControlKind::ListboxEx>, createEntry<ControlKind::EditboxEx>, createEntry<ControlKind::WindowEx>,
    createEntry<ControlKind::FilterEx>,  createEntry<ControlKind::LabelEx>,   createEntry<ControlKind::ButtonEx>,
    createEntry<ControlKind::ToolbarEx>,
};

// ----- Loading ---------------------------------------------------------------------------

HMODULE loadFromIniFile() {
  const auto open = [](const char* path) {
    return UniqueFileHandle(
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  };
  UniqueFileHandle file = open("C:\\ExuiKrnln.ini");
  if (!file) file = open("D:\\ExuiKrnln.ini");
  if (!file) return nullptr;
  // The file's first bytes are the path exactly as they stand: nothing is trimmed, so
  // a line end after the path makes it a path that does not exist.
  char path[256] = {};
  DWORD read = 0;
  if (!ReadFile(file.get(), path, 255, &read, nullptr)) read = 0;
  path[read] = '\0';
  return LoadLibraryA(path);
}

}  // namespace

// ----- Binding ------------------------------------------------------------------------------

HMODULE findUiLibrary() {
  // GetCurrentDirectoryA with a buffer of 254: a longer directory would not leave room
  // for the file name within MAX_PATH anyway, so the first two places are then skipped.
  char directory[254];
  const DWORD length = GetCurrentDirectoryA(sizeof directory, directory);
  if (length > 0 && length < sizeof directory) {
    const std::string base(directory, length);
    if (HMODULE module = LoadLibraryA((base + "\\ExuiKrnln.dll").c_str())) return module;
    if (HMODULE module = LoadLibraryA((base + "\\lib\\ExuiKrnln\\ExuiKrnln.dll").c_str())) return module;
  }
  if (HMODULE module = LoadLibraryA("ExuiKrnln.dll")) return module;
  if (HMODULE module = LoadLibraryA("lib\\ExuiKrnln\\ExuiKrnln.dll")) return module;
  return loadFromIniFile();
}

void bindUiLibrary(UiLibraryBinding& binding, HMODULE module) {
  binding = UiLibraryBinding{};
  if (module == nullptr) return;
  binding.module = module;
  // Every name is a string literal, so each view ends in a zero.
  for (std::size_t i = 0; i < kExuiNameCount; ++i) binding.table[i] = GetProcAddress(module, kExuiNames[i].data());
  const FARPROC handshake = binding.table[exuiNameIndex("CallInternalFunction_Ex")];
  if (handshake != nullptr) {
    const auto call = reinterpret_cast<CallInternalFunctionEx>(reinterpret_cast<void (*)()>(handshake));
    binding.libraryHandle = static_cast<std::int32_t>(
        call(kHandshakeFunction, reinterpret_cast<std::intptr_t>(module), 0, 0, kHandshakeDate));
  } else {
    binding.libraryHandle = static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(module));
  }
}

bool initializeUiBridge() {
  if (!bridgeInitialized) {
    bridgeInitialized = true;
    bindUiLibrary(theBinding, findUiLibrary());
  }
  return theBinding.module != nullptr;
}

void setUiLibrary(const UiLibraryBinding& binding) {
  bridgeInitialized = true;
  theBinding = binding;
}

const UiLibraryBinding& uiLibrary() { return theBinding; }

const ControlKindInfo& controlKindInfo(ControlKind kind) { return kKinds[kindIndex(kind)]; }

std::string controlClassName(ControlKind kind) { return classBuffers[kindIndex(kind)].name; }

void setUiBridgeServices(const UiBridgeServices& services) { theServices = services; }

// ----- Controls -----------------------------------------------------------------------------

ControlReference createControl(ControlKind kind, const exui::PropertyBlock* description, DWORD style, HWND parent,
                               int controlId, int x, int y, int width, int height, std::uint32_t firstId,
                               std::uint32_t secondId) {
  // 1. The kind's class, the first time (with the warning when the library is missing).
  if (!registerKindClass(kind)) return nullptr;
  // 2. The control window.
  if (programInstance == nullptr) programInstance = GetModuleHandleA(nullptr);
  HWND window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TRANSPARENT, classBuffers[kindIndex(kind)].name, nullptr,
                                style | WS_CHILD, x, y, width, height, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), programInstance, nullptr);
  if (window == nullptr) return nullptr;
  // 3. Its reference in the application layer.
  const ControlReference reference =
      theServices.registerControl != nullptr ? theServices.registerControl(window, firstId, secondId, description)
                                             : nullptr;
  SetPropA(window, kUnitProperty, reference);
  // 4. The creation context, valid during the creation call only.
  const ControlKindInfo& info = kKinds[kindIndex(kind)];
  const exui::CreationContext context{reinterpret_cast<std::uintptr_t>(window), secondId, firstId, info.kindCode,
                                      reinterpret_cast<std::uintptr_t>(description)};
  if (description != nullptr && description->pageId != 0)
    SetPropA(window, kPageProperty, reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(description->pageId)));
  // 5. The library's control in the window.
  const std::size_t functionIndex = exuiNameIndex(info.creationFunction);
  if (const FARPROC function = theBinding.table[functionIndex])
    callCreationFunction(kind, function, parent, x, y, width, height, &context);
  return reference;
}

KindEntry kindEntry(ControlKind kind, int code) {
  switch (code) {
    case 1: return kCreateEntries[kindIndex(kind)];
    case 3: return PlainEntry{nothingEntry};
    case 4: return PlainEntry{notifyGetEntry};
    case 5: return ExportEntry{exportDataEntry};
    case 6: return PlainEntry{notifySetEntry};
    default: return std::monostate{};
  }
}

LRESULT CALLBACK controlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      // The library paints the whole control; erasing first would only flicker.
      return 1;
    case WM_WINDOWPOSCHANGED: {
      const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
      if ((position->flags & (SWP_NOSIZE | SWP_NOMOVE)) != (SWP_NOSIZE | SWP_NOMOVE)) {
        const LibraryControl control = boundControlOf(window);
        const auto setRect = CORVALIS_BOUND(ControlSetRectFn, ControlSetRect);
        if (control != 0 && setRect != nullptr &&
            static_cast<std::int32_t>(recordWord(reinterpret_cast<const void*>(control), exui::kRecordStateOffset)) >
                1)
          setRect(control, position->x, position->y, position->cx, position->cy);
      }
      break;
    }
    case WM_NCDESTROY: {
      const auto reference = static_cast<ControlReference>(GetPropA(window, kUnitProperty));
      SetPropA(window, kUnitProperty, nullptr);
      SetPropA(window, kDestroyedProperty, reinterpret_cast<HANDLE>(1));
      if (reference != nullptr) {
        const LibraryControl control = boundControlOf(window);
        if (control != 0) {
          const auto* record = reinterpret_cast<const void*>(control);
          const std::uint32_t firstId = recordWord(record, exui::kRecordFirstIdOffset);
          const std::uint32_t secondId = recordWord(record, exui::kRecordSecondIdOffset);
          if (const auto destroy = CORVALIS_BOUND(ControlDestroyFn, ControlDestroy)) destroy(control);
          if (theServices.libraryControlGone != nullptr) theServices.libraryControlGone(firstId, secondId);
        }
        if (theServices.detach != nullptr) theServices.detach(reference);
        if (theServices.release != nullptr) theServices.release(reference);
      }
      break;
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

int CORVALIS_EXUI_CALL controlEventRoutine(void* record, int code, int a1, int a2, int a3, int a4) {
  if (code >= exui::kEventCodeLimit || record == nullptr) return 0;
  ControlEventRecord event;
  event.firstId = recordWord(record, exui::kRecordFirstIdOffset);
  event.secondId = recordWord(record, exui::kRecordSecondIdOffset);
  // In 32-bit words, as the library counts (wrapping rather than overflowing).
  event.number = static_cast<std::int32_t>(static_cast<std::uint32_t>(code) +
                                           recordWord(record, exui::kRecordEventBaseOffset) -
                                           static_cast<std::uint32_t>(exui::kEventCodeBase));
  event.argumentCount = 4;
  event.arguments = {a1, a2, a3, a4};
  event.result = 0;
  if (theServices.dispatch != nullptr) theServices.dispatch(event);
  return event.result;
}

// ----- Commands -----------------------------------------------------------------------------

LibraryControl controlHandle(ControlId control) { return libraryControlOf(control); }

LibraryControl controlHandle(HWND window) {
  const auto bindControl = CORVALIS_BOUND(ControlGetBindControlFn, ControlGetBindControl);
  return bindControl != nullptr ? bindControl(window) : 0;
}

int listInsert(ControlId list, int index, int count, std::intptr_t itemData, std::string_view imageBytes,
               std::string_view caption, int wordA, int wordB) {
  const auto insert = CORVALIS_BOUND(InsertItemListboxFn, InsertItem_ListboxEx);
  if (insert == nullptr) return 0;
  const HeapBytes image = imageBytes.empty() ? HeapBytes() : HeapBytes::copyOf(imageBytes);
  // The list takes the caption's bin over, whatever it makes of the row.
  return insert(libraryControlOf(list), index, count, itemData, image.block(), textBin(caption, wordA, wordB));
}

void listDelete(ControlId list, int index, int count) {
  if (const auto remove = CORVALIS_BOUND(ListIndexCountFn, DeleteItem_ListboxEx))
    remove(libraryControlOf(list), index, count);
}

int listCount(ControlId list) {
  const auto count = CORVALIS_BOUND(GetItemCountFn, GetItemCount_ListboxEx);
  return count != nullptr ? count(libraryControlOf(list)) : 0;
}

int listRowHeight(ControlId list, int index) {
  const auto get = CORVALIS_BOUND(GetItemSizeFn, GetItemSize_ListboxEx);
  return get != nullptr ? get(libraryControlOf(list), index) : 0;
}

int listScrollTop(ControlId list) {
  const auto get = CORVALIS_BOUND(GetAttributeFn, GetAttribute_ListboxEx);
  return get != nullptr ? static_cast<int>(get(libraryControlOf(list), exui::kAttrScrollTop)) : 0;
}

int listFocusRow(ControlId list) {
  const auto get = CORVALIS_BOUND(GetAttributeFn, GetAttribute_ListboxEx);
  return get != nullptr ? static_cast<int>(get(libraryControlOf(list), exui::kAttrFocusRow)) : -1;
}

void listSetFocusRow(ControlId list, int row) {
  if (const auto set = CORVALIS_BOUND(SetAttributeFn, SetAttribute_ListboxEx))
    set(libraryControlOf(list), exui::kAttrFocusRow, row);
}

void listSetTextAttribute(ControlId list, int attribute, std::string_view text) {
  const std::string copy(text);  // the library copies a zero-terminated text
  if (const auto set = CORVALIS_BOUND(SetAttributeFn, SetAttribute_ListboxEx))
    set(libraryControlOf(list), attribute, reinterpret_cast<std::intptr_t>(copy.c_str()));
}

void listSetRowHeight(ControlId list, int index, int height) {
  if (const auto set = CORVALIS_BOUND(ListIndexCountFn, SetItemSize_ListboxEx)) set(libraryControlOf(list), index, height);
}

void listMakeVisible(ControlId list, int index, int mode) {
  if (const auto show = CORVALIS_BOUND(ListIndexCountFn, GuaranteeVisible_ListboxEx))
    show(libraryControlOf(list), index, mode);
}

int insertElement(LibraryControl control, int type, int row, int index, int count) {
  const auto insert = CORVALIS_BOUND(ControlInsertElemFn, ControlInsertElem);
  return insert != nullptr ? insert(control, type, row, index, count) : 0;
}

void setButtonElementAttributes(LibraryControl control, int type, int row, int element, int anchor,
                                ElementRoutine routine, int reserved, int left, int top, int width, int height,
                                int style, std::string_view imageBytes, std::string_view fontBytes) {
  const auto set = CORVALIS_BOUND(ControlSetElemAttributeButtonFn, ControlSetElemAttribute_Button);
  if (set == nullptr) return;
  // Read during the call only: the library keeps its own copies.
  const HeapBytes image = imageBytes.empty() ? HeapBytes() : HeapBytes::copyOf(imageBytes);
  const HeapBytes font = fontBytes.empty() ? HeapBytes() : HeapBytes::copyOf(fontBytes);
  set(control, type, row, element, anchor, routine, reserved, left, top, width, height, style, image.block(),
      font.block());
}

void setButtonElementData(LibraryControl control, int type, int row, int column, int element, int checked,
                          int shown, int disabled, std::string_view caption, int wordA, int wordB) {
  const auto set = CORVALIS_BOUND(ControlSetElemDataButtonFn, ControlSetElemData_Button);
  if (set == nullptr) return;
  set(control, type, row, column, element, checked, shown, disabled, textBin(caption, wordA, wordB));
}

void setFocusControl(LibraryControl control) {
  if (const auto focus = CORVALIS_BOUND(ControlSetFocusControlFn, ControlSetFocusControl)) focus(control);
}

int lockUpdate(LibraryControl control) {
  const auto lock = CORVALIS_BOUND(ControlLockFn, ControlLockUpdate);
  return lock != nullptr ? lock(control) : 0;
}

int unlockUpdate(LibraryControl control) {
  const auto unlock = CORVALIS_BOUND(ControlLockFn, ControlUnlockUpdate);
  return unlock != nullptr ? unlock(control) : 0;
}

void editMakeTextVisible(ControlId edit, int position, int selectionLength) {
  if (const auto show = CORVALIS_BOUND(ListIndexCountFn, GuaranteeVisibleText_EditboxEx))
    show(libraryControlOf(edit), position, selectionLength);
}

std::variant<HeapBytes, LibraryControl> packStructure(bool keepStructure, std::span<const StructMember> members) {
  const auto create = CORVALIS_BOUND(CreateStructFn, Create_StructEx);
  if (create == nullptr) {
    if (keepStructure) return LibraryControl{0};
    return HeapBytes();
  }
  const std::intptr_t structure = create();
  if (const auto insert = CORVALIS_BOUND(InsertMemberFn, InsertMember_StructEx))
    insert(structure, -1, static_cast<int>(members.size()));

  const auto setBool = CORVALIS_BOUND(SetMemberWordFn, SetMemberBool_StructEx);
  const auto setInt = CORVALIS_BOUND(SetMemberWordFn, SetMemberInt_StructEx);
  const auto setLong = CORVALIS_BOUND(SetMemberHalvesFn, SetMemberLongInt_StructEx);
  const auto setFloat = CORVALIS_BOUND(SetMemberBitsFn, SetMemberFloat_StructEx);
  const auto setDouble = CORVALIS_BOUND(SetMemberHalvesFn, SetMemberDouble_StructEx);
  const auto setText = CORVALIS_BOUND(SetMemberBlockFn, SetMemberText_StructEx);
  const auto setBin = CORVALIS_BOUND(SetMemberBlockFn, SetMemberBin_StructEx);
  const auto halves = [](std::uint64_t bits) {
    return std::pair<unsigned, unsigned>{static_cast<unsigned>(bits & 0xFFFFFFFFu), static_cast<unsigned>(bits >> 32)};
  };

  for (std::size_t i = 0; i < members.size(); ++i) {
    const int index = static_cast<int>(i);
    std::visit(
        [&](const auto& value) {
          using T = std::decay_t<decltype(value)>;
          if constexpr (std::is_same_v<T, bool>) {
            if (setBool != nullptr) setBool(structure, index, value ? 1 : 0);
          } else if constexpr (std::is_same_v<T, std::uint8_t> || std::is_same_v<T, std::int16_t> ||
                               std::is_same_v<T, std::int32_t>) {
            if (setInt != nullptr) setInt(structure, index, static_cast<int>(value));
          } else if constexpr (std::is_same_v<T, std::int64_t> || std::is_same_v<T, FunctionAddress>) {
            std::uint64_t bits;
            if constexpr (std::is_same_v<T, FunctionAddress>)
              bits = static_cast<std::uint64_t>(value.address);
            else
              bits = static_cast<std::uint64_t>(value);
            const auto [low, high] = halves(bits);
            if (setLong != nullptr) setLong(structure, index, low, high);
          } else if constexpr (std::is_same_v<T, float>) {
            std::uint32_t bits;
            std::memcpy(&bits, &value, sizeof bits);
            if (setFloat != nullptr) setFloat(structure, index, bits);
          } else if constexpr (std::is_same_v<T, double> || std::is_same_v<T, DateTimeValue>) {
            double real;
            if constexpr (std::is_same_v<T, DateTimeValue>)
              real = value.value;
            else
              real = value;
            std::uint64_t bits;
            std::memcpy(&bits, &real, sizeof bits);
            const auto [low, high] = halves(bits);
            if (setDouble != nullptr) setDouble(structure, index, low, high);
          } else if constexpr (std::is_same_v<T, std::string>) {
            // The structure takes the bin over.
            if (setText != nullptr) setText(structure, index, textBin(value, 0, 0));
          } else if constexpr (std::is_same_v<T, HeapBytes>) {
            if (setBin != nullptr) setBin(structure, index, value.block());
          }
          // Any other type is skipped.
        },
        members[i]);
  }

  if (keepStructure) return LibraryControl{structure};
  const auto pack = CORVALIS_BOUND(PackStructFn, Pack_StructEx);
  HeapBytes packed = HeapBytes::copyOfBlock(pack != nullptr ? pack(structure) : nullptr);
  if (const auto destroy = CORVALIS_BOUND(StructFn, Destroy_StructEx)) destroy(structure);
  return packed;
}

}  // namespace corvalis
