// The drop target through its interface, as OLE drives it: files are taken as a link
// (a copy where the source allows no link), anything else is refused, and a drop with
// nowhere to go reports that nothing was taken.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/drop_target.h"
#include "tests/support/file_drop_object.h"

namespace corvalis {
namespace {

class DropTargetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    window_ = CreateWindowExW(0, L"STATIC", L"drop here", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
    target_ = makeShortcutDropTarget(window_, DropPlace::bar);
    files_ = new test::FileDropObject({L"C:\\a.exe"});
    text_ = new test::FileDropObject({}, true);
  }
  void TearDown() override {
    target_->Release();
    files_->Release();
    text_->Release();
    DestroyWindow(window_);
    OleUninitialize();
  }
  DWORD enter(IDataObject* data, DWORD allowed) {
    DWORD effect = allowed;
    EXPECT_EQ(target_->DragEnter(data, MK_LBUTTON, POINTL{10, 10}, &effect), S_OK);
    return effect;
  }
  DWORD over(DWORD allowed) {
    DWORD effect = allowed;
    EXPECT_EQ(target_->DragOver(MK_LBUTTON, POINTL{12, 12}, &effect), S_OK);
    return effect;
  }

  HWND window_ = nullptr;
  IDropTarget* target_ = nullptr;
  IDataObject* files_ = nullptr;
  IDataObject* text_ = nullptr;
};

TEST_F(DropTargetTest, FilesAreTakenAsALinkOrACopy) {
  EXPECT_EQ(enter(files_, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK), DWORD{DROPEFFECT_LINK});
  EXPECT_EQ(over(DROPEFFECT_COPY | DROPEFFECT_LINK), DWORD{DROPEFFECT_LINK});
  EXPECT_EQ(over(DROPEFFECT_COPY), DWORD{DROPEFFECT_COPY}) << "a source that allows no link";
  EXPECT_EQ(over(DROPEFFECT_MOVE), DWORD{DROPEFFECT_NONE}) << "moving the user's files is not ours to do";
  EXPECT_EQ(target_->DragLeave(), S_OK);
  EXPECT_EQ(over(DROPEFFECT_LINK), DWORD{DROPEFFECT_NONE}) << "after the drag left, nothing is accepted";
}

TEST_F(DropTargetTest, ADragWithoutFilesIsRefused) {
  EXPECT_EQ(enter(text_, DROPEFFECT_COPY | DROPEFFECT_LINK), DWORD{DROPEFFECT_NONE});
  EXPECT_EQ(over(DROPEFFECT_COPY | DROPEFFECT_LINK), DWORD{DROPEFFECT_NONE});
  DWORD effect = DROPEFFECT_COPY | DROPEFFECT_LINK;
  EXPECT_EQ(target_->Drop(text_, 0, POINTL{12, 12}, &effect), S_OK);
  EXPECT_EQ(effect, DWORD{DROPEFFECT_NONE});
  EXPECT_EQ(target_->DragOver(0, POINTL{0, 0}, nullptr), E_INVALIDARG);
}

TEST_F(DropTargetTest, ADropWithNoListToGoIntoTakesNothing) {
  // The window has no launcher list (as when the bar went while the drag was on).
  enter(files_, DROPEFFECT_LINK);
  DWORD effect = DROPEFFECT_LINK;
  EXPECT_EQ(target_->Drop(files_, 0, POINTL{12, 12}, &effect), S_OK);
  EXPECT_EQ(effect, DWORD{DROPEFFECT_NONE}) << "a drop that added nothing must not say it linked";
}

TEST_F(DropTargetTest, AskedForItsInterfaces) {
  void* object = nullptr;
  EXPECT_EQ(target_->QueryInterface(IID_IDropTarget, &object), S_OK);
  EXPECT_EQ(object, static_cast<void*>(target_));
  target_->Release();
  EXPECT_EQ(target_->QueryInterface(IID_IDataObject, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
}

}  // namespace
}  // namespace corvalis
