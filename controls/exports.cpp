// The functions ExuiKrnln.dll exports: undecorated names, the standard calling convention on
// 32-bit Windows (the callee removes exactly the listed arguments). Each one checks its
// handle against the live controls, structures or bins before it touches anything.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <utility>

#include "controls/bin.h"
#include "controls/control.h"
#include "controls/kinds.h"
#include "controls/structure.h"

#define EXUI_API EXUI_STDCALL

// The creation functions' trailing zero arguments: there only to be removed by the callee.
#define EXUI_Z1 int
#define EXUI_Z2 EXUI_Z1, EXUI_Z1
#define EXUI_Z4 EXUI_Z2, EXUI_Z2
#define EXUI_Z8 EXUI_Z4, EXUI_Z4
#define EXUI_Z14 EXUI_Z8, EXUI_Z4, EXUI_Z2
#define EXUI_Z15 EXUI_Z14, EXUI_Z1
#define EXUI_Z17 EXUI_Z8, EXUI_Z8, EXUI_Z1
#define EXUI_Z20 EXUI_Z8, EXUI_Z8, EXUI_Z4
#define EXUI_Z32 EXUI_Z8, EXUI_Z8, EXUI_Z8, EXUI_Z8

#define EXUI_CREATE_PARAMETERS                                                                         \
  std::intptr_t /*parent control*/, HWND /*parent window*/, int /*x*/, int /*y*/, int /*width*/, \
      int /*height*/, corvalis::exui::EventRoutine routine, const corvalis::exui::CreationContext* context

using namespace corvalis::exui;

namespace {

template <typename T>
std::intptr_t createControl(Kind kind, const CreationContext* context, EventRoutine routine) {
  if (context == nullptr) return 0;
  HWND window = reinterpret_cast<HWND>(context->window);
  // The control draws into the bridge's window and lives on its thread; one per window.
  if (!IsWindow(window) || GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId() ||
      Control::fromWindow(window) != nullptr) {
    return 0;
  }
  Properties properties = readProperties(reinterpret_cast<const void*>(context->propertyBlock), kind);
  T* control;
  if constexpr (std::is_same_v<T, Panel>) {
    control = new T(kind, window, *context, routine, std::move(properties));
  } else {
    control = new T(window, *context, routine, std::move(properties));
  }
  if (!control->attach()) {
    control->destroy();
    return 0;
  }
  return reinterpret_cast<std::intptr_t>(control->handle());
}

template <typename T>
T* as(Control& control, Kind kind) {
  return control.kind() == kind ? static_cast<T*>(&control) : nullptr;
}

Listbox* asList(Control& control) { return as<Listbox>(control, Kind::kListbox); }
Editbox* asEdit(Control& control) { return as<Editbox>(control, Kind::kEditbox); }

HMODULE ownModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ownModule), &module);
  return module;
}

std::intptr_t setAttributeOf(const void* control, Kind kind, int attribute, std::intptr_t value) {
  return withControl(control, std::intptr_t{0}, [&](Control& c) -> std::intptr_t {
    return c.kind() == kind && c.setAttribute(attribute, value) ? 1 : 0;
  });
}

std::intptr_t getAttributeOf(const void* control, Kind kind, int attribute) {
  return withControl(control, std::intptr_t{0}, [&](Control& c) -> std::intptr_t {
    return c.kind() == kind ? c.getAttribute(attribute) : 0;
  });
}

}  // namespace

extern "C" {

// ----------------------------------------------------------------------------- handshake

std::intptr_t EXUI_API CallInternalFunction_Ex(int function, std::intptr_t module, std::intptr_t, std::intptr_t,
                                               std::intptr_t date) {
  if (function != kHandshakeFunction || static_cast<std::int32_t>(date) != kInterfaceDate) return 0;
  const HMODULE self = ownModule();
  if (self == nullptr || reinterpret_cast<HMODULE>(module) != self) return 0;
  // A positive 31-bit number that differs between two loads of the library.
  const auto handle = static_cast<std::intptr_t>((reinterpret_cast<std::uintptr_t>(self) >> 16) & 0x7FFFFFFF);
  return handle != 0 ? handle : 1;
}

// ----------------------------------------------------------------------------- creation

std::intptr_t EXUI_API CreateControl_WindowEx(EXUI_CREATE_PARAMETERS, EXUI_Z20) {
  return createControl<Panel>(Kind::kWindow, context, routine);
}
std::intptr_t EXUI_API CreateControl_ListboxEx(EXUI_CREATE_PARAMETERS, EXUI_Z17) {
  return createControl<Listbox>(Kind::kListbox, context, routine);
}
std::intptr_t EXUI_API CreateControl_EditboxEx(EXUI_CREATE_PARAMETERS, EXUI_Z32) {
  return createControl<Editbox>(Kind::kEditbox, context, routine);
}
std::intptr_t EXUI_API CreateControl_FilterEx(EXUI_CREATE_PARAMETERS, EXUI_Z14) {
  return createControl<Filter>(Kind::kFilter, context, routine);
}
std::intptr_t EXUI_API CreateControl_LabelEx(EXUI_CREATE_PARAMETERS, EXUI_Z15) {
  return createControl<Label>(Kind::kLabel, context, routine);
}
std::intptr_t EXUI_API CreateControl_ButtonEx(EXUI_CREATE_PARAMETERS, EXUI_Z14) {
  return createControl<Button>(Kind::kButton, context, routine);
}
std::intptr_t EXUI_API CreateControl_ToolbarEx(EXUI_CREATE_PARAMETERS, EXUI_Z17) {
  return createControl<Panel>(Kind::kToolbar, context, routine);
}

// ----------------------------------------------------------------------------- control core

int EXUI_API ControlDestroy(const void* control) {
  return withControl(control, 0, [](Control& c) {
    c.destroy();
    return 1;
  });
}

int EXUI_API ControlIsCreate(const void* control) {
  return withControl(control, 0, [](Control& c) { return c.record().state == kStateReady ? 1 : 0; });
}

std::intptr_t EXUI_API ControlSendMessage(const void* control, unsigned message, std::intptr_t wParam,
                                          std::intptr_t lParam, int, int) {
  return withControl(control, std::intptr_t{0}, [&](Control& c) -> std::intptr_t {
    switch (message) {
      case kMessageGetAttribute: return c.getAttribute(static_cast<int>(wParam));
      case kMessageSetAttribute: return c.setAttribute(static_cast<int>(wParam), lParam) ? 1 : 0;
      case kMessageExportData:
        return wParam == -1 ? reinterpret_cast<std::intptr_t>(c.exportBlock()) : 0;
      default:
        return static_cast<std::intptr_t>(SendMessageW(c.window(), message, static_cast<WPARAM>(wParam), lParam));
    }
  });
}

int EXUI_API ControlSetRect(const void* control, int x, int y, int width, int height) {
  return withControl(control, 0, [&](Control& c) {
    c.setRect(x, y, width, height);
    return 1;
  });
}

std::intptr_t EXUI_API ControlGetBindControl(HWND window) {
  Control* control = Control::fromWindow(window);
  return control != nullptr ? reinterpret_cast<std::intptr_t>(control->handle()) : 0;
}

HWND EXUI_API ControlGetBindWin(const void* control) {
  return withControl(control, HWND{}, [](Control& c) { return c.window(); });
}

std::intptr_t EXUI_API ControlSetFocusControl(const void* control) {
  return withControl(control, std::intptr_t{0}, [](Control& c) -> std::intptr_t {
    Control* previous = Control::fromWindow(SetFocus(c.window()));
    return previous != nullptr ? reinterpret_cast<std::intptr_t>(previous->handle()) : 0;
  });
}

std::intptr_t EXUI_API ControlGetFocusControl() {
  Control* focused = Control::fromWindow(GetFocus());
  return focused != nullptr ? reinterpret_cast<std::intptr_t>(focused->handle()) : 0;
}

int EXUI_API ControlLockUpdate(const void* control) {
  return withControl(control, 0, [](Control& c) { return c.lockUpdate(); });
}

int EXUI_API ControlUnlockUpdate(const void* control) {
  return withControl(control, 0, [](Control& c) { return c.unlockUpdate(); });
}

int EXUI_API ControlGetLockUpdateCount(const void* control) {
  return withControl(control, 0, [](Control& c) { return c.lockCount(); });
}

int EXUI_API ControlRedraw(const void* control) {
  return withControl(control, 0, [](Control& c) {
    c.invalidate();
    UpdateWindow(c.window());
    return 1;
  });
}

int EXUI_API ControlSetVisual(const void* control, int visible) {
  return withControl(control, 0, [&](Control& c) { return c.setAttribute(kAttrVisible, visible) ? 1 : 0; });
}

int EXUI_API ControlGetVisual(const void* control) {
  return withControl(control, 0, [](Control& c) { return static_cast<int>(c.getAttribute(kAttrVisible)); });
}

int EXUI_API ControlSetDisabled(const void* control, int disabled) {
  return withControl(control, 0, [&](Control& c) { return c.setAttribute(kAttrDisabled, disabled) ? 1 : 0; });
}

int EXUI_API ControlGetDisabled(const void* control) {
  return withControl(control, 0, [](Control& c) { return static_cast<int>(c.getAttribute(kAttrDisabled)); });
}

// ----------------------------------------------------------------------------- row elements

int EXUI_API ControlInsertElem(const void* control, int type, int row, int index, int count) {
  return withControl(control, 0, [&](Control& c) {
    Listbox* list = asList(c);
    return list != nullptr ? list->insertElements(type, row, index, count) : 0;
  });
}

int EXUI_API ControlDeleteElem(const void* control, int type, int row, int index, int count) {
  return withControl(control, 0, [&](Control& c) {
    Listbox* list = asList(c);
    return list != nullptr ? list->deleteElements(type, row, index, count) : 0;
  });
}

int EXUI_API ControlGetElemCount(const void* control, int type, int row) {
  return withControl(control, 0, [&](Control& c) {
    Listbox* list = asList(c);
    return list != nullptr ? list->elementCount(type, row) : 0;
  });
}

int EXUI_API ControlSetElemAttribute_Button(const void* control, int type, int row, int element, int anchor,
                                            ElementRoutine routine, int /*reserved*/, int left, int top, int width,
                                            int height, int style, const void* image, const void* font) {
  Listbox::ElementAttributes attributes;
  attributes.anchor = anchor;
  attributes.routine = routine;
  attributes.left = left;
  attributes.top = top;
  attributes.width = width;
  attributes.height = height;
  attributes.style = style == kElementAccent ? kElementAccent : kElementSubtle;
  attributes.image = viewByteString(image);
  attributes.font = font;
  return withControl(control, 0, [&](Control& c) {
    Listbox* list = asList(c);
    return list != nullptr && list->setElementAttributes(type, row, element, attributes) ? 1 : 0;
  });
}

int EXUI_API ControlSetElemData_Button(const void* control, int type, int row, int column, int element, int checked,
                                       int shown, int disabled, const void* caption) {
  std::optional<TakenBin> taken = takeBin(caption);  // consumed whatever happens next
  return withControl(control, 0, [&](Control& c) {
    Listbox* list = asList(c);
    return list != nullptr && list->setElementData(type, row, column, element, checked != 0, shown != 0,
                                                   disabled != 0, std::move(taken))
               ? 1
               : 0;
  });
}

// ----------------------------------------------------------------------------- ListboxEx

int EXUI_API InsertItem_ListboxEx(const void* control, int index, int count, std::intptr_t data, const void* image,
                                  const void* caption) {
  std::optional<TakenBin> taken = takeBin(caption);
  const std::string_view bytes = viewByteString(image);
  return withControl(control, -1, [&](Control& c) {
    Listbox* list = asList(c);
    return list != nullptr ? list->insertItems(index, count, data, bytes, std::move(taken)) : -1;
  });
}

int EXUI_API DeleteItem_ListboxEx(const void* control, int index, int count) {
  return withControl(control, 0, [&](Control& c) {
    Listbox* list = asList(c);
    return list != nullptr ? list->deleteItems(index, count) : 0;
  });
}

int EXUI_API GetItemCount_ListboxEx(const void* control) {
  return withControl(control, 0, [](Control& c) {
    Listbox* list = asList(c);
    return list != nullptr ? list->itemCount() : 0;
  });
}

int EXUI_API GuaranteeVisible_ListboxEx(const void* control, int index, int mode) {
  return withControl(control, 0, [&](Control& c) {
    Listbox* list = asList(c);
    return list != nullptr && list->guaranteeVisible(index, mode) ? 1 : 0;
  });
}

int EXUI_API SetItemTitle_ListboxEx(const void* control, int index, const void* caption) {
  std::optional<TakenBin> taken = takeBin(caption);
  return withControl(control, 0, [&](Control& c) {
    Listbox* list = asList(c);
    return list != nullptr && list->setItemTitle(index, std::move(taken)) ? 1 : 0;
  });
}

const char* EXUI_API GetItemTitle_ListboxEx(const void* control, int index) {
  return withControl(control, static_cast<const char*>(nullptr), [&](Control& c) -> const char* {
    Listbox* list = asList(c);
    return list != nullptr ? list->itemTitle(index) : nullptr;
  });
}

int EXUI_API SetItemIco_ListboxEx(const void* control, int index, const void* image) {
  const std::string_view bytes = viewByteString(image);
  return withControl(control, 0, [&](Control& c) {
    Listbox* list = asList(c);
    return list != nullptr && list->setItemImage(index, bytes) ? 1 : 0;
  });
}

int EXUI_API SetItemData_ListboxEx(const void* control, int index, std::intptr_t data) {
  return withControl(control, 0, [&](Control& c) {
    Listbox* list = asList(c);
    return list != nullptr && list->setItemData(index, data) ? 1 : 0;
  });
}

std::intptr_t EXUI_API GetItemData_ListboxEx(const void* control, int index) {
  return withControl(control, std::intptr_t{0}, [&](Control& c) -> std::intptr_t {
    Listbox* list = asList(c);
    return list != nullptr ? list->itemData(index) : 0;
  });
}

int EXUI_API SetItemSize_ListboxEx(const void* control, int index, int height) {
  return withControl(control, 0, [&](Control& c) {
    Listbox* list = asList(c);
    return list != nullptr && list->setItemHeight(index, height) ? 1 : 0;
  });
}

int EXUI_API GetItemSize_ListboxEx(const void* control, int index) {
  return withControl(control, 0, [&](Control& c) {
    Listbox* list = asList(c);
    return list != nullptr ? list->itemHeight(index) : 0;
  });
}

int EXUI_API SetItemFontColor_ListboxEx(const void* control, int index, unsigned colour) {
  return withControl(control, 0, [&](Control& c) {
    Listbox* list = asList(c);
    return list != nullptr && list->setItemColour(index, colour) ? 1 : 0;
  });
}

unsigned EXUI_API GetItemFontColor_ListboxEx(const void* control, int index) {
  return withControl(control, unsigned{kThemeColour}, [&](Control& c) {
    Listbox* list = asList(c);
    return list != nullptr ? list->itemColour(index) : unsigned{kThemeColour};
  });
}

// ----------------------------------------------------------------------------- EditboxEx

int EXUI_API GuaranteeVisibleText_EditboxEx(const void* control, int position, int selectBefore) {
  return withControl(control, 0, [&](Control& c) {
    Editbox* edit = asEdit(c);
    if (edit == nullptr) return 0;
    edit->placeCaret(position, selectBefore);
    return 1;
  });
}

int EXUI_API InsertText_EditboxEx(const void* control, int position, const char* text) {
  const std::string_view bytes = text != nullptr ? std::string_view(text, strnlen(text, kEditboxMaxBytes)) : "";
  return withControl(control, -1, [&](Control& c) {
    Editbox* edit = asEdit(c);
    return edit != nullptr ? edit->insertText(position, bytes) : -1;
  });
}

int EXUI_API DeleteText_EditboxEx(const void* control, int position, int length) {
  return withControl(control, 0, [&](Control& c) {
    Editbox* edit = asEdit(c);
    return edit != nullptr ? edit->deleteText(position, length) : 0;
  });
}

int EXUI_API SetInsertCursor_EditboxEx(const void* control, int position) {
  return withControl(control, 0, [&](Control& c) {
    Editbox* edit = asEdit(c);
    if (edit == nullptr) return 0;
    edit->placeCaret(position, 0);
    return 1;
  });
}

int EXUI_API GetInsertCursor_EditboxEx(const void* control) {
  return withControl(control, -1, [](Control& c) {
    Editbox* edit = asEdit(c);
    return edit != nullptr ? edit->caret() : -1;
  });
}

int EXUI_API SetSelectLeng_EditboxEx(const void* control, int length) {
  return withControl(control, 0, [&](Control& c) {
    Editbox* edit = asEdit(c);
    if (edit == nullptr) return 0;
    edit->setSelectionLength(length);
    return 1;
  });
}

int EXUI_API GetSelectLeng_EditboxEx(const void* control) {
  return withControl(control, 0, [](Control& c) {
    Editbox* edit = asEdit(c);
    return edit != nullptr ? edit->selectionLength() : 0;
  });
}

// ----------------------------------------------------------------------------- attributes by kind

#define EXUI_ATTRIBUTES(suffix, kind)                                                                  \
  std::intptr_t EXUI_API SetAttribute_##suffix(const void* control, int attribute, std::intptr_t value) { \
    return setAttributeOf(control, kind, attribute, value);                                            \
  }                                                                                                    \
  std::intptr_t EXUI_API GetAttribute_##suffix(const void* control, int attribute) {                   \
    return getAttributeOf(control, kind, attribute);                                                   \
  }

EXUI_ATTRIBUTES(WindowEx, Kind::kWindow)
EXUI_ATTRIBUTES(ListboxEx, Kind::kListbox)
EXUI_ATTRIBUTES(EditboxEx, Kind::kEditbox)
EXUI_ATTRIBUTES(FilterEx, Kind::kFilter)
EXUI_ATTRIBUTES(LabelEx, Kind::kLabel)
EXUI_ATTRIBUTES(ButtonEx, Kind::kButton)
EXUI_ATTRIBUTES(ToolbarEx, Kind::kToolbar)

// ----------------------------------------------------------------------------- bins

void* EXUI_API CreateBinEx(const void* data, int size, int wordA, int wordB) {
  return createBin(data, size, wordA, wordB);
}

int EXUI_API DeleteBinEx(const void* bin) { return deleteBin(bin) ? 1 : 0; }

const void* EXUI_API GetBinExDataPointer(const void* bin) {
  return isBin(bin) ? static_cast<const char*>(bin) + 8 : nullptr;
}

int EXUI_API GetBinExDatalength(const void* bin) {
  return isBin(bin) ? static_cast<int>(viewByteString(bin).size()) : 0;
}

// ----------------------------------------------------------------------------- structures

void* EXUI_API Create_StructEx() { return newStructure(); }

int EXUI_API Destroy_StructEx(const void* structure) { return deleteStructure(structure) ? 1 : 0; }

void* EXUI_API Load_StructEx(const void* data, int length) {
  if (data == nullptr || length <= 0) return nullptr;
  auto loaded = Structure::unpack(std::string_view(static_cast<const char*>(data), static_cast<std::size_t>(length)));
  if (!loaded) return nullptr;
  Structure* structure = newStructure();
  *structure = std::move(*loaded);
  return structure;
}

const void* EXUI_API Pack_StructEx(const void* structure) {
  Structure* live = liveStructure(structure);
  return live != nullptr ? live->packToBlock() : nullptr;
}

int EXUI_API InsertMember_StructEx(const void* structure, int index, int count) {
  Structure* live = liveStructure(structure);
  return live != nullptr ? live->insert(index, count) : -1;
}

int EXUI_API DeleteMember_StructEx(const void* structure, int index, int count) {
  Structure* live = liveStructure(structure);
  return live != nullptr ? live->erase(index, count) : 0;
}

int EXUI_API GetMemberCount_StructEx(const void* structure) {
  Structure* live = liveStructure(structure);
  return live != nullptr ? live->count() : 0;
}

int EXUI_API GetMemberType_StructEx(const void* structure, int index) {
  Structure* live = liveStructure(structure);
  const Member* member = live != nullptr ? live->at(index) : nullptr;
  return member != nullptr ? member->type : -1;
}

namespace {

std::string word32Bytes(std::uint32_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return bytes;
}

int setMember(const void* structure, int index, MemberType type, std::string bytes) {
  Structure* live = liveStructure(structure);
  return live != nullptr && live->set(index, type, std::move(bytes)) ? 1 : 0;
}

}  // namespace

int EXUI_API SetMemberBool_StructEx(const void* structure, int index, int value) {
  return setMember(structure, index, kMemberBool, word32Bytes(value != 0 ? 1 : 0));
}

int EXUI_API SetMemberInt_StructEx(const void* structure, int index, int value) {
  return setMember(structure, index, kMemberInt, word32Bytes(static_cast<std::uint32_t>(value)));
}

int EXUI_API SetMemberLongInt_StructEx(const void* structure, int index, unsigned low, unsigned high) {
  return setMember(structure, index, kMemberLongInt, word32Bytes(low) + word32Bytes(high));
}

int EXUI_API SetMemberFloat_StructEx(const void* structure, int index, unsigned bits) {
  return setMember(structure, index, kMemberFloat, word32Bytes(bits));
}

int EXUI_API SetMemberDouble_StructEx(const void* structure, int index, unsigned low, unsigned high) {
  return setMember(structure, index, kMemberDouble, word32Bytes(low) + word32Bytes(high));
}

int EXUI_API SetMemberText_StructEx(const void* structure, int index, const void* text) {
  std::optional<TakenBin> taken = takeBin(text);
  return setMember(structure, index, kMemberText, taken ? std::move(taken->bytes) : std::string());
}

int EXUI_API SetMemberBin_StructEx(const void* structure, int index, const void* bytes) {
  return setMember(structure, index, kMemberBin, std::string(viewByteString(bytes)));
}

int EXUI_API GetMemberBool_StructEx(const void* structure, int index) {
  Structure* live = liveStructure(structure);
  return live != nullptr ? live->intAt(index, 0) != 0 : 0;
}

int EXUI_API GetMemberInt_StructEx(const void* structure, int index) {
  Structure* live = liveStructure(structure);
  return live != nullptr ? live->intAt(index, 0) : 0;
}

const char* EXUI_API GetMemberText_StructEx(const void* structure, int index) {
  Structure* live = liveStructure(structure);
  return live != nullptr ? live->textAt(index) : nullptr;
}

}  // extern "C"

// ----------------------------------------------------------------------------- argument counts

// The bridge pushes exactly these many arguments; on 32-bit Windows the linker checks the
// same counts against the .def file, here they are checked against the shared header.
namespace {

struct AnyArgument {
  template <typename T>
  operator T() const;
};

template <typename F, std::size_t... I>
constexpr bool callableWith(std::index_sequence<I...>) {
  return std::is_invocable_v<F, decltype((void)I, AnyArgument{})...>;
}

// Without default arguments a call compiles with the exact count only.
template <typename F, std::size_t N>
constexpr bool takes = callableWith<F>(std::make_index_sequence<N>{});

constexpr std::size_t kLead = kCreationLeadingArguments;
static_assert(kLead == 8);
static_assert(takes<decltype(&CreateControl_ListboxEx), kLead + kListboxTrailingZeros>);
static_assert(takes<decltype(&CreateControl_ToolbarEx), kLead + kToolbarTrailingZeros>);
static_assert(takes<decltype(&CreateControl_EditboxEx), kLead + kEditboxTrailingZeros>);
static_assert(takes<decltype(&CreateControl_WindowEx), kLead + kWindowTrailingZeros>);
static_assert(takes<decltype(&CreateControl_FilterEx), kLead + kFilterTrailingZeros>);
static_assert(takes<decltype(&CreateControl_LabelEx), kLead + kLabelTrailingZeros>);
static_assert(takes<decltype(&CreateControl_ButtonEx), kLead + kButtonTrailingZeros>);
static_assert(!takes<decltype(&CreateControl_ButtonEx), kLead + kButtonTrailingZeros - 1>);
static_assert(takes<decltype(&CallInternalFunction_Ex), 5>);
static_assert(takes<decltype(&ControlSendMessage), 6>);
static_assert(takes<decltype(&ControlSetElemAttribute_Button), 14>);
static_assert(takes<decltype(&ControlSetElemData_Button), 9>);
static_assert(takes<decltype(&InsertItem_ListboxEx), 6>);
static_assert(takes<decltype(&CreateBinEx), 4>);

}  // namespace
