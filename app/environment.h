// The process's environment, kept as the system's is now. The bar starts at logon
// and runs for weeks; when the user changes a variable (PATH, after installing a
// tool), the system tells every top-level window, and Explorer rebuilds its
// environment from the user's and the system's variables so that what it starts sees
// the change. The bar does the same for what it launches.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace corvalis {

// Variables as name and value, in block order.
using EnvironmentVariables = std::vector<std::pair<std::wstring, std::wstring>>;

// The variables of an environment block (name=value strings, the last followed by an
// empty one), bounded by `units` characters. Entries without a name ("=C:=C:\\" -
// the per-drive directories) are left out.
EnvironmentVariables parseEnvironmentBlock(const wchar_t* block, std::size_t units);

// What to change in the process's environment, from the variables the system gave the
// last time (`before`) and now (`now`): every variable of `now` is set; one that was
// in `before` and is missing now is removed. Variables the system never gave (those
// the process had from whoever started it) stay. Names compare without case.
struct EnvironmentChanges {
  EnvironmentVariables set;
  std::vector<std::wstring> removed;
};
EnvironmentChanges environmentChanges(const EnvironmentVariables& before, const EnvironmentVariables& now);

// Whether a WM_SETTINGCHANGE's text says that the environment changed.
bool isEnvironmentChange(const wchar_t* area);

// Follows the user's and the system's variables for this process.
class EnvironmentFollower {
 public:
  // The variables as the system gives them now, to compare the next change with.
  void remember();
  // Rebuilds the process's environment after the system said that it changed.
  void follow();

 private:
  EnvironmentVariables given_;
  bool remembered_ = false;
};

}  // namespace corvalis
