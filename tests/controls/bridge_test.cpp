// The library as the program's bridge meets it: exports, handshake, creation of every kind,
// the record words the bridge reads, "Tab_Control", moves, destruction and threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <thread>

#include "tests/controls/harness.h"

namespace corvalis::exui::test {
namespace {

TEST(Exports, EveryNameResolvesUndecorated) {
  HMODULE module = GetModuleHandleW(L"ExuiKrnln.dll");
  if (module == nullptr) module = library().module;
  ASSERT_NE(library().module, nullptr) << "ExuiKrnln.dll did not load or lacks an export the tests bind";
  for (const std::string& name : requiredExports()) {
    EXPECT_NE(GetProcAddress(module, name.c_str()), nullptr) << name;
  }
  // Decorated names would mean the .def did not take.
  EXPECT_EQ(GetProcAddress(module, "_CreateControl_ListboxEx@100"), nullptr);
  EXPECT_EQ(GetProcAddress(module, "CreateControl_ListboxEx@100"), nullptr);
}

TEST(Handshake, GivesAHandleOnlyForTheAgreedCall) {
  const Library& lib = library();
  ASSERT_NE(lib.module, nullptr);
  const auto module = reinterpret_cast<std::intptr_t>(lib.module);
  const std::intptr_t handle = lib.CallInternalFunction_Ex(2008, module, 0, 0, 20220526);
  EXPECT_GT(handle, 0);
  EXPECT_LE(handle, 0x7FFFFFFF);
  EXPECT_EQ(lib.CallInternalFunction_Ex(2008, module, 0, 0, 20220526), handle) << "stable for one load";
  EXPECT_EQ(lib.CallInternalFunction_Ex(2008, module, 0, 0, 20220527), 0) << "another interface date";
  EXPECT_EQ(lib.CallInternalFunction_Ex(2009, module, 0, 0, 20220526), 0) << "another function";
  EXPECT_EQ(lib.CallInternalFunction_Ex(2008, reinterpret_cast<std::intptr_t>(GetModuleHandleW(nullptr)), 0, 0,
                                        20220526),
            0)
      << "another module";
}

TEST(Creation, EveryKindBindsItsWindowAndShowsTheRecordWords) {
  ASSERT_NE(library().module, nullptr);
  Window parent = makeParent(400, 300);
  const Kind kinds[] = {Kind::kWindow, Kind::kListbox, Kind::kEditbox, Kind::kFilter,
                        Kind::kLabel,  Kind::kButton,  Kind::kToolbar};
  std::uint32_t id = 0x51000;
  for (Kind kind : kinds) {
    SCOPED_TRACE(static_cast<int>(kind));
    const Created created = createControl(kind, parent.get(), RECT{10, 20, 110, 60}, nullptr, id, id + 7);
    ASSERT_NE(created.control, nullptr);
    EXPECT_EQ(GetPropA(created.window, "Tab_Control"), created.control);
    EXPECT_EQ(library().ControlGetBindControl(created.window), reinterpret_cast<std::intptr_t>(created.control));
    EXPECT_EQ(library().ControlGetBindWin(created.control), created.window);
    EXPECT_EQ(recordWord(created.control, kRecordFirstIdOffset), id);
    EXPECT_EQ(recordWord(created.control, kRecordSecondIdOffset), id + 7);
    EXPECT_EQ(recordWord(created.control, kRecordEventBaseOffset), 0u);
    EXPECT_GT(recordWord(created.control, kRecordStateOffset), 1u) << "fully created";
    EXPECT_EQ(recordWord(created.control, kRecordKindOffset), static_cast<std::uint32_t>(kind));
    EXPECT_EQ(recordWord(created.control, kRecordRectOffset + 8), 100u) << "width";
    EXPECT_EQ(library().ControlIsCreate(created.control), 1);
    EXPECT_EQ(library().ControlSendMessage(created.control, kMessageGetAttribute, kAttrKind, 0, 0, 0),
              static_cast<std::intptr_t>(kind));
    EXPECT_EQ((GetWindowLongPtrW(created.window, GWL_STYLE) & WS_VISIBLE) != 0, kind != Kind::kToolbar)
        << "visible unless the block hides it; the empty toolbar starts hidden";
    // A second control on the same window is refused.
    const CreationContext again{reinterpret_cast<std::uintptr_t>(created.window), 1, 2, 0, 0};
    EXPECT_EQ(CreatorOf<kLabelTrailingZeros>::call(library().CreateControl_LabelEx, parent.get(), RECT{10, 20, 110, 60},
                                                   eventRoutine, &again),
              0);
    id += 0x100;
  }
}

TEST(Creation, RefusesWhatIsNotABridgeWindow) {
  ASSERT_NE(library().module, nullptr);
  const CreationContext noWindow{0, 1, 2, 10, 0};
  const Library& lib = library();
  const RECT r{0, 0, 10, 10};
  EXPECT_EQ(CreatorOf<kListboxTrailingZeros>::call(lib.CreateControl_ListboxEx, nullptr, r, eventRoutine, &noWindow), 0);
  EXPECT_EQ(CreatorOf<kListboxTrailingZeros>::call(lib.CreateControl_ListboxEx, nullptr, r, eventRoutine, nullptr), 0);
}

TEST(Creation, BlockFlagsHideAndDisable) {
  ASSERT_NE(library().module, nullptr);
  Window parent = makeParent(200, 200);
  PropertyBlock block = defaultPropertyBlock(Kind::kFilter);
  block.flags = kBlockHidden;
  const Created hidden = createControl(Kind::kFilter, parent.get(), RECT{0, 0, 50, 50}, &block);
  ASSERT_NE(hidden.control, nullptr);
  EXPECT_FALSE(GetWindowLongPtrW(hidden.window, GWL_STYLE) & WS_VISIBLE);
  EXPECT_EQ(library().ControlGetVisual(hidden.control), 0);
  EXPECT_EQ(library().ControlSetVisual(hidden.control, 1), 1);
  EXPECT_TRUE(GetWindowLongPtrW(hidden.window, GWL_STYLE) & WS_VISIBLE);

  PropertyBlock disabledBlock = defaultPropertyBlock(Kind::kButton);
  disabledBlock.flags = kBlockDisabled;
  const Created disabled = createControl(Kind::kButton, parent.get(), RECT{0, 60, 50, 90}, &disabledBlock);
  EXPECT_FALSE(IsWindowEnabled(disabled.window));
}

TEST(Moves, BridgeMovesReachTheRecordAndControlSetRectMovesTheWindow) {
  ASSERT_NE(library().module, nullptr);
  Window parent = makeParent(300, 300);
  const Created list = createControl(Kind::kListbox, parent.get(), RECT{0, 0, 104, 100});
  ASSERT_NE(list.control, nullptr);
  const int before = bridgeLog().setRectCalls;
  SetWindowPos(list.window, nullptr, 5, 6, 104, 138, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_GT(bridgeLog().setRectCalls, before) << "the stand-in bridge called ControlSetRect";
  EXPECT_EQ(recordWord(list.control, kRecordRectOffset), 5u);
  EXPECT_EQ(recordWord(list.control, kRecordRectOffset + 4), 6u);
  EXPECT_EQ(recordWord(list.control, kRecordRectOffset + 12), 138u);

  EXPECT_EQ(library().ControlSetRect(list.control, 20, 30, 90, 60), 1);
  RECT rect{};
  GetWindowRect(list.window, &rect);
  MapWindowPoints(nullptr, parent.get(), reinterpret_cast<POINT*>(&rect), 2);
  EXPECT_EQ(rect.left, 20);
  EXPECT_EQ(rect.top, 30);
  EXPECT_EQ(rect.right - rect.left, 90);
  EXPECT_EQ(rect.bottom - rect.top, 60);
  EXPECT_EQ(recordWord(list.control, kRecordRectOffset + 8), 90u);
}

TEST(Destruction, ParentDestructionDestroysEveryControlOnce) {
  ASSERT_NE(library().module, nullptr);
  bridgeLog().destroyedIds.clear();
  Window parent = makeParent(300, 300);
  const Created panel = createControl(Kind::kWindow, parent.get(), RECT{0, 0, 200, 50}, nullptr, 1, 100);
  const Created edit = createControl(Kind::kEditbox, panel.window, RECT{8, 8, 136, 36}, nullptr, 2, 100);
  const Created list = createControl(Kind::kListbox, parent.get(), RECT{0, 60, 104, 200}, nullptr, 3, 100);
  ASSERT_NE(edit.control, nullptr);
  parent.reset();
  ASSERT_EQ(bridgeLog().destroyedIds.size(), 3u);
  for (const Handle gone : {panel.control, edit.control, list.control}) {
    EXPECT_EQ(library().ControlIsCreate(gone), 0);  // the handle is no longer accepted
    EXPECT_EQ(library().GetItemCount_ListboxEx(gone), 0);
  }
  std::vector<std::uint32_t> firsts;
  for (const auto& ids : bridgeLog().destroyedIds) firsts.push_back(ids.first);
  std::sort(firsts.begin(), firsts.end());
  EXPECT_EQ(firsts, (std::vector<std::uint32_t>{1, 2, 3}));
}

TEST(Destruction, ControlDestroyLeavesTheWindowToTheBridge) {
  ASSERT_NE(library().module, nullptr);
  Window parent = makeParent(200, 200);
  const Created label = createControl(Kind::kLabel, parent.get(), RECT{0, 0, 100, 30});
  EXPECT_EQ(library().ControlDestroy(label.control), 1);
  EXPECT_EQ(GetPropA(label.window, "Tab_Control"), nullptr);
  EXPECT_EQ(library().ControlGetBindControl(label.window), 0);
  EXPECT_EQ(library().ControlDestroy(label.control), 0) << "a second destroy is refused";
  // The window runs its own procedure again and still answers.
  EXPECT_EQ(GetWindowLongPtrA(label.window, GWLP_WNDPROC), GetClassLongPtrA(label.window, GCLP_WNDPROC));
  EXPECT_EQ(SendMessageW(label.window, WM_ERASEBKGND, 0, 0), 1);
}

TEST(Destruction, AWindowDestroyedInsideAnEventEndsQuietly) {
  ASSERT_NE(library().module, nullptr);
  Recorder recorder;
  Window parent = makeParent(200, 200);
  const Created list = createControl(Kind::kListbox, parent.get(), RECT{0, 0, 104, 150});
  for (int i = 0; i < 3; ++i) library().InsertItem_ListboxEx(list.control, -1, 1, 0, nullptr, captionBin("row", 0, 30));
  HWND parentWindow = parent.get();
  recorder.onEvent = [&](const Event& event) {
    if (event.number == kEventItemClick) DestroyWindow(parentWindow);
  };
  mouse(list.window, WM_MOUSEMOVE, 20, 40);
  mouse(list.window, WM_LBUTTONDOWN, 20, 40, MK_LBUTTON);
  mouse(list.window, WM_LBUTTONUP, 20, 40);
  EXPECT_FALSE(IsWindow(list.window));
  ASSERT_FALSE(recorder.events.empty());
  EXPECT_EQ(recorder.events.back().number, kEventItemClick) << "nothing after the click that destroyed it";
  EXPECT_EQ(library().ControlIsCreate(list.control), 0);
}

TEST(Threads, CallsFromAnotherThreadRunOnTheControlsThread) {
  ASSERT_NE(library().module, nullptr);
  Window parent = makeParent(200, 200);
  const Created list = createControl(Kind::kListbox, parent.get(), RECT{0, 0, 104, 150});
  int inserted = -2;
  const std::unique_ptr<void, decltype(&CloseHandle)> done(CreateEventW(nullptr, TRUE, FALSE, nullptr), &CloseHandle);
  std::thread worker([&] {
    inserted = library().InsertItem_ListboxEx(list.control, -1, 1, 0, nullptr, captionBin("from a thread", 0, 30));
    SetEvent(done.get());
  });
  // The worker's call waits until this thread dispatches it.
  HANDLE events[] = {done.get()};
  while (MsgWaitForMultipleObjects(1, events, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) pump();
  worker.join();
  EXPECT_EQ(inserted, 0);
  EXPECT_EQ(library().GetItemCount_ListboxEx(list.control), 1);
  EXPECT_STREQ(library().GetItemTitle_ListboxEx(list.control, 0), "from a thread");
}

TEST(Messages, AttributesExportAndForwarding) {
  ASSERT_NE(library().module, nullptr);
  Window parent = makeParent(200, 200);
  PropertyBlock block = defaultPropertyBlock(Kind::kLabel);
  std::strcpy(block.text, " tip");
  const Created label = createControl(Kind::kLabel, parent.get(), RECT{0, 0, 150, 28}, &block);
  const Library& lib = library();
  // Export: [kind][length][bytes].
  const auto* exported = reinterpret_cast<const std::int32_t*>(lib.ControlSendMessage(label.control, kMessageExportData, -1, 0, 0, 0));
  ASSERT_NE(exported, nullptr);
  EXPECT_EQ(exported[0], static_cast<std::int32_t>(Kind::kLabel));
  ASSERT_EQ(exported[1], 4);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(exported + 2), 4), " tip");
  EXPECT_EQ(lib.ControlSendMessage(label.control, kMessageExportData, 0, 0, 0, 0), 0) << "only -1 is defined";
  // Set and get the text; the window text follows (code page 936 on the wide side).
  const char renamed[] = "\xCC\xE1\xCA\xBE";  // 提示
  EXPECT_EQ(lib.ControlSendMessage(label.control, kMessageSetAttribute, kAttrText, reinterpret_cast<std::intptr_t>(renamed), 0, 0), 1);
  EXPECT_STREQ(reinterpret_cast<const char*>(lib.ControlSendMessage(label.control, kMessageGetAttribute, kAttrText, 0, 0, 0)), renamed);
  wchar_t wide[16] = {};
  GetWindowTextW(label.window, wide, 16);
  EXPECT_STREQ(wide, L"\u63D0\u793A");
  // Any other message goes to the window.
  EXPECT_EQ(lib.ControlSendMessage(label.control, WM_GETTEXTLENGTH, 0, 0, 0, 0), 2);
  EXPECT_EQ(lib.ControlSendMessage(label.control, kMessageSetAttribute, 9999, 1, 0, 0), 0) << "unknown attribute";
  // Lock counts.
  EXPECT_EQ(lib.ControlLockUpdate(label.control), 1);
  EXPECT_EQ(lib.ControlLockUpdate(label.control), 2);
  EXPECT_EQ(lib.ControlUnlockUpdate(label.control), 1);
  EXPECT_EQ(lib.ControlUnlockUpdate(label.control), 0);
  EXPECT_EQ(lib.ControlUnlockUpdate(label.control), 0);
}

TEST(Messages, FocusGoesToTheNamedControl) {
  ASSERT_NE(library().module, nullptr);
  Window parent = makeParent(200, 100, true);
  const Created edit = createControl(Kind::kEditbox, parent.get(), RECT{8, 8, 136, 36});
  SetForegroundWindow(parent.get());
  library().ControlSetFocusControl(edit.control);
  EXPECT_EQ(GetFocus(), edit.window);
  EXPECT_EQ(library().ControlGetFocusControl(), reinterpret_cast<std::intptr_t>(edit.control));
}

}  // namespace
}  // namespace corvalis::exui::test
