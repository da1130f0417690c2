// The environment follows the system's variables: a block is read within its bounds,
// a change sets what the system gives and removes only what it gave and no longer does.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/environment.h"

namespace corvalis {
namespace {

using namespace std::string_literals;

TEST(Environment, ABlockGivesItsNamedVariablesInOrder) {
  const std::wstring block = L"=C:=C:\\work\0Path=C:\\a;C:\\b\0EMPTY=\0weird=a=b\0\0TAIL=gone\0"s;
  const EnvironmentVariables variables = parseEnvironmentBlock(block.data(), block.size());
  ASSERT_EQ(variables.size(), 3u) << "the per-drive directory is no variable; the block ends at the empty string";
  EXPECT_EQ(variables[0], (std::pair<std::wstring, std::wstring>{L"Path", L"C:\\a;C:\\b"}));
  EXPECT_EQ(variables[1].second, L"");
  EXPECT_EQ(variables[2], (std::pair<std::wstring, std::wstring>{L"weird", L"a=b"}));
  // Without its closing empty string the block still ends at its bounds.
  const std::wstring cut = L"A=1\0B=2"s;
  EXPECT_EQ(parseEnvironmentBlock(cut.data(), cut.size()).size(), 2u);
  EXPECT_TRUE(parseEnvironmentBlock(nullptr, 5).empty());
}

TEST(Environment, ChangesRemoveOnlyWhatTheSystemGaveBefore) {
  const EnvironmentVariables before = {{L"PATH", L"C:\\old"}, {L"GONE", L"x"}, {L"Kept", L"1"}};
  const EnvironmentVariables now = {{L"Path", L"C:\\old;C:\\tool"}, {L"kept", L"1"}, {L"NEW", L"y"}};
  const EnvironmentChanges changes = environmentChanges(before, now);
  EXPECT_EQ(changes.set, now);
  EXPECT_EQ(changes.removed, std::vector<std::wstring>{L"GONE"}) << "names compare without case";
  EXPECT_TRUE(environmentChanges({}, now).removed.empty()) << "nothing known before: nothing removed";

  EXPECT_TRUE(isEnvironmentChange(L"Environment"));
  EXPECT_TRUE(isEnvironmentChange(L"environment"));
  EXPECT_FALSE(isEnvironmentChange(L"intl"));
  EXPECT_FALSE(isEnvironmentChange(nullptr));
}

}  // namespace
}  // namespace corvalis
