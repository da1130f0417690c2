// Reads a list as a screen reader in another process would: accessible_probe <window> [row]
// prints, one line each, the list, its rows and the elements of its second row, in UTF-8;
// with a row number (a child id) it then asks for that row's default action. A call that
// fails is printed with its result and ends the probe with exit code 2.
#include <windows.h>
#include <oleacc.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/controls/accessible_reading.h"

namespace {

using corvalis::exui::test::utf8;

using corvalis::exui::test::childId;

void say(const std::string& line) {
  DWORD written = 0;
  const std::string text = line + "\n";
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

[[noreturn]] void fail(const char* call, HRESULT result) {
  char line[128];
  std::snprintf(line, sizeof line, "error %s 0x%08lx", call, static_cast<unsigned long>(result));
  say(line);
  ExitProcess(2);
}

std::string text(IAccessible* object, long id, HRESULT(STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*),
                 const char* call) {
  BSTR value = nullptr;
  const HRESULT result = (object->*get)(childId(id), &value);
  if (FAILED(result)) fail(call, result);
  std::string out = value != nullptr ? utf8(std::wstring_view(value, SysStringLen(value))) : std::string();
  SysFreeString(value);
  return out;
}

long number(IAccessible* object, long id, HRESULT(STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*),
            const char* call) {
  VARIANT value;
  VariantInit(&value);
  const HRESULT result = (object->*get)(childId(id), &value);
  if (FAILED(result)) fail(call, result);
  return value.vt == VT_I4 ? value.lVal : -1;
}

std::string describe(IAccessible* object, long id) {
  char head[96];
  std::snprintf(head, sizeof head, "role=%ld state=0x%08lx",
                number(object, id, &IAccessible::get_accRole, "get_accRole"),
                static_cast<unsigned long>(number(object, id, &IAccessible::get_accState, "get_accState")));
  return head + std::string(" action=") + text(object, id, &IAccessible::get_accDefaultAction, "get_accDefaultAction") +
         " name=" + text(object, id, &IAccessible::get_accName, "get_accName");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 1;
  const HWND window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::strtoull(argv[1], nullptr, 0)));
  const HRESULT com = CoInitialize(nullptr);
  if (FAILED(com)) fail("CoInitialize", com);
  IAccessible* list = nullptr;
  const HRESULT found =
      AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&list));
  if (FAILED(found) || list == nullptr) fail("AccessibleObjectFromWindow", found);
  long rows = 0;
  const HRESULT counted = list->get_accChildCount(&rows);
  if (FAILED(counted)) fail("get_accChildCount", counted);
  char line[64];
  const long role = number(list, CHILDID_SELF, &IAccessible::get_accRole, "get_accRole");
  std::snprintf(line, sizeof line, "list role=%ld children=%ld", role, rows);
  say(line);
  for (long id = 1; id <= rows; ++id) say("row " + std::to_string(id) + " " + describe(list, id));

  IDispatch* dispatch = nullptr;
  const HRESULT gotChild = list->get_accChild(childId(2), &dispatch);
  if (gotChild != S_OK || dispatch == nullptr) fail("get_accChild", gotChild);
  IAccessible* row = nullptr;
  const HRESULT asked = dispatch->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&row));
  dispatch->Release();
  if (FAILED(asked)) fail("QueryInterface", asked);
  long elements = 0;
  const HRESULT countedElements = row->get_accChildCount(&elements);
  if (FAILED(countedElements)) fail("get_accChildCount", countedElements);
  for (long id = 1; id <= elements; ++id) say("element 2." + std::to_string(id) + " " + describe(row, id));
  row->Release();

  if (argc > 2) {
    const HRESULT done = list->accDoDefaultAction(childId(std::strtol(argv[2], nullptr, 10)));
    if (FAILED(done)) fail("accDoDefaultAction", done);
    say("done");
  }
  list->Release();
  CoUninitialize();
  return 0;
}
