// Handle owners: exactly one owner closes each handle, once.
#include <gtest/gtest.h>
#include <windows.h>

#include <utility>
#include <vector>

#include "base/win_handles.h"

namespace corvalis {
namespace {

// A fake handle kind that records every close.
std::vector<int> closedHandles;
struct FakeTraits {
  using Handle = int;
  static Handle invalid() noexcept { return -1; }
  static void close(Handle handle) noexcept { closedHandles.push_back(handle); }
};
using UniqueFake = UniqueHandle<FakeTraits>;

TEST(UniqueHandle, ClosesOnceOnEveryPath) {
  closedHandles.clear();
  {
    UniqueFake empty;
    EXPECT_FALSE(empty);
    UniqueFake one(1);
    EXPECT_TRUE(one);
    EXPECT_EQ(one.get(), 1);
  }
  EXPECT_EQ(closedHandles, std::vector<int>{1});

  closedHandles.clear();
  {
    UniqueFake a(2);
    UniqueFake b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b.get(), 2);
    UniqueFake c(3);
    c = std::move(b);  // 3 closes, 2 moves on
    EXPECT_EQ(closedHandles, std::vector<int>{3});
    c.reset(4);        // 2 closes
    EXPECT_EQ(closedHandles, (std::vector<int>{3, 2}));
    const int released = c.release();
    EXPECT_EQ(released, 4);
    EXPECT_FALSE(c);
    *c.put() = 5;      // nothing held: nothing closes
    EXPECT_EQ(c.get(), 5);
    *c.put() = 6;      // 5 closes before the slot is handed out
    EXPECT_EQ(closedHandles, (std::vector<int>{3, 2, 5}));
    UniqueFake& alias = c;
    c = std::move(alias);  // moving onto itself keeps the handle
    EXPECT_EQ(c.get(), 6);
  }
  EXPECT_EQ(closedHandles, (std::vector<int>{3, 2, 5, 6}));
}

TEST(UniqueHandle, KernelAndFileHandlesAreReallyClosed) {
  HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(raw, nullptr);
  DWORD flags = 0;
  { const UniqueKernelHandle owner(raw); EXPECT_TRUE(GetHandleInformation(raw, &flags)); }
  EXPECT_FALSE(GetHandleInformation(raw, &flags));

  // A failed CreateFile gives INVALID_HANDLE_VALUE, which counts as no handle.
  const UniqueFileHandle missing(CreateFileW(L"Z:\\no\\such\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                             nullptr));
  EXPECT_FALSE(missing);
  EXPECT_FALSE(UniqueKernelHandle());

  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &key), ERROR_SUCCESS);
  { const UniqueRegistryKey owner(key); }
  EXPECT_NE(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr),
            ERROR_SUCCESS);

  HMENU menu = CreatePopupMenu();
  { const UniqueMenu owner(menu); EXPECT_TRUE(IsMenu(menu)); }
  EXPECT_FALSE(IsMenu(menu));
}

}  // namespace
}  // namespace corvalis
