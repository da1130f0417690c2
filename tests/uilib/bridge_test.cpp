// The bridge in this process, bound to the recording stand-in library (which the test
// environment finds through the current directory, the search's first place): the name
// table, the binding and handshake, creation of every kind, the control window
// procedure, the event routine, the per-kind entries and every command, each checked
// against the calls the library received and the services the application layer saw.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/uilib/support.h"
#include "tests/uilib/test_library.h"
#include "uilib/ui_bridge.h"

namespace corvalis::uitest {
namespace {

// ----- The stand-in library's log ------------------------------------------------------

template <typename F>
F testExport(const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(uiLibrary().module, name)));
}

CallLog& callLog() { return *testExport<TestCallLogFn>("TestCallLog")(); }
void clearLog() { testExport<TestClearLogFn>("TestClearLog")(); }

std::vector<const LoggedCall*> callsNamed(std::string_view name) {
  std::vector<const LoggedCall*> found;
  const CallLog& log = callLog();
  for (int i = 0; i < log.count; ++i)
    if (name == log.calls[i].name) found.push_back(&log.calls[i]);
  return found;
}

std::vector<std::string> callNames() {
  std::vector<std::string> names;
  const CallLog& log = callLog();
  for (int i = 0; i < log.count; ++i) names.emplace_back(log.calls[i].name);
  return names;
}

std::int32_t wordAt(const unsigned char* bytes, int offset) {
  std::int32_t word;
  std::memcpy(&word, bytes + offset, 4);
  return word;
}

// ----- The application layer's side, recorded ------------------------------------------

struct Unit {
  ControlUnitHead head;
  std::uint32_t firstId;
  std::uint32_t secondId;
  const exui::PropertyBlock* description;
  bool detached = false;
};

struct ServiceLog {
  std::vector<std::string> calls;
  std::vector<std::unique_ptr<Unit>> units;  // released ones are removed
  std::vector<ControlEventRecord> events;
  std::int32_t resultToGive = 0;
  bool refuseRegistration = false;
  // What the window's properties read while the release notifications ran.
  std::vector<std::pair<HANDLE, HANDLE>> propertiesAtDetach;
};
ServiceLog services;

Unit* unitOf(ControlReference reference) {
  for (const auto& unit : services.units)
    if (&unit->head == reference) return unit.get();
  return nullptr;
}

ControlReference registerControl(HWND window, std::uint32_t firstId, std::uint32_t secondId,
                                 const exui::PropertyBlock* description) {
  services.calls.push_back("register " + std::to_string(firstId) + " " + std::to_string(secondId));
  if (services.refuseRegistration) return nullptr;
  auto unit = std::make_unique<Unit>();
  unit->head.window = window;
  unit->firstId = firstId;
  unit->secondId = secondId;
  unit->description = description;
  services.units.push_back(std::move(unit));
  return &services.units.back()->head;
}

void detach(ControlReference reference) {
  Unit* unit = unitOf(reference);
  services.calls.push_back(unit != nullptr ? "detach " + std::to_string(unit->secondId) : "detach ?");
  if (unit != nullptr) {
    unit->detached = true;
    services.propertiesAtDetach.emplace_back(GetPropA(unit->head.window, "hUnit"),
                                             GetPropA(unit->head.window, "Tab_WM_DESTROY"));
  }
}

void release(ControlReference reference) {
  Unit* unit = unitOf(reference);
  services.calls.push_back(unit != nullptr && unit->detached ? "release " + std::to_string(unit->secondId)
                                                             : "release ?");
  std::erase_if(services.units, [reference](const auto& each) { return &each->head == reference; });
}

void gone(std::uint32_t firstId, std::uint32_t secondId) {
  // The library control is destroyed before the application layer hears of it.
  const bool destroyedFirst = !callsNamed("ControlDestroy").empty();
  services.calls.push_back("gone " + std::to_string(firstId) + " " + std::to_string(secondId) +
                           (destroyedFirst ? "" : " (before ControlDestroy)"));
}

ControlReference lookup(std::uint32_t firstId, std::uint32_t secondId) {
  for (const auto& unit : services.units)
    if (unit->firstId == firstId && unit->secondId == secondId && !unit->detached) return &unit->head;
  return nullptr;
}

void dispatch(ControlEventRecord& record) {
  services.events.push_back(record);
  record.result = services.resultToGive;
}

// ----- Environment: the stand-in found by the real search --------------------------------

class RecordingLibraryEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    const std::wstring library = recordingLibrary();
    const std::wstring folder = library.substr(0, library.find_last_of(L'\\'));
    ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
    ASSERT_TRUE(initializeUiBridge());
    setUiBridgeServices({registerControl, detach, release, gone, lookup, dispatch});
  }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new RecordingLibraryEnvironment);

class Bridge : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(uiLibrary().module, nullptr);
    services = ServiceLog{};
    clearLog();
    parent_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(parent_, nullptr);
  }
  void TearDown() override {
    if (IsWindow(parent_)) DestroyWindow(parent_);
    EXPECT_TRUE(services.units.empty()) << "every registered control is released with its window";
  }

  struct Made {
    ControlReference reference;
    HWND window;
    std::intptr_t control;
  };
  Made make(ControlKind kind, std::uint32_t firstId = 0xA1, std::uint32_t secondId = 0xB2,
            const exui::PropertyBlock* description = nullptr) {
    const ControlReference reference =
        createControl(kind, description, 0, parent_, 55, 1, 2, 30, 40, firstId, secondId);
    HWND window = reference != nullptr ? reference->window : GetWindow(parent_, GW_CHILD);
    return {reference, window, reinterpret_cast<std::intptr_t>(GetPropA(window, "Tab_Control"))};
  }

  HWND parent_ = nullptr;
};

// ----- Name table and binding --------------------------------------------------------------

TEST(NameTable, HoldsTheNamesInFamilyOrder) {
  static_assert(kExuiNames.size() == 685);
  EXPECT_EQ(kExuiNames[0], "LoadImageEx");
  EXPECT_EQ(kExuiNames[4], "CreateBinEx");
  EXPECT_EQ(kExuiNames[26], "LoadThemeEx");
  EXPECT_EQ(kExuiNames[27], "CallInternalFunction_Ex");
  EXPECT_EQ(kExuiNames[35], "ControlCreate");
  EXPECT_EQ(kExuiNames[131], "ControlResetElem");
  EXPECT_EQ(kExuiNames[132], "ControlSetElemAttribute_Imsge");
  EXPECT_EQ(kExuiNames[140], "ControlSetElemAttribute_Button");
  EXPECT_EQ(kExuiNames[142], "ControlSetElemData_Button");
  EXPECT_EQ(kExuiNames[171], "ControlGetElemData_Line");
  EXPECT_EQ(kExuiNames[172], "Create_MenuEx");
  EXPECT_EQ(kExuiNames[271], "Create_StructEx");
  EXPECT_EQ(kExuiNames[319], "CreateControl_WindowEx");
  EXPECT_EQ(kExuiNames[462], "CreateControl_ListboxEx");
  EXPECT_EQ(kExuiNames[381], "PopUp_DownlistEx_ComboboxEx");
  EXPECT_EQ(kExuiNames[683], "GetGraphicsData_DrawPanelEx");
  EXPECT_EQ(kExuiNames[684], "DrawPath_DrawPathEx");
  const std::set<std::string_view> distinct(kExuiNames.begin(), kExuiNames.end());
  EXPECT_EQ(distinct.size(), kExuiNames.size()) << "no name twice";
  EXPECT_EQ(exuiNameIndex("NotAName"), kExuiNameCount);
}

TEST(NameTable, TheFamiliesHaveTheirSizes) {
  // Counted by suffix: every name of a family ends in "_" + the family's name.
  const auto countSuffix = [](std::string_view suffix) {
    return std::count_if(kExuiNames.begin(), kExuiNames.end(), [suffix](std::string_view name) {
      return name.size() > suffix.size() && name.substr(name.size() - suffix.size()) == suffix &&
             name[name.size() - suffix.size() - 1] == '_';
    });
  };
  EXPECT_EQ(countSuffix("MenuEx"), 32);
  EXPECT_EQ(countSuffix("WindowBoxEx"), 46);
  EXPECT_EQ(countSuffix("StructEx"), 48);
  EXPECT_EQ(countSuffix("WindowEx"), 21);
  EXPECT_EQ(countSuffix("ToolbarEx"), 25);
  EXPECT_EQ(countSuffix("ListboxEx"), 17);
  EXPECT_EQ(countSuffix("DownlistEx_ComboboxEx"), 17);
  EXPECT_EQ(countSuffix("AdvancedFormEx"), 33);
  EXPECT_EQ(countSuffix("Button"), 4);
}

TEST(Binding, TheStandInWasFoundInTheCurrentDirectory) {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(uiLibrary().module, path, MAX_PATH);
  EXPECT_EQ(std::string(path), narrow(recordingLibrary()));
  EXPECT_TRUE(initializeUiBridge()) << "a second request keeps the binding";
}

TEST(Binding, EveryEntryHoldsWhatGetProcAddressGives) {
  const UiLibraryBinding& binding = uiLibrary();
  int bound = 0;
  for (std::size_t i = 0; i < kExuiNameCount; ++i) {
    const std::string name(kExuiNames[i]);
    EXPECT_EQ(binding.table[i], GetProcAddress(binding.module, name.c_str())) << name;
    if (binding.table[i] != nullptr) ++bound;
  }
  // The stand-in exports exactly the 35 functions the program calls (its test-only
  // exports are not in the table).
  EXPECT_EQ(bound, 35);
  EXPECT_EQ(binding.table[exuiNameIndex("LoadImageEx")], nullptr);
}

TEST(Binding, TheHandshakeRanOnceWithTheAgreedArguments) {
  UiLibraryBinding again;
  clearLog();
  bindUiLibrary(again, uiLibrary().module);
  const auto handshakes = callsNamed("CallInternalFunction_Ex");
  ASSERT_EQ(handshakes.size(), 1u);
  const LoggedCall& call = *handshakes[0];
  ASSERT_EQ(call.argumentCount, 5);
  EXPECT_EQ(call.arguments[0], 2008);
  EXPECT_EQ(call.arguments[1], reinterpret_cast<std::intptr_t>(uiLibrary().module));
  EXPECT_EQ(call.arguments[2], 0);
  EXPECT_EQ(call.arguments[3], 0);
  EXPECT_EQ(call.arguments[4], 20220526);
  EXPECT_EQ(again.libraryHandle, kRecordingLibraryHandle);
  EXPECT_EQ(uiLibrary().libraryHandle, kRecordingLibraryHandle);

  UiLibraryBinding none;
  bindUiLibrary(none, nullptr);
  EXPECT_EQ(none.libraryHandle, 0);
  EXPECT_TRUE(std::all_of(none.table.begin(), none.table.end(), [](FARPROC p) { return p == nullptr; }));
}

TEST(Binding, WithoutAHandshakeTheModuleHandleIsTheLibraryHandle) {
  // kernel32 exports none of the names.
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  UiLibraryBinding binding;
  bindUiLibrary(binding, kernel);
  EXPECT_EQ(binding.libraryHandle, static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(kernel)));
  EXPECT_EQ(binding.module, kernel);
}

// ----- Kinds and creation ------------------------------------------------------------------

struct KindCase {
  ControlKind kind;
  const char* suffix;
  const char* creation;
  std::uint32_t code;
  int arguments;
};
constexpr KindCase kKindCases[] = {
    {ControlKind::ListboxEx, "ListboxEx", "CreateControl_ListboxEx", 10, 25},
    {ControlKind::EditboxEx, "EditboxEx", "CreateControl_EditboxEx", 1, 40},
    {ControlKind::WindowEx, "WindowEx", "CreateControl_WindowEx", 11, 28},
    {ControlKind::FilterEx, "FilterEx", "CreateControl_FilterEx", 0, 22},
    {ControlKind::LabelEx, "LabelEx", "CreateControl_LabelEx", 0, 23},
    {ControlKind::ButtonEx, "ButtonEx", "CreateControl_ButtonEx", 0, 22},
    {ControlKind::ToolbarEx, "ToolbarEx", "CreateControl_ToolbarEx", 10, 25},
};

// First in this file: the classes are registered by the first creation of each kind.
TEST_F(Bridge, EveryKindGetsItsClassItsWindowAndItsLibraryControl) {
  exui::PropertyBlock block = exui::defaultPropertyBlock(exui::Kind::kLabel);
  block.pageId = 7;
  for (const KindCase& each : kKindCases) {
    SCOPED_TRACE(each.suffix);
    const std::string placeholder = std::string("NExui.++2147483648++.") + each.suffix;
    const std::string expectedClass = "Exui." + std::to_string(kRecordingLibraryHandle) + "." + each.suffix;
    const std::string before = controlClassName(each.kind);
    EXPECT_TRUE(before == placeholder || before == expectedClass) << before;
    EXPECT_EQ(controlKindInfo(each.kind).formattedSize, std::strlen("Exui.2147483647.") + std::strlen(each.suffix) + 1);

    clearLog();
    services.calls.clear();
    const Made made = make(each.kind, 0xA1, 0xB2, &block);
    ASSERT_NE(made.reference, nullptr);
    EXPECT_EQ(controlClassName(each.kind), expectedClass);
    char className[64] = "";
    GetClassNameA(made.window, className, sizeof className);
    EXPECT_EQ(std::string(className), expectedClass);

    EXPECT_EQ(GetParent(made.window), parent_);
    EXPECT_EQ(GetDlgCtrlID(made.window), 55);
    EXPECT_TRUE(GetWindowLongW(made.window, GWL_STYLE) & WS_CHILD);
    EXPECT_TRUE(GetWindowLongW(made.window, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
    RECT rect;
    GetWindowRect(made.window, &rect);
    MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, 1);
    EXPECT_EQ(rect.top, 2);
    EXPECT_EQ(rect.right - rect.left, 30);
    EXPECT_EQ(rect.bottom - rect.top, 40);
    EXPECT_EQ(GetClassLongPtrW(made.window, GCL_STYLE), static_cast<ULONG_PTR>(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS));
    EXPECT_EQ(GetClassLongPtrW(made.window, GCLP_HBRBACKGROUND), static_cast<ULONG_PTR>(COLOR_WINDOW + 1));
    EXPECT_EQ(GetClassLongPtrW(made.window, GCLP_HMODULE), reinterpret_cast<ULONG_PTR>(GetModuleHandleW(nullptr)));
    EXPECT_TRUE(IsWindowUnicode(made.window));

    EXPECT_EQ(services.calls, std::vector<std::string>{"register 161 178"});
    EXPECT_EQ(GetPropA(made.window, "hUnit"), made.reference);
    EXPECT_EQ(GetPropA(made.window, "PageId_F"), reinterpret_cast<HANDLE>(7));
    EXPECT_EQ(made.reference->window, made.window);

    const auto creations = callsNamed(each.creation);
    ASSERT_EQ(creations.size(), 1u);
    const LoggedCall& call = *creations[0];
    EXPECT_EQ(call.argumentCount, each.arguments);
    EXPECT_EQ(call.arguments[0], 0) << "no parent control";
    EXPECT_EQ(call.arguments[1], reinterpret_cast<std::intptr_t>(parent_));
    EXPECT_EQ(call.arguments[2], 1);
    EXPECT_EQ(call.arguments[3], 2);
    EXPECT_EQ(call.arguments[4], 30);
    EXPECT_EQ(call.arguments[5], 40);
    EXPECT_EQ(call.arguments[6], reinterpret_cast<std::intptr_t>(&controlEventRoutine));
    EXPECT_NE(call.arguments[7], 0);
    EXPECT_TRUE(call.trailingZeros);
    // The context: window, second word, first word, kind code, description.
    EXPECT_EQ(call.context[0], reinterpret_cast<std::uintptr_t>(made.window));
    EXPECT_EQ(call.context[1], 0xB2u);
    EXPECT_EQ(call.context[2], 0xA1u);
    EXPECT_EQ(call.context[3], each.code);
    EXPECT_EQ(call.context[4], reinterpret_cast<std::uintptr_t>(&block));
    EXPECT_EQ(made.control, call.result) << "the library bound its control to the window";
    DestroyWindow(made.window);
  }
  EXPECT_TRUE(services.units.empty());
}

TEST_F(Bridge, NoPageIdentifierNoPageProperty) {
  exui::PropertyBlock block = exui::defaultPropertyBlock(exui::Kind::kButton);
  const Made withBlock = make(ControlKind::ButtonEx, 1, 2, &block);
  EXPECT_EQ(GetPropA(withBlock.window, "PageId_F"), nullptr);
  const Made withoutBlock = make(ControlKind::ButtonEx, 1, 3, nullptr);
  EXPECT_EQ(GetPropA(withoutBlock.window, "PageId_F"), nullptr);
  EXPECT_EQ(callsNamed("CreateControl_ButtonEx").back()->context[4], 0u);
}

TEST_F(Bridge, AControlThatTheApplicationLayerRefusesStillGetsItsWindow) {
  services.refuseRegistration = true;
  EXPECT_EQ(createControl(ControlKind::LabelEx, nullptr, 0, parent_, 9, 0, 0, 10, 10, 1, 2), nullptr);
  HWND window = GetWindow(parent_, GW_CHILD);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(GetPropA(window, "hUnit"), nullptr);
  clearLog();
  services.calls.clear();
  DestroyWindow(window);
  // No reference: nothing to release, and the library control is left to the library.
  EXPECT_TRUE(services.calls.empty());
  EXPECT_TRUE(callsNamed("ControlDestroy").empty());
}

// ----- The control window procedure ---------------------------------------------------------

TEST_F(Bridge, TheBackgroundIsNeverErased) {
  const Made made = make(ControlKind::LabelEx);
  EXPECT_EQ(SendMessageW(made.window, WM_ERASEBKGND, 0, 0), 1);
}

TEST_F(Bridge, MovesReachTheLibraryOnlyForAFullyCreatedControl) {
  const Made made = make(ControlKind::ListboxEx);
  const auto setWord = testExport<TestSetWordFn>("TestSetWord");
  clearLog();
  SetWindowPos(made.window, nullptr, 5, 6, 70, 80, SWP_NOZORDER | SWP_NOACTIVATE);
  auto setRects = callsNamed("ControlSetRect");
  ASSERT_EQ(setRects.size(), 1u);
  EXPECT_EQ(setRects[0]->arguments[0], made.control);
  EXPECT_EQ(setRects[0]->arguments[1], 5);
  EXPECT_EQ(setRects[0]->arguments[2], 6);
  EXPECT_EQ(setRects[0]->arguments[3], 70);
  EXPECT_EQ(setRects[0]->arguments[4], 80);

  clearLog();
  SetWindowPos(made.window, nullptr, 0, 0, 90, 90, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  EXPECT_EQ(callsNamed("ControlSetRect").size(), 1u) << "a resize alone still counts";
  clearLog();
  SetWindowPos(made.window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_TRUE(callsNamed("ControlSetRect").empty()) << "neither moved nor resized";

  setWord(made.control, 44, 1);  // still being created
  SetWindowPos(made.window, nullptr, 7, 7, 10, 10, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(callsNamed("ControlSetRect").empty());
  setWord(made.control, 44, 0xFFFFFFFFu);  // a state of -1 is not "above 1"
  SetWindowPos(made.window, nullptr, 8, 8, 10, 10, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(callsNamed("ControlSetRect").empty());
  setWord(made.control, 44, 2);

  RemovePropA(made.window, "Tab_Control");
  SetWindowPos(made.window, nullptr, 9, 9, 10, 10, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(callsNamed("ControlSetRect").empty()) << "no library control, nothing to tell";
}

int setRectsSeen = 0;
int CORVALIS_EXUI_CALL watchedSetRect(LibraryControl, int, int, int, int) {
  ++setRectsSeen;
  return 1;
}

TEST_F(Bridge, ABindingSetInPlaceOfTheFoundOneIsTheOneCalledAndIsKept) {
  const Made made = make(ControlKind::ListboxEx);
  const UiLibraryBinding found = uiLibrary();
  UiLibraryBinding watched = found;
  const std::size_t setRect = exuiNameIndex("ControlSetRect");
  watched.table[setRect] = reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&watchedSetRect));
  setUiLibrary(watched);
  EXPECT_TRUE(initializeUiBridge());
  EXPECT_EQ(uiLibrary().table[setRect], watched.table[setRect]) << "initialization keeps a set binding";
  setRectsSeen = 0;
  clearLog();
  SetWindowPos(made.window, nullptr, 5, 6, 70, 80, SWP_NOZORDER | SWP_NOACTIVATE);
  setUiLibrary(found);
  EXPECT_EQ(setRectsSeen, 1);
  EXPECT_TRUE(callsNamed("ControlSetRect").empty()) << "the found library's entry was not called";
}

TEST_F(Bridge, DestructionDestroysTheLibraryControlThenDetachesThenReleases) {
  const Made made = make(ControlKind::ListboxEx, 0x11, 0x22);
  const auto setWord = testExport<TestSetWordFn>("TestSetWord");
  // The words the bridge reads at destruction are the record's, whatever they say now.
  setWord(made.control, 8, 0x33);
  setWord(made.control, 12, 0x44);
  clearLog();
  services.calls.clear();
  DestroyWindow(made.window);

  const auto destroys = callsNamed("ControlDestroy");
  ASSERT_EQ(destroys.size(), 1u);
  EXPECT_EQ(destroys[0]->arguments[0], made.control);
  EXPECT_EQ(services.calls, (std::vector<std::string>{"gone 51 68", "detach 34", "release 34"}));
  ASSERT_EQ(services.propertiesAtDetach.size(), 1u);
  EXPECT_EQ(services.propertiesAtDetach[0].first, nullptr) << "hUnit is cleared before the notifications";
  EXPECT_EQ(services.propertiesAtDetach[0].second, reinterpret_cast<HANDLE>(1)) << "Tab_WM_DESTROY";
}

TEST_F(Bridge, ControlsWithoutALibraryControlAreReleasedWithTheirParent) {
  const Made bound = make(ControlKind::ButtonEx, 1, 101);
  const Made unbound = make(ControlKind::LabelEx, 1, 102);
  const Made alsoUnbound = make(ControlKind::WindowEx, 1, 103);
  RemovePropA(unbound.window, "Tab_Control");
  RemovePropA(alsoUnbound.window, "Tab_Control");
  clearLog();
  services.calls.clear();
  DestroyWindow(parent_);

  const auto destroyed = callsNamed("ControlDestroy");
  ASSERT_EQ(destroyed.size(), 1u) << "only the bound one had a library control";
  EXPECT_EQ(destroyed[0]->arguments[0], bound.control);
  const std::multiset<std::string> seen(services.calls.begin(), services.calls.end());
  EXPECT_EQ(seen, (std::multiset<std::string>{"gone 1 101", "detach 101", "release 101", "detach 102",
                                              "release 102", "detach 103", "release 103"}));
  EXPECT_TRUE(services.units.empty());
}

// ----- Events -------------------------------------------------------------------------------

TEST_F(Bridge, EventsBecomeRecordsWithTheNumberShiftedByTheRecordsBase) {
  const Made made = make(ControlKind::ListboxEx, 0x71, 0x72);
  const auto fire = testExport<TestFireEventFn>("TestFireEvent");
  const auto setWord = testExport<TestSetWordFn>("TestSetWord");

  services.resultToGive = 99;
  EXPECT_EQ(fire(made.control, 660, 1, -2, 3, -4), 99);
  ASSERT_EQ(services.events.size(), 1u);
  const ControlEventRecord& first = services.events[0];
  EXPECT_EQ(first.firstId, 0x71u);
  EXPECT_EQ(first.secondId, 0x72u);
  EXPECT_EQ(first.number, 0);
  EXPECT_EQ(first.argumentCount, 4);
  EXPECT_EQ(first.arguments, (std::array<std::int32_t, 4>{1, -2, 3, -4}));
  EXPECT_EQ(first.result, 0) << "handed over with result 0";

  setWord(made.control, 20, 5);
  EXPECT_EQ(fire(made.control, 660, 0, 0, 0, 0), 99);
  EXPECT_EQ(services.events.back().number, 5) << "code 660: the number is the record's word at 20";
  EXPECT_EQ(fire(made.control, 669, 0, 0, 0, 0), 99);
  EXPECT_EQ(services.events.back().number, 14);
  setWord(made.control, 20, 0);
  EXPECT_EQ(fire(made.control, 699, 0, 0, 0, 0), 99);
  EXPECT_EQ(services.events.back().number, 39);
  EXPECT_EQ(fire(made.control, 100, 0, 0, 0, 0), 99);
  EXPECT_EQ(services.events.back().number, -560);

  const std::size_t before = services.events.size();
  EXPECT_EQ(fire(made.control, 700, 1, 2, 3, 4), 0);
  EXPECT_EQ(fire(made.control, 5000, 1, 2, 3, 4), 0);
  EXPECT_EQ(services.events.size(), before) << "codes of 700 and above reach no handler";

  services.resultToGive = -7;
  EXPECT_EQ(fire(made.control, 661, 0, 0, 0, 0), -7);
  EXPECT_EQ(controlEventRoutine(nullptr, 660, 0, 0, 0, 0), 0);
}

// ----- Per-kind entries -----------------------------------------------------------------------

TEST_F(Bridge, OnlyCodes1And3To6HaveEntries) {
  for (const KindCase& each : kKindCases) {
    for (int code : {-1, 0, 2, 7, 8, 100}) EXPECT_TRUE(std::holds_alternative<std::monostate>(kindEntry(each.kind, code)));
    EXPECT_TRUE(std::holds_alternative<CreateEntry>(kindEntry(each.kind, 1)));
    EXPECT_TRUE(std::holds_alternative<PlainEntry>(kindEntry(each.kind, 3)));
    EXPECT_TRUE(std::holds_alternative<PlainEntry>(kindEntry(each.kind, 4)));
    EXPECT_TRUE(std::holds_alternative<ExportEntry>(kindEntry(each.kind, 5)));
    EXPECT_TRUE(std::holds_alternative<PlainEntry>(kindEntry(each.kind, 6)));
  }
  // Entry 1 creates a control of its own kind.
  const ControlReference made =
      std::get<CreateEntry>(kindEntry(ControlKind::FilterEx, 1))(nullptr, 0, parent_, 3, 0, 0, 5, 5, 8, 9);
  ASSERT_NE(made, nullptr);
  char className[64] = "";
  GetClassNameA(made->window, className, sizeof className);
  EXPECT_EQ(std::string(className), "Exui." + std::to_string(kRecordingLibraryHandle) + ".FilterEx");
}

TEST_F(Bridge, NotificationsAreControlMessages) {
  const Made made = make(ControlKind::EditboxEx);
  clearLog();
  EXPECT_EQ(std::get<PlainEntry>(kindEntry(ControlKind::EditboxEx, 3))(made.reference, 1, 2), 0);
  EXPECT_TRUE(callNames().empty());

  EXPECT_EQ(std::get<PlainEntry>(kindEntry(ControlKind::EditboxEx, 4))(made.reference, 11, 12), kNotifyGetAnswer);
  EXPECT_EQ(std::get<PlainEntry>(kindEntry(ControlKind::EditboxEx, 6))(made.reference, 13, 14), kNotifySetAnswer);
  const auto sends = callsNamed("ControlSendMessage");
  ASSERT_EQ(sends.size(), 2u);
  const std::intptr_t expectGet[] = {made.control, 0x2801, 11, 12, 0, 0};
  const std::intptr_t expectSet[] = {made.control, 0x2802, 13, 14, 0, 0};
  ASSERT_EQ(sends[0]->argumentCount, 6);
  EXPECT_TRUE(std::equal(std::begin(expectGet), std::end(expectGet), sends[0]->arguments));
  EXPECT_TRUE(std::equal(std::begin(expectSet), std::end(expectSet), sends[1]->arguments));

  clearLog();
  EXPECT_EQ(std::get<PlainEntry>(kindEntry(ControlKind::EditboxEx, 6))(nullptr, 1, 2), 1);
  EXPECT_EQ(std::get<PlainEntry>(kindEntry(ControlKind::EditboxEx, 4))(nullptr, 1, 2), 0);
  EXPECT_TRUE(callNames().empty()) << "no reference, no call";
}

struct ExportBlock {
  std::int32_t header;
  std::int32_t length;
  char payload[8];
};

TEST_F(Bridge, ExportedDataIsAMovableGlobalBlockTaggedWithTheParentsPosition) {
  const Made made = make(ControlKind::LabelEx);
  const auto setExport = testExport<TestSetExportFn>("TestSetExport");
  const ExportEntry exportData = std::get<ExportEntry>(kindEntry(ControlKind::LabelEx, 5));
  const ExportBlock block{7, 5, "hello"};
  setExport(&block, sizeof block);

  clearLog();
  HGLOBAL memory = exportData(made.reference);
  ASSERT_NE(memory, nullptr);
  const auto sends = callsNamed("ControlSendMessage");
  ASSERT_EQ(sends.size(), 1u);
  EXPECT_EQ(sends[0]->arguments[1], 0x2803);
  EXPECT_EQ(sends[0]->arguments[2], -1);
  EXPECT_EQ(sends[0]->arguments[3], 0);
  EXPECT_GE(GlobalSize(memory), 13u);
  const auto* bytes = static_cast<const unsigned char*>(GlobalLock(memory));
  ASSERT_NE(bytes, nullptr);
  EXPECT_NE(static_cast<const void*>(bytes), static_cast<const void*>(memory)) << "a movable block, not a fixed one";
  EXPECT_EQ(wordAt(bytes, 0), 14);
  EXPECT_EQ(wordAt(bytes, 4), 0) << "no indexed parent";
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes) + 8, 5), "hello");
  GlobalUnlock(memory);
  GlobalFree(memory);

  made.reference->parentTypeCode = 0x514;
  made.reference->indexField = 4;
  memory = exportData(made.reference);
  ASSERT_NE(memory, nullptr);
  bytes = static_cast<const unsigned char*>(GlobalLock(memory));
  EXPECT_EQ(wordAt(bytes, 4), 5) << "index field + 1 under a parent of type 0x514";
  GlobalUnlock(memory);
  GlobalFree(memory);
  made.reference->parentTypeCode = 0x515;
  memory = exportData(made.reference);
  bytes = static_cast<const unsigned char*>(GlobalLock(memory));
  EXPECT_EQ(wordAt(bytes, 4), 0);
  GlobalUnlock(memory);
  GlobalFree(memory);

  const ExportBlock empty{7, 0, ""};
  setExport(&empty, sizeof empty);
  EXPECT_EQ(exportData(made.reference), nullptr) << "nothing to export";
  const ExportBlock negative{7, -3, ""};
  setExport(&negative, sizeof negative);
  EXPECT_EQ(exportData(made.reference), nullptr);
  setExport(nullptr, 0);
  EXPECT_EQ(exportData(made.reference), nullptr) << "no block at all";
  clearLog();
  EXPECT_EQ(exportData(nullptr), nullptr);
  EXPECT_TRUE(callNames().empty());
}

// ----- Commands ------------------------------------------------------------------------------

TEST_F(Bridge, ListCommandsGoToTheLibraryControlOfTheNamedControl) {
  const Made list = make(ControlKind::ListboxEx, 0x61, 0x62);
  const ControlId id{0x61, 0x62};
  EXPECT_EQ(controlHandle(id), list.control);
  EXPECT_EQ(controlHandle(ControlId{0x61, 0x63}), 0) << "no such control";

  clearLog();
  const std::string image = "\x01\x02\x00\x03" + std::string("icon");
  EXPECT_EQ(listInsert(id, -1, 1, 0, image, "\xCC\xED\xBC\xD3", 0, 30), kInsertItemAnswer);
  const auto bins = callsNamed("CreateBinEx");
  const auto inserts = callsNamed("InsertItem_ListboxEx");
  ASSERT_EQ(bins.size(), 1u);
  ASSERT_EQ(inserts.size(), 1u);
  EXPECT_EQ(bins[0]->arguments[1], -4);
  EXPECT_EQ(bins[0]->arguments[2], 0);
  EXPECT_EQ(bins[0]->arguments[3], 30);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bins[0]->copied), bins[0]->copiedCount), "\xCC\xED\xBC\xD3");
  const LoggedCall& insert = *inserts[0];
  EXPECT_EQ(insert.argumentCount, 6);
  EXPECT_EQ(insert.arguments[0], list.control);
  EXPECT_EQ(insert.arguments[1], -1);
  EXPECT_EQ(insert.arguments[2], 1);
  EXPECT_EQ(insert.arguments[3], 0);
  EXPECT_EQ(insert.arguments[5], bins[0]->result) << "the caption bin made for it";
  // The image as the library read it: a byte string [1][length][bytes].
  ASSERT_EQ(insert.copiedCount, 8 + static_cast<int>(image.size()));
  EXPECT_EQ(wordAt(insert.copied, 0), 1);
  EXPECT_EQ(wordAt(insert.copied, 4), static_cast<std::int32_t>(image.size()));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(insert.copied) + 8, image.size()), image);

  clearLog();
  listDelete(id, 2, 1);
  EXPECT_EQ(listCount(id), kItemCountAnswer);
  listMakeVisible(id, 4, 1);
  editMakeTextVisible(id, -1, 0);
  const CallLog& calls = callLog();
  ASSERT_EQ(calls.count, 4);
  const std::intptr_t expected[4][3] = {{list.control, 2, 1}, {list.control, 0, 0}, {list.control, 4, 1},
                                        {list.control, -1, 0}};
  const char* names[4] = {"DeleteItem_ListboxEx", "GetItemCount_ListboxEx", "GuaranteeVisible_ListboxEx",
                          "GuaranteeVisibleText_EditboxEx"};
  const int counts[4] = {3, 1, 3, 3};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(names[i]);
    EXPECT_STREQ(calls.calls[i].name, names[i]);
    ASSERT_EQ(calls.calls[i].argumentCount, counts[i]);
    for (int a = 0; a < counts[i]; ++a) EXPECT_EQ(calls.calls[i].arguments[a], expected[i][a]);
  }
}

int CORVALIS_EXUI_CALL elementRoutine(int, int, int) { return 0; }

TEST_F(Bridge, ElementFocusHandleAndLockCommandsPassTheirArgumentsOn) {
  const Made list = make(ControlKind::ListboxEx, 0x61, 0x62);
  clearLog();
  EXPECT_EQ(insertElement(list.control, 1, -1, 0, 3), 3);
  setButtonElementAttributes(list.control, 1, -1, 2, 0, elementRoutine, 0, 300, 4, 24, 24, 0, "", "font");
  setButtonElementData(list.control, 1, 5, -1, 2, 0, 1, 1, "X", 0, 0);
  setButtonElementData(list.control, 1, 5, -1, 2, 0, 0, 0, "");
  setFocusControl(list.control);
  EXPECT_EQ(controlHandle(list.window), list.control);
  EXPECT_EQ(lockUpdate(list.control), 1);
  EXPECT_EQ(unlockUpdate(list.control), 0);

  const std::vector<std::string> expectedOrder = {
      "ControlInsertElem",     "ControlSetElemAttribute_Button", "CreateBinEx",       "ControlSetElemData_Button",
      "CreateBinEx",           "ControlSetElemData_Button",      "ControlSetFocusControl", "ControlGetBindControl",
      "ControlLockUpdate",     "ControlUnlockUpdate"};
  EXPECT_EQ(callNames(), expectedOrder);
  const CallLog& log = callLog();
  const std::intptr_t insert[] = {list.control, 1, -1, 0, 3};
  EXPECT_TRUE(std::equal(std::begin(insert), std::end(insert), log.calls[0].arguments));

  const LoggedCall& attributes = log.calls[1];
  ASSERT_EQ(attributes.argumentCount, 14);
  const std::intptr_t attributeWords[] = {list.control, 1, -1, 2, 0, reinterpret_cast<std::intptr_t>(&elementRoutine),
                                          0, 300, 4, 24, 24, 0};
  EXPECT_TRUE(std::equal(std::begin(attributeWords), std::end(attributeWords), attributes.arguments));
  EXPECT_EQ(attributes.arguments[12], 0) << "no image";
  ASSERT_EQ(attributes.copiedCount, 12) << "the font as a byte string";
  EXPECT_EQ(wordAt(attributes.copied, 0), 1);
  EXPECT_EQ(wordAt(attributes.copied, 4), 4);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(attributes.copied) + 8, 4), "font");

  const LoggedCall& captionBin = log.calls[2];
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(captionBin.copied), captionBin.copiedCount), "X");
  EXPECT_EQ(captionBin.arguments[1], -4);
  const LoggedCall& data = log.calls[3];
  ASSERT_EQ(data.argumentCount, 9);
  const std::intptr_t dataWords[] = {list.control, 1, 5, -1, 2, 0, 1, 1, captionBin.result};
  EXPECT_TRUE(std::equal(std::begin(dataWords), std::end(dataWords), data.arguments));
  EXPECT_EQ(log.calls[4].arguments[0], 0) << "no caption: no text";
  EXPECT_EQ(log.calls[6].arguments[0], list.control);
  EXPECT_EQ(log.calls[7].arguments[0], reinterpret_cast<std::intptr_t>(list.window));
  EXPECT_EQ(log.calls[8].arguments[0], list.control);
  EXPECT_EQ(log.calls[9].arguments[0], list.control);
}

TEST_F(Bridge, PackingCopiesTheLibrarysBlockIntoAProgramByteString) {
  clearLog();
  const StructMember members[] = {std::string("\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA"), std::int32_t{12}};
  auto result = packStructure(false, members);
  ASSERT_TRUE(std::holds_alternative<HeapBytes>(result));
  const HeapBytes& packed = std::get<HeapBytes>(result);
  ASSERT_FALSE(packed.absent());
  EXPECT_EQ(packed.headerWord(), 1);
  EXPECT_EQ(wordAt(static_cast<const unsigned char*>(packed.block()), 4), 6);
  EXPECT_EQ(packed.bytes(), "packed");
  EXPECT_NE(packed.block(), nullptr);

  const std::vector<std::string> expected = {"Create_StructEx", "InsertMember_StructEx", "CreateBinEx",
                                             "SetMemberText_StructEx", "SetMemberInt_StructEx", "Pack_StructEx",
                                             "Destroy_StructEx"};
  EXPECT_EQ(callNames(), expected);
  const CallLog& log = callLog();
  const std::intptr_t insert[] = {kStructureHandle, -1, 2};
  EXPECT_TRUE(std::equal(std::begin(insert), std::end(insert), log.calls[1].arguments));
  ASSERT_EQ(log.calls[2].argumentCount, 4) << "CreateBinEx in its one form";
  EXPECT_EQ(log.calls[2].arguments[1], -4);
  EXPECT_EQ(log.calls[2].arguments[2], 0);
  EXPECT_EQ(log.calls[2].arguments[3], 0);
  EXPECT_EQ(log.calls[3].arguments[1], 0);
  EXPECT_EQ(log.calls[3].arguments[2], log.calls[2].result);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(log.calls[3].copied) + 8, 8),
            "\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA");
  const std::intptr_t integer[] = {kStructureHandle, 1, 12};
  EXPECT_TRUE(std::equal(std::begin(integer), std::end(integer), log.calls[4].arguments));
  EXPECT_EQ(log.calls[5].arguments[0], kStructureHandle);
  EXPECT_EQ(log.calls[6].arguments[0], kStructureHandle);
}

TEST_F(Bridge, EachTypeGoesToItsSetterAndTheStructureCanBeKept) {
  clearLog();
  const double real = 2.5;
  const float single = 1.5f;
  std::uint64_t realBits;
  std::memcpy(&realBits, &real, 8);
  std::uint32_t singleBits;
  std::memcpy(&singleBits, &single, 4);
  std::vector<StructMember> members;
  members.emplace_back(true);
  members.emplace_back(std::uint8_t{200});
  members.emplace_back(std::int16_t{-3});
  members.emplace_back(std::int64_t{0x123456789ABCDEF0});
  members.emplace_back(FunctionAddress{0x1000});
  members.emplace_back(single);
  members.emplace_back(real);
  members.emplace_back(DateTimeValue{real});
  members.emplace_back(UnlistedValue{});
  members.emplace_back(HeapBytes::copyOf("bin"));
  auto result = packStructure(true, members);
  ASSERT_TRUE(std::holds_alternative<LibraryControl>(result));
  EXPECT_EQ(std::get<LibraryControl>(result), kStructureHandle);

  const std::vector<std::string> expected = {
      "Create_StructEx",           "InsertMember_StructEx",     "SetMemberBool_StructEx",
      "SetMemberInt_StructEx",     "SetMemberInt_StructEx",     "SetMemberLongInt_StructEx",
      "SetMemberLongInt_StructEx", "SetMemberFloat_StructEx",   "SetMemberDouble_StructEx",
      "SetMemberDouble_StructEx",  "SetMemberBin_StructEx"};
  EXPECT_EQ(callNames(), expected) << "kept: neither packed nor destroyed; the unlisted value is skipped";
  const CallLog& log = callLog();
  EXPECT_EQ(log.calls[1].arguments[2], 10) << "room for every value, the skipped one included";
  const auto word = [&](int call, int argument) { return static_cast<std::uint32_t>(log.calls[call].arguments[argument]); };
  EXPECT_EQ(log.calls[2].arguments[1], 0);
  EXPECT_EQ(log.calls[2].arguments[2], 1);
  EXPECT_EQ(log.calls[3].arguments[2], 200);
  EXPECT_EQ(log.calls[4].arguments[2], -3);
  EXPECT_EQ(word(5, 2), 0x9ABCDEF0u);
  EXPECT_EQ(word(5, 3), 0x12345678u);
  EXPECT_EQ(word(6, 2), 0x1000u);
  EXPECT_EQ(word(6, 3), 0u);
  EXPECT_EQ(word(7, 2), singleBits);
  EXPECT_EQ(word(8, 2), static_cast<std::uint32_t>(realBits));
  EXPECT_EQ(word(8, 3), static_cast<std::uint32_t>(realBits >> 32));
  EXPECT_EQ(word(9, 3), static_cast<std::uint32_t>(realBits >> 32));
  EXPECT_EQ(log.calls[10].arguments[1], 9) << "positions count the skipped value";
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(log.calls[10].copied) + 8, 3), "bin");
}

// ----- Program byte strings ---------------------------------------------------------------------

TEST(HeapBytes, HoldHeaderLengthPayloadAndAZero) {
  const HeapBytes bytes = HeapBytes::copyOf(std::string("a\0b", 3));
  ASSERT_FALSE(bytes.absent());
  const auto* block = static_cast<const unsigned char*>(bytes.block());
  EXPECT_EQ(wordAt(block, 0), 1);
  EXPECT_EQ(wordAt(block, 4), 3);
  EXPECT_EQ(bytes.bytes(), std::string_view("a\0b", 3));
  EXPECT_EQ(block[11], 0);
  EXPECT_TRUE(HeapBytes().absent());
  EXPECT_TRUE(HeapBytes::copyOfBlock(nullptr).absent());
  const HeapBytes copy = HeapBytes::copyOfBlock(bytes.block());
  EXPECT_EQ(copy.bytes(), bytes.bytes());
  EXPECT_NE(copy.block(), bytes.block());
  const HeapBytes empty = HeapBytes::copyOf("");
  EXPECT_FALSE(empty.absent());
  EXPECT_TRUE(empty.bytes().empty());
}

}  // namespace
}  // namespace corvalis::uitest
