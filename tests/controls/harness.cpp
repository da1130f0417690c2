#include "tests/controls/harness.h"

#include <objbase.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "uilib/ui_bridge.h"

namespace corvalis::exui::test {
namespace {

Recorder* activeRecorder = nullptr;

template <typename T>
void bind(HMODULE module, T& slot, const char* name, bool& complete) {
  const FARPROC address = GetProcAddress(module, name);
  if (address == nullptr) complete = false;
  slot = reinterpret_cast<T>(reinterpret_cast<void (*)()>(address));
}

std::wstring moduleDirectory() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring directory(path);
  return directory.substr(0, directory.find_last_of(L"\\/"));
}

struct KindClass {
  Kind kind;
  const char* suffix;
  std::uint32_t bridgeCode;
};
constexpr KindClass kKindClasses[] = {
    {Kind::kListbox, "ListboxEx", 10}, {Kind::kEditbox, "EditboxEx", 1}, {Kind::kWindow, "WindowEx", 11},
    {Kind::kFilter, "FilterEx", 0},    {Kind::kLabel, "LabelEx", 0},     {Kind::kButton, "ButtonEx", 0},
    {Kind::kToolbar, "ToolbarEx", 10},
};

// The bridge's references of the controls made here, until it releases them.
std::vector<std::unique_ptr<ControlUnitHead>>& units() {
  static auto* held = new std::vector<std::unique_ptr<ControlUnitHead>>();  // outlives every window
  return *held;
}

// ControlSetRect as the bridge finds it in its binding: counted, then the library's own.
int TEST_STDCALL countedSetRect(Handle control, int x, int y, int width, int height) {
  ++bridgeLog().setRectCalls;
  return library().ControlSetRect(control, x, y, width, height);
}

void noteLibraryControlGone(std::uint32_t firstId, std::uint32_t secondId) {
  bridgeLog().destroyedIds.emplace_back(firstId, secondId);
}

void releaseUnit(ControlReference reference) {
  std::erase_if(units(), [reference](const auto& unit) { return unit.get() == reference; });
}

// The program's bridge, bound to the library under test, with the services the program
// would install: its window procedure then does here what it does in the program.
void bindBridge() {
  UiLibraryBinding binding;
  bindUiLibrary(binding, library().module);
  binding.table[exuiNameIndex("ControlSetRect")] =
      reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&countedSetRect));
  setUiLibrary(binding);
  UiBridgeServices services;
  services.libraryControlGone = noteLibraryControlGone;
  services.release = releaseUnit;
  setUiBridgeServices(services);
}

std::string className(const KindClass& kind) {
  char name[64];
  std::snprintf(name, sizeof name, "Exui.%d.%s", static_cast<int>(libraryHandle()), kind.suffix);
  return name;
}

const KindClass& classOf(Kind kind) {
  for (const KindClass& each : kKindClasses) {
    if (each.kind == kind) return each;
  }
  return kKindClasses[0];
}

void registerClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  bindBridge();
  for (const KindClass& kind : kKindClasses) {
    const std::string name = className(kind);
    const std::wstring wideName(name.begin(), name.end());
    // A Unicode class like the program's: the bridge's procedure ends in DefWindowProcW.
    WNDCLASSW windowClass{};
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = controlWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = wideName.c_str();
    RegisterClassW(&windowClass);
  }
  WNDCLASSW parentClass{};
  parentClass.style = CS_DBLCLKS;
  parentClass.lpfnWndProc = DefWindowProcW;
  parentClass.hInstance = GetModuleHandleW(nullptr);
  parentClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  parentClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  parentClass.lpszClassName = L"ExuiTestParent";
  RegisterClassW(&parentClass);
}

}  // namespace

const std::vector<std::string>& requiredExports() {
  static const std::vector<std::string> names = {
      "CallInternalFunction_Ex", "CreateControl_WindowEx", "CreateControl_ListboxEx", "CreateControl_EditboxEx",
      "CreateControl_FilterEx", "CreateControl_LabelEx", "CreateControl_ButtonEx", "CreateControl_ToolbarEx",
      "ControlDestroy", "ControlSendMessage", "ControlSetRect", "ControlGetBindControl", "ControlSetFocusControl",
      "ControlLockUpdate", "ControlUnlockUpdate", "ControlInsertElem", "ControlSetElemAttribute_Button",
      "ControlSetElemData_Button", "InsertItem_ListboxEx", "DeleteItem_ListboxEx", "GetItemCount_ListboxEx",
      "GuaranteeVisible_ListboxEx", "GuaranteeVisibleText_EditboxEx", "CreateBinEx", "DeleteBinEx",
      "Create_StructEx", "InsertMember_StructEx", "SetMemberBool_StructEx", "SetMemberInt_StructEx",
      "SetMemberLongInt_StructEx", "SetMemberFloat_StructEx", "SetMemberDouble_StructEx", "SetMemberText_StructEx",
      "SetMemberBin_StructEx", "Pack_StructEx", "Destroy_StructEx",
      // Ours beyond the program's calls, named in the shared header.
      "ControlIsCreate", "ControlGetBindWin", "ControlGetFocusControl", "ControlGetLockUpdateCount", "ControlRedraw",
      "ControlSetVisual", "ControlGetVisual", "ControlSetDisabled", "ControlGetDisabled", "ControlDeleteElem",
      "ControlGetElemCount", "SetItemTitle_ListboxEx", "GetItemTitle_ListboxEx", "SetItemIco_ListboxEx",
      "SetItemData_ListboxEx", "GetItemData_ListboxEx", "SetItemSize_ListboxEx", "GetItemSize_ListboxEx",
      "SetItemFontColor_ListboxEx", "GetItemFontColor_ListboxEx", "InsertText_EditboxEx", "DeleteText_EditboxEx",
      "SetInsertCursor_EditboxEx", "GetInsertCursor_EditboxEx", "SetSelectLeng_EditboxEx", "GetSelectLeng_EditboxEx",
      "SetAttribute_WindowEx", "GetAttribute_WindowEx", "SetAttribute_ListboxEx", "GetAttribute_ListboxEx",
      "SetAttribute_EditboxEx", "GetAttribute_EditboxEx", "SetAttribute_FilterEx", "GetAttribute_FilterEx",
      "SetAttribute_LabelEx", "GetAttribute_LabelEx", "SetAttribute_ButtonEx", "GetAttribute_ButtonEx",
      "SetAttribute_ToolbarEx", "GetAttribute_ToolbarEx", "GetBinExDataPointer", "GetBinExDatalength",
      "Load_StructEx", "DeleteMember_StructEx", "GetMemberCount_StructEx", "GetMemberType_StructEx",
      "GetMemberBool_StructEx", "GetMemberInt_StructEx", "GetMemberText_StructEx"};
  return names;
}

const Library& library() {
  static const Library loaded = [] {
    Library lib{};
    const std::wstring path = moduleDirectory() + L"\\ExuiKrnln.dll";
    HMODULE module = LoadLibraryW(path.c_str());
    if (module == nullptr) return lib;
    bool complete = true;
#define EXUI_BIND(name) bind(module, lib.name, #name, complete)
    EXUI_BIND(CallInternalFunction_Ex);
    EXUI_BIND(CreateControl_WindowEx);
    EXUI_BIND(CreateControl_ListboxEx);
    EXUI_BIND(CreateControl_EditboxEx);
    EXUI_BIND(CreateControl_FilterEx);
    EXUI_BIND(CreateControl_LabelEx);
    EXUI_BIND(CreateControl_ButtonEx);
    EXUI_BIND(CreateControl_ToolbarEx);
    EXUI_BIND(ControlDestroy);
    EXUI_BIND(ControlIsCreate);
    EXUI_BIND(ControlSendMessage);
    EXUI_BIND(ControlSetRect);
    EXUI_BIND(ControlGetBindControl);
    EXUI_BIND(ControlGetBindWin);
    EXUI_BIND(ControlSetFocusControl);
    EXUI_BIND(ControlGetFocusControl);
    EXUI_BIND(ControlLockUpdate);
    EXUI_BIND(ControlUnlockUpdate);
    EXUI_BIND(ControlSetVisual);
    EXUI_BIND(ControlGetVisual);
    EXUI_BIND(ControlInsertElem);
    EXUI_BIND(ControlGetElemCount);
    EXUI_BIND(ControlSetElemAttribute_Button);
    EXUI_BIND(ControlSetElemData_Button);
    EXUI_BIND(InsertItem_ListboxEx);
    EXUI_BIND(DeleteItem_ListboxEx);
    EXUI_BIND(GetItemCount_ListboxEx);
    EXUI_BIND(GuaranteeVisible_ListboxEx);
    EXUI_BIND(GetItemTitle_ListboxEx);
    EXUI_BIND(GetItemSize_ListboxEx);
    EXUI_BIND(GuaranteeVisibleText_EditboxEx);
    EXUI_BIND(GetInsertCursor_EditboxEx);
    EXUI_BIND(GetSelectLeng_EditboxEx);
    EXUI_BIND(SetAttribute_ListboxEx);
    EXUI_BIND(GetAttribute_ListboxEx);
    EXUI_BIND(CreateBinEx);
    EXUI_BIND(DeleteBinEx);
    EXUI_BIND(GetBinExDatalength);
    EXUI_BIND(Create_StructEx);
    EXUI_BIND(Destroy_StructEx);
    EXUI_BIND(Load_StructEx);
    EXUI_BIND(Pack_StructEx);
    EXUI_BIND(InsertMember_StructEx);
    EXUI_BIND(GetMemberCount_StructEx);
    EXUI_BIND(GetMemberType_StructEx);
    EXUI_BIND(SetMemberBool_StructEx);
    EXUI_BIND(SetMemberInt_StructEx);
    EXUI_BIND(SetMemberLongInt_StructEx);
    EXUI_BIND(SetMemberFloat_StructEx);
    EXUI_BIND(SetMemberDouble_StructEx);
    EXUI_BIND(SetMemberText_StructEx);
    EXUI_BIND(SetMemberBin_StructEx);
    EXUI_BIND(GetMemberInt_StructEx);
    EXUI_BIND(GetMemberText_StructEx);
#undef EXUI_BIND
    if (complete) lib.module = module;
    return lib;
  }();
  return loaded;
}

std::int32_t libraryHandle() {
  const Library& lib = library();
  if (lib.module == nullptr) return 0;
  return static_cast<std::int32_t>(lib.CallInternalFunction_Ex(
      kHandshakeFunction, reinterpret_cast<std::intptr_t>(lib.module), 0, 0, kInterfaceDate));
}

Recorder::Recorder() { activeRecorder = this; }
Recorder::~Recorder() {
  if (activeRecorder == this) activeRecorder = nullptr;
}

int TEST_STDCALL eventRoutine(void* record, int code, int a1, int a2, int a3, int a4) {
  if (activeRecorder == nullptr) return 0;
  Event event{record,
              code,
              code + static_cast<std::int32_t>(recordWord(record, kRecordEventBaseOffset)) - kEventCodeBase,
              recordWord(record, kRecordFirstIdOffset),
              recordWord(record, kRecordSecondIdOffset),
              a1,
              a2,
              a3,
              a4};
  activeRecorder->events.push_back(event);
  if (activeRecorder->onEvent) activeRecorder->onEvent(event);
  return 0;
}

int TEST_STDCALL elementRoutine(int notification, int row, int element) {
  if (activeRecorder == nullptr) return 0;
  const ElementCall call{notification, row, element};
  activeRecorder->elementCalls.push_back(call);
  if (activeRecorder->onElement) activeRecorder->onElement(call);
  return 0;
}

BridgeLog& bridgeLog() {
  static BridgeLog log;
  return log;
}

Window makeParent(int width, int height, bool visible) {
  registerClasses();
  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, WS_POPUP, FALSE, WS_EX_TOOLWINDOW);
  HWND window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, L"ExuiTestParent", L"exui test",
                                WS_POPUP | WS_CLIPCHILDREN | (visible ? WS_VISIBLE : 0), 40, 40,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  if (visible) {
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    UpdateWindow(window);
  }
  return Window(window);
}

Created createControl(Kind kind, HWND parent, RECT rect, const PropertyBlock* block, std::uint32_t firstId,
                      std::uint32_t secondId) {
  registerClasses();
  const KindClass& kindClass = classOf(kind);
  const std::string name = className(kindClass);
  Created created;
  created.window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TRANSPARENT, name.c_str(), nullptr, WS_CHILD, rect.left,
                                   rect.top, rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
  if (created.window == nullptr) return created;
  // The reference the program registers for each control window, before the library's control.
  units().push_back(std::make_unique<ControlUnitHead>(ControlUnitHead{created.window, 0, 0}));
  SetPropA(created.window, kUnitProperty, units().back().get());
  const CreationContext context{reinterpret_cast<std::uintptr_t>(created.window), secondId, firstId,
                                kindClass.bridgeCode, reinterpret_cast<std::uintptr_t>(block)};
  const Library& lib = library();
  std::intptr_t handle = 0;
  switch (kind) {
    case Kind::kWindow:
      handle = CreatorOf<kWindowTrailingZeros>::call(lib.CreateControl_WindowEx, parent, rect, eventRoutine, &context);
      break;
    case Kind::kListbox:
      handle = CreatorOf<kListboxTrailingZeros>::call(lib.CreateControl_ListboxEx, parent, rect, eventRoutine, &context);
      break;
    case Kind::kEditbox:
      handle = CreatorOf<kEditboxTrailingZeros>::call(lib.CreateControl_EditboxEx, parent, rect, eventRoutine, &context);
      break;
    case Kind::kFilter:
      handle = CreatorOf<kFilterTrailingZeros>::call(lib.CreateControl_FilterEx, parent, rect, eventRoutine, &context);
      break;
    case Kind::kLabel:
      handle = CreatorOf<kLabelTrailingZeros>::call(lib.CreateControl_LabelEx, parent, rect, eventRoutine, &context);
      break;
    case Kind::kButton:
      handle = CreatorOf<kButtonTrailingZeros>::call(lib.CreateControl_ButtonEx, parent, rect, eventRoutine, &context);
      break;
    case Kind::kToolbar:
      handle = CreatorOf<kToolbarTrailingZeros>::call(lib.CreateControl_ToolbarEx, parent, rect, eventRoutine, &context);
      break;
  }
  created.control = reinterpret_cast<Handle>(handle);
  return created;
}

std::uint32_t recordWord(Handle record, std::size_t offset) {
  std::uint32_t word = 0;
  std::memcpy(&word, static_cast<const char*>(record) + offset, sizeof word);
  return word;
}

void mouse(HWND window, UINT message, int x, int y, WPARAM keys) {
  SendMessageW(window, message, keys, MAKELPARAM(x, y));
}

void wheel(HWND window, int x, int y, int delta) {
  POINT point{x, y};
  ClientToScreen(window, &point);
  SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(point.x, point.y));
}

void pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

std::unique_ptr<Canvas> render(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  auto canvas = std::make_unique<Canvas>(client.right, client.bottom);
  const RECT all{0, 0, canvas->width(), canvas->height()};
  UniqueBrush magenta(CreateSolidBrush(kUnpainted));
  FillRect(canvas->dc(), &all, magenta.get());
  SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas->dc()), PRF_CLIENT);
  return canvas;
}

namespace {

void renderChildren(HWND parent, HDC dc, POINT origin) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  for (auto it = children.rbegin(); it != children.rend(); ++it) {  // bottom of the z-order first
    if (!(GetWindowLongPtrW(*it, GWL_STYLE) & WS_VISIBLE)) continue;  // own flag: the parent may be hidden
    RECT rect{};
    GetWindowRect(*it, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    const POINT at{origin.x + rect.left, origin.y + rect.top};
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, at.x, at.y, at.x + rect.right - rect.left, at.y + rect.bottom - rect.top);
    SetViewportOrgEx(dc, at.x, at.y, nullptr);
    SendMessageW(*it, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    RestoreDC(dc, saved);
    renderChildren(*it, dc, at);
  }
}

}  // namespace

std::unique_ptr<Canvas> renderTree(HWND parent) {
  RECT client{};
  GetClientRect(parent, &client);
  auto canvas = std::make_unique<Canvas>(client.right, client.bottom);
  FillRect(canvas->dc(), &client, GetSysColorBrush(COLOR_BTNFACE));
  renderChildren(parent, canvas->dc(), POINT{0, 0});
  return canvas;
}

bool saveBitmap(const Canvas& source, const std::wstring& path) {
  Canvas& canvas = const_cast<Canvas&>(source);
  const DWORD* pixels = canvas.pixels();
  if (pixels == nullptr) return false;
  const DWORD imageBytes = static_cast<DWORD>(canvas.width()) * canvas.height() * 4;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + imageBytes;
  info.biSize = sizeof info;
  info.biWidth = canvas.width();
  info.biHeight = -canvas.height();
  info.biPlanes = 1;
  info.biBitCount = 32;
  info.biCompression = BI_RGB;
  FILE* out = _wfopen(path.c_str(), L"wb");
  if (out == nullptr) return false;
  bool ok = std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&info, sizeof info, 1, out) == 1;
  // Opaque for viewers that honour the fourth byte.
  std::vector<DWORD> opaque(pixels, pixels + static_cast<std::size_t>(canvas.width()) * canvas.height());
  for (DWORD& pixel : opaque) pixel |= 0xFF000000u;
  ok = ok && std::fwrite(opaque.data(), 4, opaque.size(), out) == opaque.size();
  return std::fclose(out) == 0 && ok;
}

std::wstring screenshotPath(const std::wstring& name) {
  // bin/ sits in the build folder; the pictures go beside it.
  const std::wstring directory = moduleDirectory() + L"\\..\\screenshots";
  CreateDirectoryW(directory.c_str(), nullptr);
  return directory + L"\\" + name;
}

std::vector<char> byteString(std::string_view bytes) {
  std::vector<char> block(8 + bytes.size());
  const std::int32_t header = 1;
  const auto length = static_cast<std::int32_t>(bytes.size());
  std::memcpy(block.data(), &header, 4);
  std::memcpy(block.data() + 4, &length, 4);
  if (!bytes.empty()) std::memcpy(block.data() + 8, bytes.data(), bytes.size());
  return block;
}

namespace {

void put16(std::string& out, std::size_t at, std::uint16_t value) { std::memcpy(out.data() + at, &value, 2); }
void put32(std::string& out, std::size_t at, std::uint32_t value) { std::memcpy(out.data() + at, &value, 4); }

// The program's 62-byte prefix, then the bottom-up pixels, then a zero AND mask.
std::string iconFromBottomUp(const void* bottomUp) {
  std::string icon(4286, '\0');
  put16(icon, 2, 1);
  put16(icon, 4, 1);
  icon[6] = 32;
  icon[7] = 32;
  put16(icon, 10, 1);
  put16(icon, 12, 32);
  put32(icon, 14, 4264);
  put32(icon, 18, 22);
  put32(icon, 22, 40);
  put32(icon, 26, 32);
  put32(icon, 30, 64);
  put16(icon, 34, 1);
  put16(icon, 36, 32);
  put32(icon, 46, 3780);
  put32(icon, 50, 3780);
  std::memcpy(icon.data() + 62, bottomUp, 4096);
  return icon;
}

}  // namespace

std::string iconImage(const std::vector<std::uint32_t>& topDownBgra) {
  std::vector<std::uint32_t> bottomUp(1024, 0);
  for (int row = 0; row < 32; ++row) {
    for (int x = 0; x < 32; ++x) bottomUp[static_cast<std::size_t>((31 - row) * 32 + x)] = topDownBgra[static_cast<std::size_t>(row * 32 + x)];
  }
  return iconFromBottomUp(bottomUp.data());
}

std::string shellIconImage(const std::string& path) {
  // As the program does it: the shell's large icon drawn into a bitmap compatible with the
  // screen, copied into a 32-bit DIB.
  const HRESULT com = CoInitialize(nullptr);
  SHFILEINFOA info{};
  SHGetFileInfoA(path.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info, SHGFI_ICON);
  const UniqueIcon icon(info.hIcon);
  std::string image;
  {
    const WindowDC screen(nullptr);
    const UniqueDeviceContext drawn(CreateCompatibleDC(screen.get()));
    const UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), 32, 32));
    const ScopedSelection selectBitmap(drawn.get(), bitmap.get());
    if (icon) DrawIconEx(drawn.get(), 0, 0, icon.get(), 32, 32, 0, nullptr, DI_NORMAL);
    BITMAPINFO header{};
    header.bmiHeader.biSize = 40;
    header.bmiHeader.biWidth = 32;
    header.bmiHeader.biHeight = 32;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    const UniqueDeviceContext copy(CreateCompatibleDC(drawn.get()));
    void* bits = nullptr;
    const UniqueBitmap dib(CreateDIBSection(copy.get(), &header, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (bits != nullptr) {
      const ScopedSelection selectDib(copy.get(), dib.get());
      BitBlt(copy.get(), 0, 0, 32, 32, drawn.get(), 0, 0, SRCCOPY);
      GdiFlush();
      image = iconFromBottomUp(bits);
    }
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return image;
}

const void* captionBin(const char* gbk, int style, int height) {
  return library().CreateBinEx(gbk, kBinText, style, height);
}

}  // namespace corvalis::exui::test
