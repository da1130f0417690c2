// The bridge with our real control layer (ExuiKrnln.dll beside the tests, found by the
// system's search in the program's folder): creation, moves, a real click reaching the
// application layer as an event record, list commands and packing.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/uilib/support.h"
#include "uilib/ui_bridge.h"

namespace corvalis::uitest {
namespace {

struct Unit {
  ControlUnitHead head;
  std::uint32_t firstId;
  std::uint32_t secondId;
};
std::vector<std::unique_ptr<Unit>> units;
std::vector<ControlEventRecord> events;
std::vector<std::string> notices;

ControlReference registerControl(HWND window, std::uint32_t firstId, std::uint32_t secondId,
                                 const exui::PropertyBlock*) {
  units.push_back(std::make_unique<Unit>(Unit{{window, 0, 0}, firstId, secondId}));
  return &units.back()->head;
}
void detach(ControlReference reference) {
  for (const auto& unit : units)
    if (&unit->head == reference) notices.push_back("detach " + std::to_string(unit->secondId));
}
void release(ControlReference reference) {
  std::erase_if(units, [reference](const auto& unit) { return &unit->head == reference; });
}
void gone(std::uint32_t firstId, std::uint32_t secondId) {
  notices.push_back("gone " + std::to_string(firstId) + " " + std::to_string(secondId));
}
ControlReference lookup(std::uint32_t firstId, std::uint32_t secondId) {
  for (const auto& unit : units)
    if (unit->firstId == firstId && unit->secondId == secondId) return &unit->head;
  return nullptr;
}
void dispatch(ControlEventRecord& record) { events.push_back(record); }

class RealLibraryEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(initializeUiBridge());
    setUiBridgeServices({registerControl, detach, release, gone, lookup, dispatch});
  }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new RealLibraryEnvironment);

std::uint32_t recordWord(std::intptr_t control, std::size_t offset) {
  std::uint32_t word;
  std::memcpy(&word, reinterpret_cast<const char*>(control) + offset, 4);
  return word;
}

class RealLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    events.clear();
    notices.clear();
    parent_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(parent_, nullptr);
  }
  void TearDown() override {
    if (IsWindow(parent_)) DestroyWindow(parent_);
    EXPECT_TRUE(units.empty());
  }
  HWND parent_ = nullptr;
};

TEST_F(RealLibrary, IsTheOneBesideTheTests) {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(uiLibrary().module, path, MAX_PATH);
  EXPECT_EQ(_stricmp(path, narrow(realLibrary()).c_str()), 0) << path;
  EXPECT_GT(uiLibrary().libraryHandle, 0);
  EXPECT_NE(uiLibrary().table[exuiNameIndex("CreateControl_WindowEx")], nullptr);
}

TEST_F(RealLibrary, AListCreatedThroughTheBridgeTakesRowsMovesAndReportsClicks) {
  exui::PropertyBlock block = exui::defaultPropertyBlock(exui::Kind::kListbox);
  block.rowPitch = 30;
  const ControlReference list = createControl(ControlKind::ListboxEx, &block, 0, parent_, 5, 0, 0, 104, 200, 3, 101);
  ASSERT_NE(list, nullptr);
  const std::intptr_t control = controlHandle(ControlId{3, 101});
  ASSERT_NE(control, 0);
  EXPECT_EQ(controlHandle(list->window), control);
  EXPECT_EQ(recordWord(control, exui::kRecordFirstIdOffset), 3u);
  EXPECT_EQ(recordWord(control, exui::kRecordSecondIdOffset), 101u);
  EXPECT_GT(recordWord(control, exui::kRecordStateOffset), 1u);

  EXPECT_EQ(listInsert(ControlId{3, 101}, -1, 1, 0, "", "\xCC\xED\xBC\xD3\xCE\xC4\xBC\xFE", 0, 30), 0);
  EXPECT_EQ(listInsert(ControlId{3, 101}, -1, 1, 0, "", "second", 0, 30), 1);
  EXPECT_EQ(listCount(ControlId{3, 101}), 2);
  listDelete(ControlId{3, 101}, 1, 1);
  EXPECT_EQ(listCount(ControlId{3, 101}), 1);

  // A move of the window reaches the library's record.
  SetWindowPos(list->window, nullptr, 2, 3, 100, 150, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(recordWord(control, exui::kRecordRectOffset), 2u);
  EXPECT_EQ(recordWord(control, exui::kRecordRectOffset + 4), 3u);
  EXPECT_EQ(recordWord(control, exui::kRecordRectOffset + 12), 150u);

  // A click on row 0 comes back as event 0 with the row as its first argument.
  SendMessageW(list->window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
  SendMessageW(list->window, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
  ASSERT_FALSE(events.empty());
  const ControlEventRecord& click = events.back();
  EXPECT_EQ(click.firstId, 3u);
  EXPECT_EQ(click.secondId, 101u);
  EXPECT_EQ(click.number, exui::kEventItemClick);
  EXPECT_EQ(click.arguments[0], 0);

  DestroyWindow(parent_);
  EXPECT_EQ(notices, (std::vector<std::string>{"gone 3 101", "detach 101"}));
}

TEST_F(RealLibrary, PackingTextAndIntegerGivesABytesStringOfThePackedForm) {
  const StructMember members[] = {std::string("\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA"), std::int32_t{12}};
  auto result = packStructure(false, members);
  ASSERT_TRUE(std::holds_alternative<HeapBytes>(result));
  const HeapBytes& packed = std::get<HeapBytes>(result);
  ASSERT_FALSE(packed.absent());
  std::int32_t words[2];
  std::memcpy(words, packed.block(), 8);
  EXPECT_EQ(words[0], 1);
  EXPECT_EQ(words[1], static_cast<std::int32_t>(packed.bytes().size()));
  // magic, version, count; text member (8 bytes + terminator, padded to 12); int member.
  const std::string_view bytes = packed.bytes();
  ASSERT_EQ(bytes.size(), 8u + (8 + 12) + (8 + 4));
  std::uint32_t magic;
  std::uint16_t version, count;
  std::memcpy(&magic, bytes.data(), 4);
  std::memcpy(&version, bytes.data() + 4, 2);
  std::memcpy(&count, bytes.data() + 6, 2);
  EXPECT_EQ(magic, exui::kStructMagic);
  EXPECT_EQ(version, exui::kStructVersion);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(static_cast<std::uint8_t>(bytes[8]), exui::kMemberText);
  EXPECT_EQ(bytes.substr(16, 8), "\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA");
  EXPECT_EQ(static_cast<std::uint8_t>(bytes[28]), exui::kMemberInt);
  std::int32_t twelve;
  std::memcpy(&twelve, bytes.data() + 36, 4);
  EXPECT_EQ(twelve, 12);

  auto kept = packStructure(true, members);
  ASSERT_TRUE(std::holds_alternative<LibraryControl>(kept));
  const LibraryControl structure = std::get<LibraryControl>(kept);
  EXPECT_NE(structure, 0);
  // The caller owns a kept structure.
  using DestroyFn = int(CORVALIS_EXUI_CALL*)(std::intptr_t);
  const auto destroy = reinterpret_cast<DestroyFn>(
      reinterpret_cast<void (*)()>(uiLibrary().table[exuiNameIndex("Destroy_StructEx")]));
  EXPECT_EQ(destroy(structure), 1);
}

}  // namespace
}  // namespace corvalis::uitest
