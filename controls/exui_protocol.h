// The contract between ExuiKrnln.dll (our control layer, built from controls/) and the
// program: the bridge in uilib/ and the window templates in app/ include this header.
//
// Everything here is plain data: constants, record offsets and the layouts of the blocks
// that cross the boundary. No function of the library is declared here; the program binds
// them by name with GetProcAddress (undecorated names, standard calling convention, the
// callee removes the arguments). The argument counts below are what the bridge pushes;
// on 32-bit Windows a wrong count corrupts the stack, so each creation function's count
// is a constant here and is checked when the library is compiled and linked.
//
// Words: on 32-bit Windows every argument and every word of the creation context is 32
// bits. On 64-bit Windows (the test build) handles, addresses and the creation context's
// words are pointer-sized; integers stay 32-bit. "Handle" below is the library's control
// handle: the address of the control record, also stored in the window property
// "Tab_Control".
#pragma once

#include <cstddef>
#include <cstdint>

namespace corvalis::exui {

// ---------------------------------------------------------------------------------------
// Version handshake: CallInternalFunction_Ex(function, a, b, c, d), 5 arguments.
// Function 2008 with (2008, the library's own module handle, 0, 0, 20220526) returns a
// non-zero library handle (a positive 31-bit number unique to this load of the library).
// Any other function number, another module or another interface date gives 0.
inline constexpr std::int32_t kHandshakeFunction = 2008;
inline constexpr std::int32_t kInterfaceDate = 20220526;

// ---------------------------------------------------------------------------------------
// Control kinds. The library's own numbering, stored in the control record and in the
// property block; the bridge's kind codes (10, 1, 11, 0, ...) are a different thing and
// only pass through the creation context.
enum class Kind : std::uint32_t {
  kWindow = 1,   // WindowEx: a panel that holds other controls and reports clicks
  kListbox = 2,  // ListboxEx: rows of icon + caption, per-row button elements
  kEditbox = 3,  // EditboxEx: one line of GBK text
  kFilter = 4,   // FilterEx: a veil over whatever lies beneath it
  kLabel = 5,    // LabelEx: passive text; the mouse falls through to what is beneath
  kButton = 6,   // ButtonEx: a push button
  kToolbar = 7,  // ToolbarEx: an empty strip, created hidden; the program never needs it
};

// Creation functions: (parent control, parent window, x, y, width, height, event routine,
// address of the creation context) followed by the kind's trailing zero arguments.
// The parent control is 0 (containment follows the windows), the parent window and the
// geometry are those of the bridge's child window, and drawing goes into that child window.
inline constexpr int kCreationLeadingArguments = 8;
inline constexpr int kListboxTrailingZeros = 17;  // CreateControl_ListboxEx: 25 arguments
inline constexpr int kEditboxTrailingZeros = 32;  // CreateControl_EditboxEx: 40
inline constexpr int kWindowTrailingZeros = 20;   // CreateControl_WindowEx: 28
inline constexpr int kFilterTrailingZeros = 14;   // CreateControl_FilterEx: 22
inline constexpr int kLabelTrailingZeros = 15;    // CreateControl_LabelEx: 23
inline constexpr int kButtonTrailingZeros = 14;   // CreateControl_ButtonEx: 22
inline constexpr int kToolbarTrailingZeros = 17;  // CreateControl_ToolbarEx: 25

// The creation context: five words, read during the creation call only.
//   word 0  the bridge's child window (HWND) that the control draws into
//   word 1  the second identifying word of the control
//   word 2  the first identifying word
//   word 3  the bridge's kind code
//   word 4  address of the control's property block (PropertyBlock below), or 0
struct CreationContext {
  std::uintptr_t window;
  std::uintptr_t secondId;
  std::uintptr_t firstId;
  std::uintptr_t bridgeKind;
  std::uintptr_t propertyBlock;
};
static_assert(sizeof(CreationContext) == 5 * sizeof(void*));

// ---------------------------------------------------------------------------------------
// The control record: what a handle points to. Only the 32-bit words listed here are part
// of the contract; the same byte offsets hold on 32-bit and 64-bit Windows.
inline constexpr std::size_t kRecordMagicOffset = 0;      // kRecordMagic
inline constexpr std::size_t kRecordKindOffset = 4;       // Kind
inline constexpr std::size_t kRecordFirstIdOffset = 8;    // first identifying word (context word 2)
inline constexpr std::size_t kRecordSecondIdOffset = 12;  // second identifying word (context word 1)
inline constexpr std::size_t kRecordBridgeKindOffset = 16;  // the bridge's kind code (context word 3)
inline constexpr std::size_t kRecordEventBaseOffset = 20;   // added to event codes by the bridge
inline constexpr std::size_t kRecordFlagsOffset = 24;       // BlockFlags in force
inline constexpr std::size_t kRecordRectOffset = 28;        // left, top, width, height (4 words)
inline constexpr std::size_t kRecordStateOffset = 44;       // RecordState
inline constexpr std::uint32_t kRecordMagic = 0x49555845;   // "EXUI"

enum RecordState : std::uint32_t {
  kStateGone = 0,      // being destroyed: no more events, the bridge must not resize it
  kStateCreating = 1,  // inside its creation function
  kStateReady = 2,     // fully created (the bridge tests "above 1")
};

// The window property through which the bridge (and ControlGetBindControl) finds the
// control of a window. Set at creation, removed by ControlDestroy.
inline constexpr char kBindProperty[] = "Tab_Control";

// ---------------------------------------------------------------------------------------
// Events. The library calls the event routine given at creation:
//   int __stdcall routine(record address, code, a1, a2, a3, a4)   (6 arguments)
// The bridge turns the code into the event number the templates bind:
//   number = code + (word at record offset 20) - 660; codes of 700 and above are dropped.
// This library keeps the word at offset 20 at 0 and sends code = 660 + number, so the
// numbers below are what the templates see. The routine's result is not used.
inline constexpr std::int32_t kEventCodeBase = 660;
inline constexpr std::int32_t kEventCodeLimit = 700;  // exclusive; the bridge drops the rest

enum Event : std::int32_t {
  // ListboxEx. a1 = row index (0-based) or -1 for "no row", a2/a3 = x/y in the control.
  kEventItemClick = 0,        // left press and release on the same row (not on an element)
  kEventItemRightClick = 1,   // right button released; a1 = row or -1
  kEventItemDoubleClick = 6,  // second press of a double click on a row
  kEventItemEnter = 8,        // the pointer moved onto a row
  kEventItemLeave = 9,        // the pointer left that row (to another row, off the rows, out)
  kEventRightClick = 15,      // right button released anywhere in the list, after event 1
  kEventFocusMoved = 16,      // the focus mark moved to row a1 by the keys or kAttrFocusRow (a
                              // click marks its row too, raising only its click events)
  kEventKeyDown = 17,         // a key the list does not take itself, while it has the focus:
                              // a1 = virtual key, a2 = kKeyControl | kKeyShift | kKeyAlt
  kEventCharacter = 18,       // a character typed while it has the focus: a1 = the UTF-16 unit
  // ButtonEx: a1/a2 = x/y of the release.
  kEventButtonClick = 0,
  // WindowEx (panel): press and release of the left button on the panel itself or on a
  // LabelEx inside it (labels let the mouse through). a1/a2 = x/y in the panel.
  kEventPanelClick = 20,
  // EditboxEx.
  kEventEditChanged = 10,  // the user changed the text; a1 = new length in bytes
  kEventEditEnter = 11,    // Enter pressed
  kEventEditEscape = 12,   // Esc pressed (only when the key reaches the edit box)
};
// Keys: a list takes the focus when clicked. It keeps a focus mark on one row, drawn while
// it has the keyboard focus (so that it shows in high contrast too) once a key went to it or
// the program set kAttrFocusRow, until the next click - as Windows shows keyboard cues; with
// the system's keyboard cues on, always. Up/Down, Home/End and
// Page Up/Down move the mark (scrolling the row into view; with Ctrl held they are key
// events instead), Enter raises kEventItemClick for the marked row and Shift+F10 or the
// menu key kEventItemRightClick and kEventRightClick for it, as the pointer would. An edit
// box claims Enter through WM_GETDLGCODE and no control claims Esc, so a window's own Esc
// handling sees it. Buttons and panels do not take the focus when clicked.
inline constexpr std::int32_t kKeyControl = 1;
inline constexpr std::int32_t kKeyShift = 2;
inline constexpr std::int32_t kKeyAlt = 4;

// Button elements of a list's rows report to the routine given in their attributes, not to
// the event routine:  int __stdcall routine(notification, row, element)   (3 arguments)
inline constexpr std::int32_t kElementClick = 0x10000;  // press and release on an enabled element

// ---------------------------------------------------------------------------------------
// ControlSendMessage(control, message, wParam, lParam, 0, 0): 6 arguments.
enum Message : std::uint32_t {
  // wParam = Attribute; returns its value (0 for an unknown attribute).
  kMessageGetAttribute = 0x2801,
  // wParam = Attribute, lParam = value; returns 1 when taken, 0 when refused.
  kMessageSetAttribute = 0x2802,
  // wParam = -1: returns the address of a block [int32 kind][int32 length][length bytes]
  // with the control's content, or 0 when it has none: the text of an edit box, label or
  // button (GBK, no terminator counted); for a list the captions of all rows, each followed
  // by a zero byte. The block belongs to the control and stays valid until the next export
  // or the control's destruction.
  kMessageExportData = 0x2803,
};
// Any other message number is sent to the control's window (SendMessageW) and its result
// returned.

// Attributes, through kMessageGetAttribute / kMessageSetAttribute and through the kinds'
// SetAttribute_<Kind>(control, attribute, value) / GetAttribute_<Kind>(control, attribute).
enum Attribute : std::int32_t {
  kAttrVisible = 1,        // 0/1; shows or hides the control's window
  kAttrDisabled = 2,       // 0/1; disables the window (no input, drawn greyed)
  kAttrText = 3,           // edit/label/button/panel: set with a GBK text address (copied);
                           // get gives the address of the control's own copy
  kAttrTextLength = 4,     // get: bytes of kAttrText
  kAttrTextColour = 5,     // COLORREF
  kAttrBackColour = 6,
  kAttrHoverColour = 7,
  kAttrPressColour = 8,
  kAttrBorderColour = 9,
  kAttrAccentColour = 10,
  kAttrFontSize = 11,      // character height in pixels
  kAttrRowPitch = 12,      // list: height of rows inserted without their own height
  kAttrScrollTop = 13,     // list: pixels scrolled; set clamps to the valid range
  kAttrHoverRow = 14,      // list, get: row under the pointer or -1
  kAttrCaret = 15,         // edit: caret position in bytes (0-based)
  kAttrSelectionAnchor = 16,  // edit: other end of the selection in bytes
  kAttrOverlayAlpha = 17,  // filter: 0..255
  kAttrKind = 18,          // get: Kind
  kAttrContentHeight = 19, // list, get: total height of all rows
  kAttrFocusRow = 20,      // list: the row with the focus mark, -1 for none; set moves it
                           // there (clamped), shows it, scrolls it into view and raises
                           // kEventFocusMoved
  // What a screen reader is told (the list answers WM_GETOBJECT with an accessible object:
  // a list with one list item per row, named by its caption). Each set with a GBK text
  // address (copied):
  kAttrActionName = 21,      // the default action of a row past the fixed rows ("启动")
  kAttrFixedActionName = 22, // the default action of a fixed row ("打开")
  kAttrElementNames = 23,    // the names of a row's elements in element order, "|" between
};

// Colour values that mean "the library's theme colour" in the property block.
inline constexpr std::uint32_t kThemeColour = 0xFF000000u;

// ---------------------------------------------------------------------------------------
// Byte blocks. CreateBinEx(data, size, word a, word b): 4 arguments, always.
//   size >= 0: copies size bytes from data (data may be 0 when size is 0);
//   size == kBinText (-4): data is a zero-terminated GBK text (0 = empty), copied without
//   its terminator. Other negative sizes give 0.
// The result is the address of [int32 1][int32 length][length bytes][one zero byte], the
// layout of the program's own byte strings, so a bin can be read as one. The two words a
// and b travel with the bin; for a list row's caption a = CaptionStyle bits and b = the
// row's height in pixels (0: the list's row pitch); elsewhere they are ignored.
// The two-argument form (text, -4) of the structure packer must be called as (text, -4, 0, 0):
// under the standard calling convention the callee removes exactly four arguments.
//
// A bin handed to InsertItem_ListboxEx, SetItemTitle_ListboxEx, ControlSetElemData_Button or
// SetMemberText_StructEx is consumed: the library frees it. DeleteBinEx(bin) frees one that
// was not handed on; it ignores addresses that are not live bins.
inline constexpr std::int32_t kBinText = -4;
inline constexpr std::int32_t kBinHeaderWord = 1;

enum CaptionStyle : std::int32_t {
  kCaptionBold = 1,
};

// Byte strings the library reads but does not own (row images, element images, packed font
// descriptions) have the same layout: [int32 any][int32 length][length bytes]. A row image
// is an icon file in memory (ICONDIR + one 32-bit 32x32 image, 4286 bytes as the program
// makes them); its colours may be premultiplied or straight alpha, and an image whose alpha
// is 0 throughout is read as opaque with pure black transparent.

// ---------------------------------------------------------------------------------------
// ListboxEx operations (all indexes 0-based; rows are numbered top to bottom).
//   InsertItem_ListboxEx(control, index, count, item data, image bytes, caption bin): 6
//     inserts count (>= 1) rows before index (-1 or past the end: append); returns the
//     index of the first inserted row, -1 when nothing was inserted.
//   DeleteItem_ListboxEx(control, index, count): 3
//     index -1: removes every row. Otherwise removes count rows from index (count <= 0:
//     to the end). Returns the number removed.
//   GetItemCount_ListboxEx(control): 1
//   GuaranteeVisible_ListboxEx(control, index, mode): 3
//     mode 1: scroll as little as needed; mode 0: bring the row to the top.
//   SetItemTitle_ListboxEx(control, index, caption bin): 3     GetItemTitle_ListboxEx(control, index): 2
//   SetItemIco_ListboxEx(control, index, image bytes): 3       (returns the GBK caption's address)
//   SetItemData_ListboxEx(control, index, value): 3            GetItemData_ListboxEx(control, index): 2
//   SetItemSize_ListboxEx(control, index, height): 3           GetItemSize_ListboxEx(control, index): 2
//   SetItemFontColor_ListboxEx(control, index, colour): 3      GetItemFontColor_ListboxEx(control, index): 2
//
// Row button elements (ListboxEx only). Elements belong to the list: every row, present and
// future, has the same elements; what differs per row is the data (shown, disabled, caption).
//   ControlInsertElem(control, type, row, index, count): 5
//     type kElementButton, row -1; inserts count elements before element index (-1: append).
//     Returns the number of elements after the insertion, 0 when refused.
//   ControlSetElemAttribute_Button(control, type, row, element, anchor, routine, reserved,
//       left, top, width, height, style, image bytes, font description): 14
//     row -1; anchor 0: left counts from the row's left edge, 1: from its right edge.
//     routine: the element routine above (0: no notification). style: ElementStyle.
//     image bytes: optional icon image drawn instead of the caption (0 or empty: none).
//     font description: a packed structure (see StructEx) or a live structure handle:
//     member 0 face (text), 1 size in points (as a font dialog gives it; 12 = 16 pixels at
//     96 dpi), 2 weight (0 = normal), 3 italic, 4 underline, 5 strike-out; missing members
//     keep the list's face at 12 points.
//   ControlSetElemData_Button(control, type, row, column, element, checked, shown, disabled,
//       caption bin): 9
//     row -1: every existing row; column must be -1. A new row starts with its elements
//     hidden, enabled and without caption.
//   ControlDeleteElem(control, type, row, index, count): 5   ControlGetElemCount(control, type, row): 3
inline constexpr std::int32_t kElementButton = 1;
enum ElementStyle : std::int32_t {
  kElementSubtle = 0,  // light face, darker on hover
  kElementAccent = 1,  // accent-coloured face
};

// EditboxEx operations (byte positions, 0-based; -1 = the end of the text). Positions that
// fall inside a double-byte character are moved to its start.
//   GuaranteeVisibleText_EditboxEx(control, position, selection length): 3
//     puts the caret at position, selects selection length bytes before it, and scrolls so
//     the caret shows.
//   InsertText_EditboxEx(control, position, GBK text): 3   DeleteText_EditboxEx(control, position, length): 3
//   SetInsertCursor_EditboxEx(control, position): 2        GetInsertCursor_EditboxEx(control): 1
//   SetSelectLeng_EditboxEx(control, length): 2            GetSelectLeng_EditboxEx(control): 1
// WM_SETTEXT / WM_GETTEXT on the control's window set and read the text of edit boxes,
// labels, buttons and panels as well. The controls' windows are Unicode windows: the text is
// kept as GBK and converted with code page 936, while SetWindowTextA / GetWindowTextA go
// through the system's ANSI code page (936 where the program runs).
inline constexpr int kEditboxMaxBytes = 1024;

// Control core:
//   ControlDestroy(control): 1          ControlIsCreate(control): 1
//   ControlSetRect(control, x, y, width, height): 5   moves the window when it differs
//   ControlGetBindControl(window): 1    ControlGetBindWin(control): 1
//   ControlSetFocusControl(control): 1 (returns the control that had the focus, 0 for none of ours)
//   ControlGetFocusControl(): 0
//   ControlLockUpdate(control): 1 / ControlUnlockUpdate(control): 1 / ControlGetLockUpdateCount: 1
//     (results: the lock count after the call); drawing resumes when it falls to 0.
//   ControlRedraw(control): 1
//   ControlSetVisual(control, visible): 2   ControlGetVisual(control): 1
//   ControlSetDisabled(control, disabled): 2  ControlGetDisabled(control): 1
// Control functions belong to the thread that created the control; a call from another
// thread is carried out on that thread (the caller waits).

// ---------------------------------------------------------------------------------------
// Structures (font descriptions and other packed values).
//   Create_StructEx(): 0    Destroy_StructEx(s): 1    Load_StructEx(bytes, length): 2
//   InsertMember_StructEx(s, index, count): 3 (index -1: append; members start as kMemberNone;
//     returns the member count)
//   DeleteMember_StructEx(s, index, count): 3   GetMemberCount_StructEx(s): 1
//   GetMemberType_StructEx(s, i): 2
//   SetMemberBool_StructEx(s, i, value): 3      SetMemberInt_StructEx(s, i, value): 3
//   SetMemberLongInt_StructEx(s, i, low, high): 4   SetMemberFloat_StructEx(s, i, IEEE bits): 3
//   SetMemberDouble_StructEx(s, i, low, high): 4 (the double's IEEE bits in two halves)
//   SetMemberText_StructEx(s, i, bin): 3 (consumes the bin)
//   SetMemberBin_StructEx(s, i, byte string): 3 (copies [int32][int32 length][bytes])
//   GetMemberBool_StructEx(s, i): 2   GetMemberInt_StructEx(s, i): 2
//   GetMemberText_StructEx(s, i): 2 (address of the structure's zero-terminated copy)
//   Pack_StructEx(s): 1 -> block [int32 1][int32 length][packed bytes], owned by the
//     structure until it changes or is destroyed.
// Packed form, little-endian: uint32 kStructMagic, uint16 version 1, uint16 member count,
// then per member: uint8 MemberType, 3 zero bytes, uint32 size, size bytes, zero bytes up to
// a multiple of 4. Sizes: bool/int/float 4, long/double 8, text = bytes + terminator, bin = bytes.
inline constexpr std::uint32_t kStructMagic = 0x54535845;  // "EXST"
inline constexpr std::uint16_t kStructVersion = 1;
enum MemberType : std::uint8_t {
  kMemberNone = 0,
  kMemberBool = 1,
  kMemberInt = 2,
  kMemberLongInt = 3,
  kMemberFloat = 4,
  kMemberDouble = 5,
  kMemberText = 6,
  kMemberBin = 7,
};

// ---------------------------------------------------------------------------------------
// Property block: what a window template carries for each control (creation context word 4).
// Read once at creation. The reader checks magic, version and size: a block that fails is
// ignored (the control takes its defaults) and a block of a later version is read as far as
// this version knows it. Texts are GBK, zero-terminated within their fields (a text that
// fills its field is cut at the field's end). Colours are COLORREF or kThemeColour.
inline constexpr std::uint32_t kBlockMagic = 0x42505845;  // "EXPB"
inline constexpr std::uint16_t kBlockVersion = 2;  // 2: fixed rows carry their height
inline constexpr int kMaxFixedRows = 4;

enum BlockFlags : std::uint32_t {
  kBlockHidden = 1,        // created hidden (shown later through kAttrVisible or ShowWindow)
  kBlockDisabled = 2,      // created disabled
  kBlockNoHover = 4,       // list: no hover highlight (events still come)
  kBlockCentreText = 8,    // label/button: centred text (buttons are centred anyway)
  kBlockBorder = 16,       // panel/list/label: a one-pixel border
};

// Built-in pictures for fixed rows, drawn by the library.
enum Glyph : std::int32_t {
  kGlyphNone = 0,
  kGlyphAdd = 1,   // a plus on an accent tile
  kGlyphEdit = 2,  // a pencil over lines on a neutral tile
};

struct FixedRow {
  std::int32_t glyph;  // Glyph
  char caption[56];    // GBK
  std::int32_t height; // pixels, 8..400; 0: the list's row pitch
};

struct PropertyBlock {
  std::uint32_t magic;     // 0   kBlockMagic
  std::uint16_t version;   // 4   kBlockVersion of the writer
  std::uint16_t size;      // 6   sizeof(PropertyBlock) of the writer
  std::uint32_t kind;      // 8   Kind the block was written for; 0 = any
  std::int32_t pageId;     // 12  page identifier; non-zero: the bridge sets "PageId_F"
  std::uint32_t flags;     // 16  BlockFlags
  std::int32_t rowPitch;   // 20  list: row height for fixed rows and rows without their own; 0 = 30
  std::int32_t iconSize;   // 24  list: icon edge in pixels; 0 = 24 for rows under 40 px, else 32
  std::int32_t fontSize;   // 28  character height in pixels; 0 = 14
  std::int32_t fontWeight; // 32  0 = normal
  std::uint32_t textColour;    // 36
  std::uint32_t backColour;    // 40
  std::uint32_t hoverColour;   // 44
  std::uint32_t pressColour;   // 48
  std::uint32_t borderColour;  // 52
  std::uint32_t accentColour;  // 56
  std::int32_t overlayAlpha;   // 60  filter: 1..255, 0 = default
  char fontFace[32];           // 64  GBK face name; empty = "微软雅黑"
  char text[128];              // 96  button/label caption, panel title, edit box initial text
  std::int32_t fixedRowCount;  // 224 list: rows present from creation (0..kMaxFixedRows)
  FixedRow fixedRows[kMaxFixedRows];  // 228
};
static_assert(offsetof(PropertyBlock, pageId) == 12);
static_assert(offsetof(PropertyBlock, fontFace) == 64);
static_assert(offsetof(PropertyBlock, fixedRows) == 228);
static_assert(sizeof(PropertyBlock) == 484);

// A block with every field at its default, for templates to start from.
constexpr PropertyBlock defaultPropertyBlock(Kind kind) {
  PropertyBlock block{};
  block.magic = kBlockMagic;
  block.version = kBlockVersion;
  block.size = sizeof(PropertyBlock);
  block.kind = static_cast<std::uint32_t>(kind);
  block.textColour = block.backColour = block.hoverColour = block.pressColour = kThemeColour;
  block.borderColour = block.accentColour = kThemeColour;
  return block;
}

}  // namespace corvalis::exui
