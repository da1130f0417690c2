// A stand-in for the UI library, built three times as ExuiKrnln.dll: the recording
// variant, one whose handshake answers 0 (CORVALIS_HANDSHAKE_ZERO) and one built from
// the same code whose export list leaves CreateControl_WindowEx out. Every function the
// bridge calls writes what it received into one log, which the tests read through the
// test-only exports; the answers are fixed values the tests know.
#include <windows.h>

#include <cstring>
#include <initializer_list>

#include "tests/uilib/test_library.h"

using namespace corvalis::uitest;

namespace {

CallLog theLog;
unsigned char exportBlock[256];
int exportSize = 0;
// Pack_StructEx's block: [1][6]"packed".
struct {
  std::int32_t header = 1;
  std::int32_t length = 6;
  char bytes[8] = "packed";
} packedBlock;

using Routine = int(UITEST_CALL*)(void*, int, int, int, int, int);

LoggedCall& log(const char* name, std::initializer_list<std::intptr_t> arguments, std::intptr_t result) {
  static LoggedCall overflow;
  LoggedCall& call = theLog.count < kMaxCalls ? theLog.calls[theLog.count++] : overflow;
  call = LoggedCall{};
  std::strncpy(call.name, name, sizeof call.name - 1);
  for (std::intptr_t argument : arguments) {
    if (call.argumentCount < kMaxArguments) call.arguments[call.argumentCount] = argument;
    ++call.argumentCount;
  }
  call.result = result;
  return call;
}

// Copies a byte string block (header, length, payload) as far as it fits.
void copyBlock(LoggedCall& call, const void* block) {
  if (block == nullptr) return;
  std::int32_t length;
  std::memcpy(&length, static_cast<const char*>(block) + 4, 4);
  int size = 8 + (length > 0 ? length : 0);
  if (size > kCopiedBytes) size = kCopiedBytes;
  std::memcpy(call.copied, block, static_cast<std::size_t>(size));
  call.copiedCount = size;
}

void copyText(LoggedCall& call, const char* text) {
  if (text == nullptr) return;
  const std::size_t length = strnlen(text, kCopiedBytes - 1);
  std::memcpy(call.copied, text, length);
  call.copiedCount = static_cast<int>(length);
}

std::intptr_t created(const char* name, int argumentCount, std::intptr_t parentControl, HWND parent, int x, int y,
                      int width, int height, Routine routine, const void* context,
                      std::initializer_list<int> zeros) {
  auto* record = new StandInRecord{};
  const auto* words = static_cast<const std::uintptr_t*>(context);
  if (words != nullptr) {
    record->window = reinterpret_cast<void*>(words[0]);
    record->words[2] = static_cast<std::uint32_t>(words[2]);  // offset 8: first identifying word
    record->words[3] = static_cast<std::uint32_t>(words[1]);  // offset 12: second
    record->words[4] = static_cast<std::uint32_t>(words[3]);  // offset 16: the bridge's kind code
  }
  record->words[11] = 2;  // offset 44: fully created
  record->routine = reinterpret_cast<void*>(routine);
  const auto handle = reinterpret_cast<std::intptr_t>(record);
  LoggedCall& call = log(name,
                         {parentControl, reinterpret_cast<std::intptr_t>(parent), x, y, width, height,
                          reinterpret_cast<std::intptr_t>(routine), reinterpret_cast<std::intptr_t>(context)},
                         handle);
  call.argumentCount = argumentCount;
  if (words != nullptr)
    for (int i = 0; i < 5; ++i) call.context[i] = words[i];
  call.trailingZeros = true;
  for (int zero : zeros) call.trailingZeros = call.trailingZeros && zero == 0;
  if (record->window != nullptr) SetPropA(static_cast<HWND>(record->window), "Tab_Control", record);
  return handle;
}

void* newBin(const void* data, int size) {
  std::size_t length = 0;
  if (size == -4)
    length = data != nullptr ? std::strlen(static_cast<const char*>(data)) : 0;
  else if (size >= 0)
    length = static_cast<std::size_t>(size);
  else
    return nullptr;
  auto* bin = static_cast<unsigned char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 8 + length + 1));
  const std::int32_t header = 1;
  const auto count = static_cast<std::int32_t>(length);
  std::memcpy(bin, &header, 4);
  std::memcpy(bin + 4, &count, 4);
  if (length > 0) std::memcpy(bin + 8, data, length);
  return bin;
}

// An unsigned word as a logged argument (the tests read it back as 32 bits).
std::intptr_t word(unsigned value) { return static_cast<std::intptr_t>(value); }

// Bins handed to the library are consumed, as the real one does.
void consume(const void* bin) {
  if (bin != nullptr) HeapFree(GetProcessHeap(), 0, const_cast<void*>(bin));
}

#define CREATE_PARAMETERS                                                                                    \
  std::intptr_t parentControl, HWND parent, int x, int y, int width, int height, Routine routine, \
      const void* context
#define LEAD_ARGUMENTS parentControl, parent, x, y, width, height, routine, context

}  // namespace

extern "C" {

std::intptr_t UITEST_CALL CallInternalFunction_Ex(int function, std::intptr_t module, std::intptr_t b,
                                                  std::intptr_t c, std::intptr_t date) {
#if defined(CORVALIS_HANDSHAKE_ZERO)
  const std::intptr_t answer = 0;
#else
  const std::intptr_t answer = kRecordingLibraryHandle;
#endif
  log("CallInternalFunction_Ex", {function, module, b, c, date}, answer);
  return answer;
}

std::intptr_t UITEST_CALL CreateControl_WindowEx(CREATE_PARAMETERS, int z0, int z1, int z2, int z3, int z4, int z5, int z6, int z7, int z8, int z9, int z10, int z11, int z12, int z13, int z14, int z15, int z16, int z17, int z18, int z19) {
  return created("CreateControl_WindowEx", 28, LEAD_ARGUMENTS, {z0, z1, z2, z3, z4, z5, z6, z7, z8, z9, z10, z11, z12, z13, z14, z15, z16, z17, z18, z19});
}
std::intptr_t UITEST_CALL CreateControl_ListboxEx(CREATE_PARAMETERS, int z0, int z1, int z2, int z3, int z4, int z5, int z6, int z7, int z8, int z9, int z10, int z11, int z12, int z13, int z14, int z15, int z16) {
  return created("CreateControl_ListboxEx", 25, LEAD_ARGUMENTS, {z0, z1, z2, z3, z4, z5, z6, z7, z8, z9, z10, z11, z12, z13, z14, z15, z16});
}
std::intptr_t UITEST_CALL CreateControl_EditboxEx(CREATE_PARAMETERS, int z0, int z1, int z2, int z3, int z4, int z5, int z6, int z7, int z8, int z9, int z10, int z11, int z12, int z13, int z14, int z15, int z16, int z17, int z18, int z19, int z20, int z21, int z22, int z23, int z24, int z25, int z26, int z27, int z28, int z29, int z30, int z31) {
  return created("CreateControl_EditboxEx", 40, LEAD_ARGUMENTS, {z0, z1, z2, z3, z4, z5, z6, z7, z8, z9, z10, z11, z12, z13, z14, z15, z16, z17, z18, z19, z20, z21, z22, z23, z24, z25, z26, z27, z28, z29, z30, z31});
}
std::intptr_t UITEST_CALL CreateControl_FilterEx(CREATE_PARAMETERS, int z0, int z1, int z2, int z3, int z4, int z5, int z6, int z7, int z8, int z9, int z10, int z11, int z12, int z13) {
  return created("CreateControl_FilterEx", 22, LEAD_ARGUMENTS, {z0, z1, z2, z3, z4, z5, z6, z7, z8, z9, z10, z11, z12, z13});
}
std::intptr_t UITEST_CALL CreateControl_LabelEx(CREATE_PARAMETERS, int z0, int z1, int z2, int z3, int z4, int z5, int z6, int z7, int z8, int z9, int z10, int z11, int z12, int z13, int z14) {
  return created("CreateControl_LabelEx", 23, LEAD_ARGUMENTS, {z0, z1, z2, z3, z4, z5, z6, z7, z8, z9, z10, z11, z12, z13, z14});
}
std::intptr_t UITEST_CALL CreateControl_ButtonEx(CREATE_PARAMETERS, int z0, int z1, int z2, int z3, int z4, int z5, int z6, int z7, int z8, int z9, int z10, int z11, int z12, int z13) {
  return created("CreateControl_ButtonEx", 22, LEAD_ARGUMENTS, {z0, z1, z2, z3, z4, z5, z6, z7, z8, z9, z10, z11, z12, z13});
}
std::intptr_t UITEST_CALL CreateControl_ToolbarEx(CREATE_PARAMETERS, int z0, int z1, int z2, int z3, int z4, int z5, int z6, int z7, int z8, int z9, int z10, int z11, int z12, int z13, int z14, int z15, int z16) {
  return created("CreateControl_ToolbarEx", 25, LEAD_ARGUMENTS, {z0, z1, z2, z3, z4, z5, z6, z7, z8, z9, z10, z11, z12, z13, z14, z15, z16});
}

int UITEST_CALL ControlDestroy(std::intptr_t control) {
  log("ControlDestroy", {control}, 1);
  if (auto* record = reinterpret_cast<StandInRecord*>(control)) record->words[11] = 0;
  return 1;
}

std::intptr_t UITEST_CALL ControlSendMessage(std::intptr_t control, unsigned message, std::intptr_t wParam,
                                             std::intptr_t lParam, int e, int f) {
  std::intptr_t answer = 0;
  if (message == 0x2801) answer = kNotifyGetAnswer;
  if (message == 0x2802) answer = kNotifySetAnswer;
  if (message == 0x2803 && exportSize > 0) answer = reinterpret_cast<std::intptr_t>(exportBlock);
  log("ControlSendMessage", {control, static_cast<std::intptr_t>(message), wParam, lParam, e, f}, answer);
  return answer;
}

int UITEST_CALL ControlSetRect(std::intptr_t control, int x, int y, int width, int height) {
  log("ControlSetRect", {control, x, y, width, height}, 1);
  return 1;
}

std::intptr_t UITEST_CALL ControlGetBindControl(HWND window) {
  const auto answer = reinterpret_cast<std::intptr_t>(GetPropA(window, "Tab_Control"));
  log("ControlGetBindControl", {reinterpret_cast<std::intptr_t>(window)}, answer);
  return answer;
}

std::intptr_t UITEST_CALL ControlSetFocusControl(std::intptr_t control) {
  log("ControlSetFocusControl", {control}, 0);
  return 0;
}

int UITEST_CALL ControlLockUpdate(std::intptr_t control) {
  log("ControlLockUpdate", {control}, 1);
  return 1;
}

int UITEST_CALL ControlUnlockUpdate(std::intptr_t control) {
  log("ControlUnlockUpdate", {control}, 0);
  return 0;
}

int UITEST_CALL ControlInsertElem(std::intptr_t control, int type, int row, int index, int count) {
  log("ControlInsertElem", {control, type, row, index, count}, 3);
  return 3;
}

int UITEST_CALL ControlSetElemAttribute_Button(std::intptr_t control, int type, int row, int element, int anchor,
                                               void* routine, int reserved, int left, int top, int width, int height,
                                               int style, const void* image, const void* font) {
  LoggedCall& call = log("ControlSetElemAttribute_Button",
                         {control, type, row, element, anchor, reinterpret_cast<std::intptr_t>(routine), reserved,
                          left, top, width, height, style, reinterpret_cast<std::intptr_t>(image),
                          reinterpret_cast<std::intptr_t>(font)},
                         1);
  copyBlock(call, font);
  return 1;
}

int UITEST_CALL ControlSetElemData_Button(std::intptr_t control, int type, int row, int column, int element,
                                          int checked, int shown, int disabled, const void* caption) {
  LoggedCall& call = log("ControlSetElemData_Button",
                         {control, type, row, column, element, checked, shown, disabled,
                          reinterpret_cast<std::intptr_t>(caption)},
                         1);
  copyBlock(call, caption);
  consume(caption);
  return 1;
}

int UITEST_CALL InsertItem_ListboxEx(std::intptr_t control, int index, int count, std::intptr_t data,
                                     const void* image, const void* caption) {
  LoggedCall& call = log("InsertItem_ListboxEx",
                         {control, index, count, data, reinterpret_cast<std::intptr_t>(image),
                          reinterpret_cast<std::intptr_t>(caption)},
                         kInsertItemAnswer);
  copyBlock(call, image);
  consume(caption);
  return kInsertItemAnswer;
}

int UITEST_CALL DeleteItem_ListboxEx(std::intptr_t control, int index, int count) {
  log("DeleteItem_ListboxEx", {control, index, count}, 1);
  return 1;
}

int UITEST_CALL GetItemCount_ListboxEx(std::intptr_t control) {
  log("GetItemCount_ListboxEx", {control}, kItemCountAnswer);
  return kItemCountAnswer;
}

int UITEST_CALL GuaranteeVisible_ListboxEx(std::intptr_t control, int index, int mode) {
  log("GuaranteeVisible_ListboxEx", {control, index, mode}, 1);
  return 1;
}

int UITEST_CALL GuaranteeVisibleText_EditboxEx(std::intptr_t control, int position, int length) {
  log("GuaranteeVisibleText_EditboxEx", {control, position, length}, 1);
  return 1;
}

void* UITEST_CALL CreateBinEx(const void* data, int size, int wordA, int wordB) {
  void* bin = newBin(data, size);
  LoggedCall& call = log("CreateBinEx", {reinterpret_cast<std::intptr_t>(data), size, wordA, wordB},
                         reinterpret_cast<std::intptr_t>(bin));
  if (size == -4) copyText(call, static_cast<const char*>(data));
  return bin;
}

std::intptr_t UITEST_CALL Create_StructEx() {
  log("Create_StructEx", {}, kStructureHandle);
  return kStructureHandle;
}

int UITEST_CALL Destroy_StructEx(std::intptr_t structure) {
  log("Destroy_StructEx", {structure}, 1);
  return 1;
}

int UITEST_CALL InsertMember_StructEx(std::intptr_t structure, int index, int count) {
  log("InsertMember_StructEx", {structure, index, count}, count);
  return count;
}

int UITEST_CALL SetMemberBool_StructEx(std::intptr_t structure, int index, int value) {
  log("SetMemberBool_StructEx", {structure, index, value}, 1);
  return 1;
}

int UITEST_CALL SetMemberInt_StructEx(std::intptr_t structure, int index, int value) {
  log("SetMemberInt_StructEx", {structure, index, value}, 1);
  return 1;
}

int UITEST_CALL SetMemberLongInt_StructEx(std::intptr_t structure, int index, unsigned low, unsigned high) {
  log("SetMemberLongInt_StructEx", {structure, index, word(low), word(high)}, 1);
  return 1;
}

int UITEST_CALL SetMemberFloat_StructEx(std::intptr_t structure, int index, unsigned bits) {
  log("SetMemberFloat_StructEx", {structure, index, word(bits)}, 1);
  return 1;
}

int UITEST_CALL SetMemberDouble_StructEx(std::intptr_t structure, int index, unsigned low, unsigned high) {
  log("SetMemberDouble_StructEx", {structure, index, word(low), word(high)}, 1);
  return 1;
}

int UITEST_CALL SetMemberText_StructEx(std::intptr_t structure, int index, const void* bin) {
  LoggedCall& call = log("SetMemberText_StructEx", {structure, index, reinterpret_cast<std::intptr_t>(bin)}, 1);
  copyBlock(call, bin);
  consume(bin);
  return 1;
}

int UITEST_CALL SetMemberBin_StructEx(std::intptr_t structure, int index, const void* bytes) {
  LoggedCall& call = log("SetMemberBin_StructEx", {structure, index, reinterpret_cast<std::intptr_t>(bytes)}, 1);
  copyBlock(call, bytes);
  return 1;
}

const void* UITEST_CALL Pack_StructEx(std::intptr_t structure) {
  log("Pack_StructEx", {structure}, reinterpret_cast<std::intptr_t>(&packedBlock));
  return &packedBlock;
}

// ----- test-only exports

CallLog* UITEST_CALL TestCallLog() { return &theLog; }

void UITEST_CALL TestClearLog() { theLog.count = 0; }

int UITEST_CALL TestFireEvent(std::intptr_t control, int code, int a1, int a2, int a3, int a4) {
  auto* record = reinterpret_cast<StandInRecord*>(control);
  const auto routine = reinterpret_cast<Routine>(record->routine);
  return routine(record, code, a1, a2, a3, a4);
}

void UITEST_CALL TestSetWord(std::intptr_t control, int offset, std::uint32_t value) {
  reinterpret_cast<StandInRecord*>(control)->words[offset / 4] = value;
}

void UITEST_CALL TestSetExport(const void* block, int size) {
  exportSize = block != nullptr && size > 0 && size <= static_cast<int>(sizeof exportBlock) ? size : 0;
  if (exportSize > 0) std::memcpy(exportBlock, block, static_cast<std::size_t>(exportSize));
}

}  // extern "C"
