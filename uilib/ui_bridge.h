// The bridge to the UI library (ExuiKrnln.dll) that draws the program's controls:
// finding and binding the library, the window classes whose child windows stand for
// its controls inside the program's windows, the road from its events to the
// program's handlers, and the commands through which the program's code works with
// the controls.
//
// The bridge never names a window template or a handler. It reaches the application
// layer through the services of UiBridgeServices, which the application layer
// installs; the app layer reaches the bridge through the per-kind entries and the
// commands below.
//
// Everything here runs on the GUI thread.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "controls/exui_protocol.h"
#include "uilib/exui_names.h"
#include "uilib/heap_bytes.h"

namespace corvalis {

// ----- Library binding ---------------------------------------------------------------

struct UiLibraryBinding {
  // What the version handshake returned (0 included), the module handle when the
  // library has no handshake function, 0 when no library was found.
  std::int32_t libraryHandle = 0;
  HMODULE module = nullptr;
  // Entry i: the address of kExuiNames[i], null when the library does not export it.
  std::array<FARPROC, kExuiNameCount> table{};
};

// Start-up: finds and loads the library (searched from the current directory, which
// start-up has made the executable's directory), binds every name and shakes hands.
// Once per process; a second call keeps the first binding. True when a library was
// loaded. A missing library is not reported here.
bool initializeUiBridge();

// The process's binding; empty before initializeUiBridge or without a library.
const UiLibraryBinding& uiLibrary();

// The pieces of loading. findUiLibrary is the search alone (the first module that
// loads, or null); bindUiLibrary resolves every name of `module` into `binding` and
// shakes hands. The library is never unloaded.
HMODULE findUiLibrary();
void bindUiLibrary(UiLibraryBinding& binding, HMODULE module);
// Makes `binding` the process's binding instead of initializeUiBridge's search, which
// then keeps it: for tests that bind a library they loaded themselves, or watch the
// bridge's calls through entries of their own.
void setUiLibrary(const UiLibraryBinding& binding);

// The handshake's arguments: function 2008 with (module, 0, 0, 20220526).
inline constexpr std::int32_t kHandshakeFunction = 2008;
inline constexpr std::int32_t kHandshakeDate = 20220526;

// "程序缺少界面运行库必须依赖的 ExuiKrnln.dll 文件" and "Warning": shown when a control kind is
// first created and the bound library lacks CreateControl_WindowEx.
inline constexpr std::string_view kMissingLibraryText =
    "\xB3\xCC\xD0\xF2\xC8\xB1\xC9\xD9\xBD\xE7\xC3\xE6\xD4\xCB\xD0\xD0\xBF\xE2\xB1\xD8\xD0\xEB\xD2\xC0\xC0\xB5\xB5\xC4"
    " ExuiKrnln.dll \xCE\xC4\xBC\xFE";
inline constexpr std::string_view kMissingLibraryCaption = "Warning";

// ----- Control kinds -----------------------------------------------------------------

enum class ControlKind : std::uint8_t { ListboxEx, EditboxEx, WindowEx, FilterEx, LabelEx, ButtonEx, ToolbarEx };
inline constexpr std::size_t kControlKindCount = 7;

struct ControlKindInfo {
  ControlKind kind;
  std::string_view classFormat;   // "Exui.%d.<kind>"
  std::string_view placeholder;   // "NExui.++2147483648++.<kind>": not registered yet
  std::size_t formattedSize;      // the name with ten digits, terminator included
  std::string_view creationFunction;
  std::uint32_t kindCode;         // the bridge's kind code, creation context word 3
  int trailingZeros;              // zero arguments after the eight leading ones
};

const ControlKindInfo& controlKindInfo(ControlKind kind);

// The class name of a kind as it stands now: the placeholder until the first
// control of the kind is created, "Exui.<library handle>.<kind>" afterwards.
std::string controlClassName(ControlKind kind);

// ----- What the bridge needs from the application layer --------------------------------

// The head of the application layer's record of one control window: the bridge reads
// the window handle from it, and for exported data the control's index field and its
// parent's type code. A pointer to it is the control's reference ("hUnit").
struct ControlUnitHead {
  HWND window = nullptr;
  std::int32_t indexField = 0;
  std::int32_t parentTypeCode = 0;
};
using ControlReference = ControlUnitHead*;
// The control window's property that holds its reference; the bridge sets it at creation.
inline constexpr char kUnitProperty[] = "hUnit";

// Parents of this type code give exported data a position word (index field + 1).
inline constexpr std::int32_t kIndexedParentTypeCode = 0x514;

// Handed to the event dispatch: the library record's two identifying words, the event
// number, the argument count (4), the arguments and the handler's result.
struct ControlEventRecord {
  std::uint32_t firstId = 0;
  std::uint32_t secondId = 0;
  std::int32_t number = 0;
  std::int32_t argumentCount = 4;
  std::array<std::int32_t, 4> arguments{};
  std::int32_t result = 0;
};

struct UiBridgeServices {
  // A control window has been created: its reference (null refuses it).
  ControlReference (*registerControl)(HWND window, std::uint32_t firstId, std::uint32_t secondId,
                                      const exui::PropertyBlock* description) = nullptr;
  // The two release notifications of a destroyed control window, in this order.
  void (*detach)(ControlReference reference) = nullptr;
  void (*release)(ControlReference reference) = nullptr;
  // The library control with these identifying words is gone.
  void (*libraryControlGone)(std::uint32_t firstId, std::uint32_t secondId) = nullptr;
  // The control with these identifying words, null when none.
  ControlReference (*lookup)(std::uint32_t firstId, std::uint32_t secondId) = nullptr;
  // Calls the handler bound to record.number and leaves its result in record.result.
  void (*dispatch)(ControlEventRecord& record) = nullptr;
};

// Installs the application layer's services (copied). Until then controls are created
// without references and events reach no handler.
void setUiBridgeServices(const UiBridgeServices& services);

// ----- Per-kind entries ----------------------------------------------------------------

// Entry 1: creates a control of the kind inside `parent`; returns its reference (null
// when the window could not be made). `description` is the control's property block.
using CreateEntry = ControlReference (*)(const exui::PropertyBlock* description, DWORD style, HWND parent,
                                         int controlId, int x, int y, int width, int height, std::uint32_t firstId,
                                         std::uint32_t secondId);
// Entries 3, 4 and 6: (reference, a, b) -> result.
using PlainEntry = std::intptr_t (*)(ControlReference reference, std::intptr_t a, std::intptr_t b);
// Entry 5: the control's content as a movable global memory block, or null.
using ExportEntry = HGLOBAL (*)(ControlReference reference);

using KindEntry = std::variant<std::monostate, CreateEntry, PlainEntry, ExportEntry>;

// The entry for `code` (1, 3, 4, 5 or 6); std::monostate for any other code.
KindEntry kindEntry(ControlKind kind, int code);

// The same creation routine, called directly.
ControlReference createControl(ControlKind kind, const exui::PropertyBlock* description, DWORD style, HWND parent,
                               int controlId, int x, int y, int width, int height, std::uint32_t firstId,
                               std::uint32_t secondId);

// The procedure of the control windows, and the routine the library calls for events
// (exposed for tests; the library gets the routine at creation).
LRESULT CALLBACK controlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
#if defined(__i386__)
#define CORVALIS_EXUI_CALL __stdcall
#else
#define CORVALIS_EXUI_CALL
#endif
int CORVALIS_EXUI_CALL controlEventRoutine(void* record, int code, int a1, int a2, int a3, int a4);

// The bridge's three control messages.
inline constexpr unsigned kNotifyGetMessage = 0x2801;
inline constexpr unsigned kNotifySetMessage = 0x2802;
inline constexpr unsigned kExportDataMessage = 0x2803;
// Exported data blocks start with this word.
inline constexpr std::int32_t kExportedDataTag = 14;

// ----- Commands for the program's own code --------------------------------------------

// A window control as the application layer names it: its two identifying words.
struct ControlId {
  std::uint32_t firstId = 0;
  std::uint32_t secondId = 0;
};

// The library's handle of a control (the "Tab_Control" of its window); 0 for none.
using LibraryControl = std::intptr_t;
// A routine for row button elements: (notification, row, element).
using ElementRoutine = int(CORVALIS_EXUI_CALL*)(int notification, int row, int element);

// The library control of a window control, 0 when it has none.
LibraryControl controlHandle(ControlId control);
// The library control bound to a window (ControlGetBindControl).
LibraryControl controlHandle(HWND window);

// InsertItem_ListboxEx with (control, index, count, item data, image bytes, caption
// bin), the bin made by CreateBinEx from (caption, -4, wordA, wordB).
int listInsert(ControlId list, int index, int count, std::intptr_t itemData, std::string_view imageBytes,
               std::string_view caption, int wordA, int wordB);
void listDelete(ControlId list, int index, int count);
int listCount(ControlId list);
// GetItemSize_ListboxEx: row `index`'s height in pixels, 0 for no such row.
int listRowHeight(ControlId list, int index);
// The list's scroll position in pixels (GetAttribute_ListboxEx, kAttrScrollTop).
int listScrollTop(ControlId list);
// The row with the list's focus mark (-1: none); setting it moves the mark there.
int listFocusRow(ControlId list);
void listSetFocusRow(ControlId list, int row);
// A text attribute of the list (the names a screen reader is told), copied by the library.
void listSetTextAttribute(ControlId list, int attribute, std::string_view text);
// SetItemSize_ListboxEx: row `index` gets `height` pixels.
void listSetRowHeight(ControlId list, int index, int height);
void listMakeVisible(ControlId list, int index, int mode);

int insertElement(LibraryControl control, int type, int row, int index, int count);
void setButtonElementAttributes(LibraryControl control, int type, int row, int element, int anchor,
                                ElementRoutine routine, int reserved, int left, int top, int width, int height,
                                int style, std::string_view imageBytes, std::string_view fontBytes);
// The caption bin is made by CreateBinEx from (caption, -4, wordA, wordB); an empty
// caption is passed as no text.
void setButtonElementData(LibraryControl control, int type, int row, int column, int element, int checked,
                          int shown, int disabled, std::string_view caption, int wordA = 0, int wordB = 0);
void setFocusControl(LibraryControl control);
int lockUpdate(LibraryControl control);
int unlockUpdate(LibraryControl control);
void editMakeTextVisible(ControlId edit, int position, int selectionLength);

// Member values of a structure to pack, by type.
struct FunctionAddress {
  std::uintptr_t address = 0;
};
struct DateTimeValue {
  double value = 0;
};
struct UnlistedValue {};  // a value of a type the packer does not know: skipped
using StructMember = std::variant<bool, std::uint8_t, std::int16_t, std::int32_t, std::int64_t, FunctionAddress,
                                  float, double, DateTimeValue, std::string /*text*/, HeapBytes /*byte string*/,
                                  UnlistedValue>;
// Texts and byte strings differ only by type: a text member holds GBK text, a byte
// string member holds bytes.

// Pack structure. With keepStructure the live structure handle comes back (the caller
// destroys it); otherwise the packed bytes as a program byte string, absent when the
// library gave no block.
std::variant<HeapBytes, LibraryControl> packStructure(bool keepStructure, std::span<const StructMember> members);

}  // namespace corvalis
