#include "controls/list_accessible.h"

#include <oleacc.h>

#include <new>
#include <string>
#include <utility>

#include "base/com_object.h"
#include "base/com_ptr.h"
#include "controls/kinds.h"

namespace corvalis::exui {
namespace {

// 按下: what a screen reader says a push button does.
constexpr wchar_t kPressActionName[] = L"\u6309\u4E0B";

HRESULT giveText(const std::wstring& text, BSTR* out) {
  if (text.empty()) return S_FALSE;
  *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT giveNumber(long value, VARIANT* out) {
  out->vt = VT_I4;
  out->lVal = value;
  return S_OK;
}

HRESULT giveLocation(HWND window, RECT area, long* left, long* top, long* width, long* height) {
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&area), 2);
  *left = area.left;
  *top = area.top;
  *width = area.right - area.left;
  *height = area.bottom - area.top;
  return S_OK;
}

}  // namespace

// The list itself (row_ -1), whose children 1..n are its rows, or one row (row_ 0..n-1), whose
// children 1..m are its elements. Rows are objects so that their elements can be reached;
// an element is a plain child id of its row. Every call reads the list as it is then, on the
// list's own thread; once the list has gone the object says it is disconnected.
class ListAccessible final : public ComObject<IAccessible> {
  struct Part {
    int row;      // -1: the list itself
    int element;  // -1: the row itself
  };

 public:
  // Null when the window's part cannot be made for the list itself.
  static ListAccessible* make(HWND window, const void* handle, int row) {
    ComPtr<IAccessible> standard;
    // __uuidof rather than IID_IAccessible throughout: the x86_64 import library of oleacc
    // defines that name as a code thunk, and the linker may bind it before libuuid's GUID.
    if (row < 0 && FAILED(CreateStdAccessibleObject(window, OBJID_CLIENT, __uuidof(IAccessible), standard.put()))) {
      return nullptr;
    }
    return new (std::nothrow) ListAccessible(window, handle, row, std::move(standard));
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
    if (object != nullptr && IsEqualIID(id, __uuidof(IDispatch))) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    return ComObject::QueryInterface(id, object);
  }

  // Clients call the IAccessible methods themselves, not through IDispatch.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info != nullptr) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (parent == nullptr) return E_POINTER;
    *parent = nullptr;
    return onList([&](Listbox&) -> HRESULT {
      if (row_ < 0) return standard_->get_accParent(parent);
      *parent = objectFor(-1);
      return *parent != nullptr ? S_OK : E_FAIL;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return onList([&](Listbox& list) -> HRESULT {
      if (row_ >= list.itemCount()) return CO_E_OBJNOTCONNECTED;
      *count = row_ < 0 ? list.itemCount() : static_cast<long>(list.elements_.size());
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT id, IDispatch** child) override {
    if (child == nullptr) return E_POINTER;
    *child = nullptr;
    return answer(id, [](Listbox&) { return E_INVALIDARG; }, [&](Listbox&, Part part) -> HRESULT {
      if (row_ >= 0) return part.element < 0 ? E_INVALIDARG : S_FALSE;  // an element has no object
      *child = objectFor(part.row);
      return *child != nullptr ? S_OK : E_OUTOFMEMORY;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accName(VARIANT id, BSTR* name) override {
    if (name == nullptr) return E_POINTER;
    *name = nullptr;
    return answer(id, [&](Listbox&) { return standard_->get_accName(id, name); }, [&](Listbox& list, Part part) {
      return giveText(part.element < 0 ? list.rows_[static_cast<std::size_t>(part.row)].wide
                                       : list.elementName(part.row, part.element),
                      name);
    });
  }

  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT id, BSTR* value) override {
    if (value == nullptr) return E_POINTER;
    *value = nullptr;
    return answer(id, [&](Listbox&) { return standard_->get_accValue(id, value); }, nothing);
  }

  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT id, BSTR* description) override {
    if (description == nullptr) return E_POINTER;
    *description = nullptr;
    return answer(id, [&](Listbox&) { return standard_->get_accDescription(id, description); }, nothing);
  }

  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT id, VARIANT* role) override {
    if (role == nullptr) return E_POINTER;
    VariantInit(role);
    return answer(id, [&](Listbox&) { return giveNumber(ROLE_SYSTEM_LIST, role); }, [&](Listbox&, Part part) {
      return giveNumber(part.element < 0 ? ROLE_SYSTEM_LISTITEM : ROLE_SYSTEM_PUSHBUTTON, role);
    });
  }

  HRESULT STDMETHODCALLTYPE get_accState(VARIANT id, VARIANT* state) override {
    if (state == nullptr) return E_POINTER;
    VariantInit(state);
    return answer(id, [&](Listbox&) { return standard_->get_accState(id, state); },
                  [&](Listbox& list, Part part) { return giveNumber(stateOf(list, part), state); });
  }

  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT id, BSTR* help) override {
    if (help == nullptr) return E_POINTER;
    *help = nullptr;
    return answer(id, [&](Listbox&) { return standard_->get_accHelp(id, help); }, nothing);
  }

  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT id, long* topic) override {
    if (file == nullptr || topic == nullptr) return E_POINTER;
    *file = nullptr;
    *topic = 0;
    return answer(id, [&](Listbox&) { return standard_->get_accHelpTopic(file, id, topic); }, nothing);
  }

  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT id, BSTR* shortcut) override {
    if (shortcut == nullptr) return E_POINTER;
    *shortcut = nullptr;
    return answer(id, [&](Listbox&) { return standard_->get_accKeyboardShortcut(id, shortcut); }, nothing);
  }

  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (focus == nullptr) return E_POINTER;
    VariantInit(focus);
    return onList([&](Listbox& list) -> HRESULT {
      if (!list.hasFocus()) return S_FALSE;
      if (row_ >= 0) return row_ == list.focusRow_ ? giveNumber(CHILDID_SELF, focus) : S_FALSE;
      return list.focusRow_ >= 0 ? giveRow(list.focusRow_, focus) : giveNumber(CHILDID_SELF, focus);
    });
  }

  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    if (selection == nullptr) return E_POINTER;
    VariantInit(selection);
    return onList([&](Listbox& list) -> HRESULT {
      if (row_ >= 0 || list.focusRow_ < 0) return S_FALSE;
      return giveRow(list.focusRow_, selection);
    });
  }

  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT id, BSTR* action) override {
    if (action == nullptr) return E_POINTER;
    *action = nullptr;
    return answer(id, [&](Listbox&) { return standard_->get_accDefaultAction(id, action); },
                  [&](Listbox& list, Part part) {
                    return giveText(part.element < 0 ? list.actionName(part.row) : kPressActionName, action);
                  });
  }

  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT id) override {
    return answer(id, [&](Listbox&) { return standard_->accSelect(flags, id); },
                  [](Listbox&, Part) { return DISP_E_MEMBERNOTFOUND; });
  }

  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT id) override {
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_POINTER;
    *left = *top = *width = *height = 0;
    return answer(id, [&](Listbox&) { return standard_->accLocation(left, top, width, height, id); },
                  [&](Listbox& list, Part part) {
                    const RECT row = list.rowRect(part.row);
                    return giveLocation(list.window(), part.element < 0 ? row : list.elementRect(part.element, row.top),
                                        left, top, width, height);
                  });
  }

  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    if (end == nullptr) return E_POINTER;
    VariantInit(end);
    return answer(start, [&](Listbox& list) -> HRESULT {
      const int rows = list.itemCount();
      if (direction == NAVDIR_FIRSTCHILD) return rows > 0 ? giveRow(0, end) : S_FALSE;
      if (direction == NAVDIR_LASTCHILD) return rows > 0 ? giveRow(rows - 1, end) : S_FALSE;
      return standard_->accNavigate(direction, start, end);
    }, [&](Listbox& list, Part part) { return navigateFrom(list, part, direction, end); });
  }

  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* hit) override {
    if (hit == nullptr) return E_POINTER;
    VariantInit(hit);
    return onList([&](Listbox& list) -> HRESULT {
      POINT point{x, y};
      ScreenToClient(list.window(), &point);
      const RECT client = list.clientRect();
      if (!PtInRect(&client, point)) return S_FALSE;
      const Listbox::Hit under = list.hitTest(point);
      if (row_ < 0) return under.row >= 0 ? giveRow(under.row, hit) : giveNumber(CHILDID_SELF, hit);
      if (row_ >= list.itemCount()) return CO_E_OBJNOTCONNECTED;
      if (under.row != row_) return S_FALSE;
      return giveNumber(under.element >= 0 ? under.element + 1 : CHILDID_SELF, hit);
    });
  }

  // Only queued here: the click's handlers run later from the list's message loop, never
  // inside a screen reader's call, which would wait on whatever they do (a dialog, say).
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT id) override {
    return answer(id, [&](Listbox&) { return standard_->accDoDefaultAction(id); },
                  [](Listbox& list, Part part) -> HRESULT {
                    if (!list.enabled()) return E_FAIL;
                    if (part.element >= 0 && !list.clickable(part.row, part.element)) return E_FAIL;
                    list.queueAction(part.row, part.element);
                    return S_OK;
                  });
  }

  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  ListAccessible(HWND window, const void* handle, int row, ComPtr<IAccessible> standard)
      : window_(window), handle_(handle), row_(row), standard_(std::move(standard)) {}

  // Runs f(list) on the list's thread while the list lives.
  template <typename F>
  HRESULT onList(F&& f) {
    return withControl(handle_, HRESULT{CO_E_OBJNOTCONNECTED}, [&](Control& control) -> HRESULT {
      if (control.kind() != Kind::kListbox || control.window() != window_) return CO_E_OBJNOTCONNECTED;
      return f(static_cast<Listbox&>(control));
    });
  }

  // What a child id names: the list itself goes to self(list), a row or element to part(list, it).
  template <typename OnSelf, typename OnPart>
  HRESULT answer(const VARIANT& id, OnSelf&& self, OnPart&& part) {
    return onList([&](Listbox& list) -> HRESULT {
      Part named{};
      const HRESULT found = resolve(list, id, named);
      if (FAILED(found)) return found;
      return named.row < 0 ? self(list) : part(list, named);
    });
  }

  static HRESULT nothing(Listbox&, Part) { return S_FALSE; }

  HRESULT resolve(const Listbox& list, const VARIANT& id, Part& part) const {
    if (id.vt != VT_I4) return E_INVALIDARG;
    if (row_ < 0) {
      if (id.lVal < 0 || id.lVal > list.itemCount()) return E_INVALIDARG;
      part = Part{static_cast<int>(id.lVal) - 1, -1};
      return S_OK;
    }
    if (row_ >= list.itemCount()) return CO_E_OBJNOTCONNECTED;  // the row has gone
    if (id.lVal < 0 || id.lVal > static_cast<long>(list.elements_.size())) return E_INVALIDARG;
    part = Part{row_, static_cast<int>(id.lVal) - 1};
    return S_OK;
  }

  static long stateOf(const Listbox& list, Part part) {
    const RECT row = list.rowRect(part.row);
    long state = row.bottom <= 0 || row.top >= list.clientRect().bottom ? STATE_SYSTEM_OFFSCREEN : 0;
    if (!list.enabled()) state |= STATE_SYSTEM_UNAVAILABLE;
    if (part.element >= 0) {
      const Listbox::ElementData& data =
          list.rows_[static_cast<std::size_t>(part.row)].elements[static_cast<std::size_t>(part.element)];
      if (!data.shown) state |= STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN;
      if (data.disabled) state |= STATE_SYSTEM_UNAVAILABLE;
      if (data.checked) state |= STATE_SYSTEM_PRESSED;
      return state;
    }
    state |= STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE;
    if (part.row == list.focusRow_) state |= STATE_SYSTEM_SELECTED | (list.hasFocus() ? STATE_SYSTEM_FOCUSED : 0);
    return state;
  }

  HRESULT navigateFrom(const Listbox& list, Part start, long direction, VARIANT* end) const {
    if (start.element >= 0) {
      const int step = direction == NAVDIR_NEXT ? 1 : direction == NAVDIR_PREVIOUS ? -1 : 0;
      const int to = start.element + step;
      if (step == 0 || to < 0 || to >= static_cast<int>(list.elements_.size())) return S_FALSE;
      return giveNumber(to + 1, end);
    }
    if (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD) {
      if (row_ < 0) return E_INVALIDARG;  // only from the row's own object
      const int elements = static_cast<int>(list.elements_.size());
      if (elements == 0) return S_FALSE;
      return giveNumber(direction == NAVDIR_FIRSTCHILD ? 1 : elements, end);
    }
    const int step = direction == NAVDIR_NEXT || direction == NAVDIR_DOWN       ? 1
                     : direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP ? -1
                                                                                : 0;
    const int to = start.row + step;
    if (step == 0 || to < 0 || to >= list.itemCount()) return S_FALSE;
    return giveRow(to, end);
  }

  IDispatch* objectFor(int row) const { return make(window_, handle_, row); }

  HRESULT giveRow(int row, VARIANT* out) const {
    IDispatch* object = objectFor(row);
    if (object == nullptr) return E_OUTOFMEMORY;
    out->vt = VT_DISPATCH;
    out->pdispVal = object;
    return S_OK;
  }

  HWND window_;
  const void* handle_;
  int row_;
  ComPtr<IAccessible> standard_;  // the window's part, for the list itself
};

LRESULT accessibleObjectResult(Listbox& list, WPARAM flags) {
  ComPtr<IAccessible> object(ListAccessible::make(list.window(), list.handle(), -1));
  if (!object) return 0;
  const LRESULT result = LresultFromObject(__uuidof(IAccessible), flags, object.get());
  return result > 0 ? result : 0;
}

}  // namespace corvalis::exui
