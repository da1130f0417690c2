// uilib_probe.exe: the bridge in a process of its own, for what happens once per
// process (the search for the library, the class of each kind, the warning). The tests
// copy it where they need it, start it and read what it prints.
//
//   uilib_probe search   prints the loaded module's path and the library handle
//   uilib_probe create   creates two controls of every kind and prints their classes
//                        and how often each creation function of the library ran
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tests/uilib/test_library.h"
#include "uilib/ui_bridge.h"

namespace {

using namespace corvalis;

void printLine(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

int search() {
  const bool loaded = initializeUiBridge();
  char path[MAX_PATH] = "";
  if (uiLibrary().module != nullptr) GetModuleFileNameA(uiLibrary().module, path, MAX_PATH);
  printLine(std::string("loaded=") + (loaded ? "1" : "0"));
  printLine(std::string("module=") + path);
  printLine("handle=" + std::to_string(uiLibrary().libraryHandle));
  return 0;
}

constexpr ControlKind kKinds[] = {ControlKind::ListboxEx, ControlKind::EditboxEx, ControlKind::WindowEx,
                                  ControlKind::FilterEx,  ControlKind::LabelEx,   ControlKind::ButtonEx,
                                  ControlKind::ToolbarEx};

int create() {
  initializeUiBridge();
  printLine("handle=" + std::to_string(uiLibrary().libraryHandle));
  HWND parent = CreateWindowExW(0, L"STATIC", L"probe", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  for (int round = 0; round < 2; ++round) {
    for (ControlKind kind : kKinds) {
      createControl(kind, nullptr, 0, parent, 1, 0, 0, 20, 20, 1, 2);
      char name[64] = "";
      // The newest child of that class.
      HWND child = FindWindowExA(parent, nullptr, controlClassName(kind).c_str(), nullptr);
      if (child != nullptr) GetClassNameA(child, name, sizeof name);
      printLine(std::string("class ") + controlKindInfo(kind).creationFunction.data() + " " + name);
    }
  }
  if (uiLibrary().module != nullptr) {
    const auto callLog = reinterpret_cast<uitest::TestCallLogFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(uiLibrary().module, "TestCallLog")));
    if (callLog != nullptr) {
      const uitest::CallLog* calls = callLog();
      for (int i = 0; i < calls->count && i < uitest::kMaxCalls; ++i)
        printLine(std::string("called ") + calls->calls[i].name);
    }
  }
  DestroyWindow(parent);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "search") == 0) return search();
  if (argc == 2 && std::strcmp(argv[1], "create") == 0) return create();
  std::fputs("usage: uilib_probe search|create\n", stderr);
  return 2;
}
