// The list as a screen reader reads it: through AccessibleObjectFromWindow, the focus events
// it listens for, and from a process of its own.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "base/com_ptr.h"
#include "tests/controls/accessible_reading.h"
#include "tests/controls/harness.h"

namespace corvalis::exui::test {
namespace {

constexpr long kRowState = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE;

// A typed out-parameter for an owner.
template <typename Interface>
Interface** out(ComPtr<Interface>& owner) {
  return reinterpret_cast<Interface**>(owner.put());
}

std::wstring taken(BSTR text) {
  std::wstring out = text != nullptr ? std::wstring(text, SysStringLen(text)) : std::wstring();
  SysFreeString(text);
  return out;
}

std::wstring nameOf(IAccessible* object, long id) {
  BSTR name = nullptr;
  object->get_accName(childId(id), &name);
  return taken(name);
}

std::wstring actionOf(IAccessible* object, long id) {
  BSTR action = nullptr;
  object->get_accDefaultAction(childId(id), &action);
  return taken(action);
}

long numberOf(IAccessible* object, long id, HRESULT(STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*)) {
  VARIANT value;
  VariantInit(&value);
  if (FAILED((object->*get)(childId(id), &value)) || value.vt != VT_I4) return -1;
  return value.lVal;
}
long roleOf(IAccessible* object, long id) { return numberOf(object, id, &IAccessible::get_accRole); }
long stateOf(IAccessible* object, long id) { return numberOf(object, id, &IAccessible::get_accState); }

ComPtr<IAccessible> accessibleOf(IDispatch* dispatch) {
  ComPtr<IAccessible> object;
  if (dispatch != nullptr) dispatch->QueryInterface(__uuidof(IAccessible), object.put());
  return object;
}

// The name of what an answer names: a child id of `parent`, or an object of its own.
std::wstring nameIn(IAccessible* parent, VARIANT& answer) {
  std::wstring name = L"(nothing)";
  if (answer.vt == VT_I4) name = nameOf(parent, answer.lVal);
  if (answer.vt == VT_DISPATCH) {
    if (ComPtr<IAccessible> object = accessibleOf(answer.pdispVal)) name = nameOf(object.get(), CHILDID_SELF);
  }
  VariantClear(&answer);
  return name;
}

using Seen = std::vector<std::pair<int, int>>;  // event number, row

// The events a screen reader's doing raises; the real pointer's comings and goings left out.
Seen rowEvents(const std::vector<Event>& events) {
  Seen out;
  for (const Event& event : events) {
    if (event.number != kEventItemEnter && event.number != kEventItemLeave) out.emplace_back(event.number, event.a1);
  }
  return out;
}

// A list as the launcher shows one: a fixed row, then entries with three row buttons named
// by the program.
class Accessible : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(library().module, nullptr);
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    oleStarted_ = true;
    parent_ = makeParent(200, 150, true);
    PropertyBlock block = defaultPropertyBlock(Kind::kListbox);
    block.rowPitch = 30;
    block.fixedRowCount = 1;
    std::strcpy(block.fixedRows[0].caption, "\xCC\xED\xBC\xD3");  // 添加
    list_ = createControl(Kind::kListbox, parent_.get(), RECT{0, 0, 200, 150}, &block);
    ASSERT_NE(list_.control, nullptr);
    const Library& lib = library();
    for (const char* caption : {"alpha", "\xD6\xD0\xCE\xC4", "gamma"}) {  // alpha, 中文, gamma
      lib.InsertItem_ListboxEx(list_.control, -1, 1, 0, nullptr, captionBin(caption, 0, 30));
    }
    ASSERT_EQ(lib.ControlInsertElem(list_.control, kElementButton, -1, -1, 3), 3);
    for (int j = 0; j < 3; ++j) {
      lib.ControlSetElemAttribute_Button(list_.control, kElementButton, -1, j, 1, elementRoutine, 0, 30 + 28 * j, 3,
                                         24, 24, 0, nullptr, nullptr);
    }
    setText(kAttrElementNames, "\xC9\xBE\xB3\xFD|\xCF\xC2\xD2\xC6|\xC9\xCF\xD2\xC6");  // 删除|下移|上移
  }
  void TearDown() override {
    parent_.reset();
    if (oleStarted_) OleUninitialize();
  }

  ComPtr<IAccessible> readList() const {
    ComPtr<IAccessible> object;
    const HRESULT result = AccessibleObjectFromWindow(list_.window, OBJID_CLIENT, __uuidof(IAccessible),
                                                      reinterpret_cast<void**>(object.put()));
    EXPECT_EQ(result, S_OK);
    return object;
  }
  ComPtr<IAccessible> rowObject(IAccessible* list, long id) const {
    ComPtr<IDispatch> dispatch;
    EXPECT_EQ(list->get_accChild(childId(id), out(dispatch)), S_OK) << "row " << id;
    return accessibleOf(dispatch.get());
  }
  void setText(int attribute, const char* gbk) const {
    library().SetAttribute_ListboxEx(list_.control, attribute, reinterpret_cast<std::intptr_t>(gbk));
  }
  void setMark(int row) const { library().SetAttribute_ListboxEx(list_.control, kAttrFocusRow, row); }
  int mark() const { return static_cast<int>(library().GetAttribute_ListboxEx(list_.control, kAttrFocusRow)); }
  void showElement(int row, int element, bool disabled) const {
    library().ControlSetElemData_Button(list_.control, kElementButton, row, -1, element, 0, 1, disabled ? 1 : 0,
                                        library().CreateBinEx("x", kBinText, 0, 0));
  }
  void focusList() const {
    SetForegroundWindow(parent_.get());
    SetFocus(list_.window);
    pump();
  }

  Recorder recorder;
  Window parent_;
  Created list_;
  bool oleStarted_ = false;
};

TEST_F(Accessible, TheListAndItsRowsAreRead) {
  ComPtr<IAccessible> list = readList();
  ASSERT_TRUE(list);
  EXPECT_EQ(roleOf(list.get(), CHILDID_SELF), ROLE_SYSTEM_LIST);
  long count = 0;
  EXPECT_EQ(list->get_accChildCount(&count), S_OK);
  EXPECT_EQ(count, 4);
  const std::wstring names[] = {L"\u6DFB\u52A0", L"alpha", L"\u4E2D\u6587", L"gamma"};
  for (long id = 1; id <= 4; ++id) {
    EXPECT_EQ(nameOf(list.get(), id), names[id - 1]);
    EXPECT_EQ(roleOf(list.get(), id), ROLE_SYSTEM_LISTITEM);
    EXPECT_EQ(stateOf(list.get(), id), kRowState) << "no mark yet";
    // 打开 for the fixed row, 启动 for the entries.
    EXPECT_EQ(actionOf(list.get(), id), id == 1 ? L"\u6253\u5F00" : L"\u542F\u52A8") << id;
  }

  setMark(2);
  EXPECT_EQ(stateOf(list.get(), 3), kRowState | STATE_SYSTEM_SELECTED) << "marked, the list without the focus";
  focusList();
  ASSERT_EQ(GetFocus(), list_.window);
  EXPECT_EQ(stateOf(list.get(), 3), kRowState | STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED);
  EXPECT_EQ(stateOf(list.get(), 2), kRowState);

  long left = 0, top = 0, width = 0, height = 0;
  EXPECT_EQ(list->accLocation(&left, &top, &width, &height, childId(3)), S_OK);
  POINT origin{0, 60};
  ClientToScreen(list_.window, &origin);
  EXPECT_EQ(left, origin.x);
  EXPECT_EQ(top, origin.y);
  EXPECT_EQ(width, 200);
  EXPECT_EQ(height, 30);

  VARIANT answer;
  VariantInit(&answer);
  EXPECT_EQ(list->get_accFocus(&answer), S_OK);
  EXPECT_EQ(nameIn(list.get(), answer), L"\u4E2D\u6587") << "the focus is on the marked row";
  EXPECT_EQ(list->get_accSelection(&answer), S_OK);
  EXPECT_EQ(nameIn(list.get(), answer), L"\u4E2D\u6587");
  POINT over{60, 45};
  ClientToScreen(list_.window, &over);
  EXPECT_EQ(list->accHitTest(over.x, over.y, &answer), S_OK);
  EXPECT_EQ(nameIn(list.get(), answer), L"alpha");

  // The program's own action names, copied when set.
  char run[] = "\xD4\xCB\xD0\xD0";  // 运行
  setText(kAttrActionName, run);
  run[0] = 'x';
  setText(kAttrFixedActionName, "\xB1\xE0\xBC\xAD");  // 编辑
  EXPECT_EQ(actionOf(list.get(), 2), L"\u8FD0\u884C");
  EXPECT_EQ(actionOf(list.get(), 1), L"\u7F16\u8F91");
}

TEST_F(Accessible, RowButtonsArePushButtonsInsideTheirRow) {
  ComPtr<IAccessible> list = readList();
  ASSERT_TRUE(list);
  ComPtr<IAccessible> row = rowObject(list.get(), 2);
  ASSERT_TRUE(row);
  EXPECT_EQ(nameOf(row.get(), CHILDID_SELF), L"alpha");
  EXPECT_EQ(roleOf(row.get(), CHILDID_SELF), ROLE_SYSTEM_LISTITEM);
  ComPtr<IDispatch> up;
  EXPECT_EQ(row->get_accParent(out(up)), S_OK);
  ComPtr<IAccessible> parent = accessibleOf(up.get());
  ASSERT_TRUE(parent);
  EXPECT_EQ(roleOf(parent.get(), CHILDID_SELF), ROLE_SYSTEM_LIST);

  long count = 0;
  EXPECT_EQ(row->get_accChildCount(&count), S_OK);
  EXPECT_EQ(count, 3);
  const std::wstring names[] = {L"\u5220\u9664", L"\u4E0B\u79FB", L"\u4E0A\u79FB"};
  for (long id = 1; id <= 3; ++id) {
    EXPECT_EQ(nameOf(row.get(), id), names[id - 1]);
    EXPECT_EQ(roleOf(row.get(), id), ROLE_SYSTEM_PUSHBUTTON);
    EXPECT_TRUE(stateOf(row.get(), id) & STATE_SYSTEM_INVISIBLE) << "shown only under the pointer";
    EXPECT_EQ(actionOf(row.get(), id), L"\u6309\u4E0B");
  }
  ComPtr<IDispatch> none;
  EXPECT_EQ(row->get_accChild(childId(1), out(none)), S_FALSE) << "an element is a child id of its row";

  // As the program shows them under the pointer: delete enabled, move up disabled.
  showElement(1, 0, false);
  showElement(1, 2, true);
  EXPECT_EQ(stateOf(row.get(), 1) & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_UNAVAILABLE), 0);
  EXPECT_TRUE(stateOf(row.get(), 3) & STATE_SYSTEM_UNAVAILABLE);
  recorder.clear();
  EXPECT_EQ(row->accDoDefaultAction(childId(1)), S_OK);
  EXPECT_TRUE(recorder.elementCalls.empty()) << "not inside the screen reader's call";
  pump();
  EXPECT_EQ(recorder.elementCalls, (std::vector<ElementCall>{{kElementClick, 1, 0}}));
  recorder.clear();
  EXPECT_TRUE(FAILED(row->accDoDefaultAction(childId(3)))) << "disabled";
  ComPtr<IAccessible> other = rowObject(list.get(), 3);
  ASSERT_TRUE(other);
  EXPECT_TRUE(FAILED(other->accDoDefaultAction(childId(1)))) << "not shown on that row";
  pump();
  EXPECT_TRUE(recorder.elementCalls.empty());
}

TEST_F(Accessible, ElementNamesAreSplitAsCharactersNotBytes) {
  // 億 is 0x83 0x7C in GBK: its second byte is the "|" byte.
  setText(kAttrElementNames, "\x83\x7C|\xC9\xBE\xB3\xFD");  // 億|删除
  library().ControlSetElemData_Button(list_.control, kElementButton, 1, -1, 2, 0, 0, 0,
                                      library().CreateBinEx("up", kBinText, 0, 0));
  ComPtr<IAccessible> list = readList();
  ASSERT_TRUE(list);
  ComPtr<IAccessible> row = rowObject(list.get(), 2);
  ASSERT_TRUE(row);
  EXPECT_EQ(nameOf(row.get(), 1), L"\u5104");
  EXPECT_EQ(nameOf(row.get(), 2), L"\u5220\u9664");
  EXPECT_EQ(nameOf(row.get(), 3), L"up") << "unnamed: its caption";
}

TEST_F(Accessible, TheDefaultActionClicksTheRowFromTheMessageLoop) {
  ComPtr<IAccessible> list = readList();
  ASSERT_TRUE(list);
  recorder.clear();
  EXPECT_EQ(list->accDoDefaultAction(childId(3)), S_OK);
  EXPECT_EQ(rowEvents(recorder.events), Seen{}) << "not inside the screen reader's call";
  pump();
  EXPECT_EQ(rowEvents(recorder.events), (Seen{{kEventFocusMoved, 2}, {kEventItemClick, 2}}));
  EXPECT_EQ(mark(), 2);
  const auto click = std::find_if(recorder.events.begin(), recorder.events.end(),
                                  [](const Event& event) { return event.number == kEventItemClick; });
  ASSERT_NE(click, recorder.events.end());
  EXPECT_EQ(click->a2, 100) << "the row's middle, as Enter gives it";
  EXPECT_EQ(click->a3, 75);

  ComPtr<IAccessible> row = rowObject(list.get(), 4);
  ASSERT_TRUE(row);
  recorder.clear();
  EXPECT_EQ(row->accDoDefaultAction(childId(CHILDID_SELF)), S_OK);
  pump();
  EXPECT_EQ(rowEvents(recorder.events), (Seen{{kEventFocusMoved, 3}, {kEventItemClick, 3}}));

  // Gone before its turn came: nothing happens, and the objects say they are disconnected.
  recorder.clear();
  EXPECT_EQ(list->accDoDefaultAction(childId(1)), S_OK);
  library().ControlDestroy(list_.control);
  pump();
  EXPECT_EQ(rowEvents(recorder.events), Seen{});
  long count = 0;
  EXPECT_EQ(list->get_accChildCount(&count), CO_E_OBJNOTCONNECTED);
  EXPECT_EQ(row->get_accChildCount(&count), CO_E_OBJNOTCONNECTED);
}

// What a focus event hook hears, and the name it reads of the object there and then, as a
// screen reader does.
struct Heard {
  HWND window;
  LONG object;
  LONG child;
  std::wstring name;
  bool operator==(const Heard&) const = default;
};
void PrintTo(const Heard& heard, std::ostream* out) {
  *out << heard.window << " " << heard.object << " " << heard.child << " " << ::testing::PrintToString(heard.name);
}
std::vector<Heard> heard;
void CALLBACK hearFocus(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
  if (event != EVENT_OBJECT_FOCUS) return;
  std::wstring name;
  ComPtr<IAccessible> source;
  VARIANT id;
  VariantInit(&id);
  if (SUCCEEDED(AccessibleObjectFromEvent(window, object, child, out(source), &id)) && source) {
    name = nameIn(source.get(), id);
  }
  heard.push_back(Heard{window, object, child, name});
}

// Both ways a screen reader may listen: called inside NotifyWinEvent, or later through the
// hooking thread's message loop.
class FocusEvents : public Accessible, public ::testing::WithParamInterface<DWORD> {
 protected:
  // What the hook heard of the list's rows, waiting for `count` of them at most a second.
  std::vector<Heard> rowsHeard(std::size_t count) const {
    std::vector<Heard> rows;
    const DWORD start = GetTickCount();
    do {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
      pump();
      rows.clear();
      for (const Heard& each : heard) {
        if (each.window == list_.window && each.child != CHILDID_SELF) rows.push_back(each);
      }
    } while (rows.size() < count && GetTickCount() - start < 1000);
    return rows;
  }
};

TEST_P(FocusEvents, MovingTheMarkIsHeardAsTheFocusOfItsRow) {
  const DWORD flags = GetParam();
  const HMODULE hookModule = (flags & WINEVENT_INCONTEXT) ? GetModuleHandleW(nullptr) : nullptr;
  const HWINEVENTHOOK hook =
      SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, hookModule, hearFocus, GetCurrentProcessId(), 0, flags);
  ASSERT_NE(hook, nullptr);
  focusList();
  ASSERT_EQ(GetFocus(), list_.window);
  heard.clear();
  SendMessageW(list_.window, WM_KEYDOWN, VK_DOWN, 1);
  SendMessageW(list_.window, WM_KEYDOWN, VK_DOWN, 1);
  EXPECT_EQ(rowsHeard(2), (std::vector<Heard>{{list_.window, OBJID_CLIENT, 1, L"\u6DFB\u52A0"},
                                              {list_.window, OBJID_CLIENT, 2, L"alpha"}}));
  heard.clear();
  setMark(3);
  EXPECT_EQ(rowsHeard(1), (std::vector<Heard>{{list_.window, OBJID_CLIENT, 4, L"gamma"}})) << "the program's move too";

  SetFocus(parent_.get());
  heard.clear();
  setMark(0);
  EXPECT_EQ(rowsHeard(1), std::vector<Heard>{}) << "no focus, no focus event";
  heard.clear();
  focusList();
  EXPECT_EQ(rowsHeard(1), (std::vector<Heard>{{list_.window, OBJID_CLIENT, 1, L"\u6DFB\u52A0"}}))
      << "the focus comes to the mark";
  UnhookWinEvent(hook);
}

INSTANTIATE_TEST_SUITE_P(Delivery, FocusEvents, ::testing::Values(WINEVENT_OUTOFCONTEXT, WINEVENT_INCONTEXT),
                         [](const ::testing::TestParamInfo<DWORD>& delivery) {
                           return delivery.param == WINEVENT_INCONTEXT ? "InContext" : "OutOfContext";
                         });

std::wstring besideThisProgram(const wchar_t* name) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring directory(path);
  return directory.substr(0, directory.find_last_of(L"\\/") + 1) + name;
}

// Runs the probe against the list, serving its calls from this thread's message loop
// meanwhile; its output, or empty when it did not end within 20 seconds.
std::string probe(HWND list, const std::string& arguments) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return {};
  UniqueKernelHandle reading(readEnd), writing(writeEnd);
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  const std::wstring program = besideThisProgram(L"accessible_probe.exe");
  std::wstring command = L"\"" + program + L"\" " + std::to_wstring(reinterpret_cast<std::uintptr_t>(list)) +
                         std::wstring(arguments.begin(), arguments.end());
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return {};
  }
  UniqueKernelHandle running(process.hProcess), thread(process.hThread);
  writing.reset();
  std::string output;
  auto drain = [&] {
    DWORD waiting = 0;
    while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0) {
      char chunk[512];
      DWORD got = 0;
      if (!ReadFile(readEnd, chunk, std::min<DWORD>(waiting, sizeof chunk), &got, nullptr) || got == 0) return;
      output.append(chunk, got);
    }
  };
  const DWORD start = GetTickCount();
  while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 50, QS_ALLINPUT) != WAIT_OBJECT_0) {
    pump();
    drain();
    if (GetTickCount() - start > 20000) {
      TerminateProcess(process.hProcess, 3);
      return {};
    }
  }
  drain();
  return output;
}

std::string hex(long value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(value));
  return text;
}

TEST_F(Accessible, AnotherProcessReadsTheListAndClicksARow) {
  showElement(1, 0, false);
  setMark(1);
  focusList();
  recorder.clear();
  const std::string output = probe(list_.window, " 3");
  const std::string row = " role=34 state=" + hex(kRowState) + " action=";
  const std::string start = utf8(L"\u542F\u52A8"), press = " action=" + utf8(L"\u6309\u4E0B");
  const std::string hidden = " role=43 state=" + hex(STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN) + press;
  const std::string expected =
      "list role=33 children=4\n"
      "row 1" + row + utf8(L"\u6253\u5F00") + " name=" + utf8(L"\u6DFB\u52A0") + "\n" +
      "row 2 role=34 state=" + hex(kRowState | STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED) + " action=" + start +
      " name=alpha\n" +
      "row 3" + row + start + " name=" + utf8(L"\u4E2D\u6587") + "\n" +
      "row 4" + row + start + " name=gamma\n" +
      "element 2.1 role=43 state=" + hex(0) + press + " name=" + utf8(L"\u5220\u9664") + "\n" +
      "element 2.2" + hidden + " name=" + utf8(L"\u4E0B\u79FB") + "\n" +
      "element 2.3" + hidden + " name=" + utf8(L"\u4E0A\u79FB") + "\n" +
      "done\n";
  EXPECT_EQ(output, expected);
  pump();
  EXPECT_EQ(rowEvents(recorder.events), (Seen{{kEventFocusMoved, 2}, {kEventItemClick, 2}}));
}

}  // namespace
}  // namespace corvalis::exui::test
