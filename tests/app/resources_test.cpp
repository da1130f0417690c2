// The resources built into corvalisbar.exe and ExuiKrnln.dll, read from the built files the way
// the loader and Explorer read them: the manifest, the version resources and the icon.
// The files' paths come from the environment (CORVALIS_EXE, CORVALIS_DLL).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

std::wstring pathFromEnvironment(const wchar_t* name) {
  wchar_t buffer[MAX_PATH * 2];
  const DWORD length = GetEnvironmentVariableW(name, buffer, MAX_PATH * 2);
  if (length == 0 || length >= MAX_PATH * 2) return {};
  std::wstring path(buffer, length);
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

// Resource types and the manifest's id, as numbers (the SDK's macros follow UNICODE).
constexpr WORD kTypeIcon = 3, kTypeGroupIcon = 14, kTypeManifest = 24;
constexpr WORD kProcessManifestId = 1;

std::wstring exePath() { return pathFromEnvironment(L"CORVALIS_EXE"); }
std::wstring dllPath() { return pathFromEnvironment(L"CORVALIS_DLL"); }

// The file mapped for its resources only: nothing of it runs.
class DataFile {
 public:
  explicit DataFile(const std::wstring& path)
      : module_(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
  ~DataFile() {
    if (module_) FreeLibrary(module_);
  }
  DataFile(const DataFile&) = delete;
  DataFile& operator=(const DataFile&) = delete;
  HMODULE get() const { return module_; }

  // The bytes of one resource; empty when it is missing.
  std::string resource(WORD type, WORD id) const {
    const HRSRC info = FindResourceW(module_, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(type));
    if (!info) return {};
    const HGLOBAL loaded = LoadResource(module_, info);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return {};
    return std::string(static_cast<const char*>(bytes), SizeofResource(module_, info));
  }

 private:
  HMODULE module_;
};

// ---- The manifest, read as XML ----------------------------------------------------------

struct Element {
  std::string name;
  std::map<std::string, std::string> attributes;
  std::string text;      // character data directly inside, trimmed
  std::string path;      // names from the root down, "/"-separated
  std::string xmlns;     // the default namespace in effect
};

std::string trimmed(const std::string& s) {
  const auto begin = s.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return {};
  return s.substr(begin, s.find_last_not_of(" \t\r\n") - begin + 1);
}

// A small reader for the manifest's XML: elements, attributes and text; comments and the
// declaration skipped. Fails (returns false) on anything unbalanced or cut short.
bool parseXml(const std::string& xml, std::vector<Element>& out, std::string& error) {
  struct Open {
    size_t index;
    std::string xmlns;
  };
  std::vector<Open> stack;
  size_t i = 0;
  bool sawRoot = false;
  while (i < xml.size()) {
    const size_t lt = xml.find('<', i);
    const std::string text = xml.substr(i, (lt == std::string::npos ? xml.size() : lt) - i);
    if (!trimmed(text).empty()) {
      if (stack.empty()) return error = "text outside the root element", false;
      out[stack.back().index].text += trimmed(text);
    }
    if (lt == std::string::npos) break;
    if (xml.compare(lt, 4, "<!--") == 0) {
      const size_t end = xml.find("-->", lt + 4);
      if (end == std::string::npos) return error = "unterminated comment", false;
      i = end + 3;
      continue;
    }
    if (xml.compare(lt, 2, "<?") == 0) {
      if (lt != 0) return error = "declaration not at the very start", false;
      const size_t end = xml.find("?>", lt);
      if (end == std::string::npos) return error = "unterminated declaration", false;
      i = end + 2;
      continue;
    }
    const size_t gt = xml.find('>', lt);
    if (gt == std::string::npos) return error = "unterminated tag", false;
    std::string tag = xml.substr(lt + 1, gt - lt - 1);
    i = gt + 1;
    if (!tag.empty() && tag[0] == '/') {
      const std::string name = trimmed(tag.substr(1));
      if (stack.empty() || out[stack.back().index].name != name) return error = "unbalanced </" + name + ">", false;
      stack.pop_back();
      continue;
    }
    const bool selfClosing = !tag.empty() && tag.back() == '/';
    if (selfClosing) tag.pop_back();
    Element element;
    size_t p = tag.find_first_of(" \t\r\n");
    element.name = tag.substr(0, p);
    if (element.name.empty()) return error = "empty tag name", false;
    while (p != std::string::npos && p < tag.size()) {
      p = tag.find_first_not_of(" \t\r\n", p);
      if (p == std::string::npos) break;
      const size_t eq = tag.find('=', p);
      if (eq == std::string::npos || eq + 1 >= tag.size() || tag[eq + 1] != '"')
        return error = "malformed attribute in <" + element.name + ">", false;
      const size_t close = tag.find('"', eq + 2);
      if (close == std::string::npos) return error = "unterminated attribute value", false;
      const std::string key = trimmed(tag.substr(p, eq - p));
      if (element.attributes.count(key)) return error = "attribute " + key + " given twice", false;
      element.attributes[key] = tag.substr(eq + 2, close - eq - 2);
      p = close + 1;
    }
    if (stack.empty()) {
      if (sawRoot) return error = "a second root element", false;
      sawRoot = true;
    }
    element.path = stack.empty() ? element.name : out[stack.back().index].path + "/" + element.name;
    const auto ns = element.attributes.find("xmlns");
    element.xmlns = ns != element.attributes.end() ? ns->second : (stack.empty() ? "" : stack.back().xmlns);
    out.push_back(element);
    if (!selfClosing) stack.push_back({out.size() - 1, out.back().xmlns});
  }
  if (!stack.empty()) return error = "<" + out[stack.back().index].name + "> never closed", false;
  if (!sawRoot) return error = "no root element", false;
  return true;
}

class Manifest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(exePath().empty()) << "CORVALIS_EXE is not set";
    DataFile exe(exePath());
    ASSERT_NE(exe.get(), nullptr) << "cannot map the program, error " << GetLastError();
    text_ = exe.resource(kTypeManifest, kProcessManifestId);
    ASSERT_FALSE(text_.empty()) << "no RT_MANIFEST resource 1";
    std::string error;
    ASSERT_TRUE(parseXml(text_, elements_, error)) << error;
  }

  std::vector<const Element*> all(const std::string& path) const {
    std::vector<const Element*> found;
    for (const Element& e : elements_)
      if (e.path == path) found.push_back(&e);
    return found;
  }
  const Element* one(const std::string& path) const {
    const auto found = all(path);
    return found.size() == 1 ? found[0] : nullptr;
  }

  std::string text_;
  std::vector<Element> elements_;
};

TEST_F(Manifest, IsAnAssemblyManifestVersion1) {
  EXPECT_EQ(text_.rfind("<?xml", 0), 0u);
  const Element* root = one("assembly");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->xmlns, "urn:schemas-microsoft-com:asm.v1");
  EXPECT_EQ(root->attributes.at("manifestVersion"), "1.0");
  const Element* identity = one("assembly/assemblyIdentity");
  ASSERT_NE(identity, nullptr);
  EXPECT_EQ(identity->attributes.at("name"), "corvalisbar");
  EXPECT_EQ(identity->attributes.at("version"), CORVALIS_VERSION_TEXT ".0");
}

TEST_F(Manifest, DeclaresPerMonitorV2WithTheOlderPerMonitorFallback) {
  const Element* awareness = one("assembly/application/windowsSettings/dpiAwareness");
  ASSERT_NE(awareness, nullptr);
  EXPECT_EQ(awareness->xmlns, "http://schemas.microsoft.com/SMI/2016/WindowsSettings");
  EXPECT_EQ(awareness->text, "PerMonitorV2");
  const Element* aware = one("assembly/application/windowsSettings/dpiAware");
  ASSERT_NE(aware, nullptr);
  EXPECT_EQ(aware->xmlns, "http://schemas.microsoft.com/SMI/2005/WindowsSettings");
  EXPECT_EQ(aware->text, "true/pm");
  const Element* application = one("assembly/application");
  ASSERT_NE(application, nullptr);
  EXPECT_EQ(application->xmlns, "urn:schemas-microsoft-com:asm.v3");
}

TEST_F(Manifest, DependsOnCommonControls6) {
  const auto identities = all("assembly/dependency/dependentAssembly/assemblyIdentity");
  ASSERT_EQ(identities.size(), 1u);
  const auto& a = identities[0]->attributes;
  EXPECT_EQ(a.at("type"), "win32");
  EXPECT_EQ(a.at("name"), "Microsoft.Windows.Common-Controls");
  EXPECT_EQ(a.at("version"), "6.0.0.0");
  EXPECT_EQ(a.at("processorArchitecture"), "*");
  EXPECT_EQ(a.at("publicKeyToken"), "6595b64144ccf1df");
}

TEST_F(Manifest, SupportsWindows7To11) {
  const Element* compatibility = one("assembly/compatibility");
  ASSERT_NE(compatibility, nullptr);
  EXPECT_EQ(compatibility->xmlns, "urn:schemas-microsoft-com:compatibility.v1");
  std::set<std::string> ids;
  for (const Element* os : all("assembly/compatibility/application/supportedOS")) ids.insert(os->attributes.at("Id"));
  const std::set<std::string> expected = {
      "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
      "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
      "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
      "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10 and 11
  };
  EXPECT_EQ(ids, expected);
}

TEST_F(Manifest, RunsAsInvokerWithoutUiAccess) {
  const Element* trust = one("assembly/trustInfo");
  ASSERT_NE(trust, nullptr);
  EXPECT_EQ(trust->xmlns, "urn:schemas-microsoft-com:asm.v3");
  const Element* level = one("assembly/trustInfo/security/requestedPrivileges/requestedExecutionLevel");
  ASSERT_NE(level, nullptr);
  EXPECT_EQ(level->attributes.at("level"), "asInvoker");
  EXPECT_EQ(level->attributes.at("uiAccess"), "false");
}

TEST_F(Manifest, LeavesTheCodePageToTheSystem) {
  for (const Element& e : elements_) EXPECT_NE(e.name, "activeCodePage") << e.path;
  std::string lower = text_;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  EXPECT_EQ(lower.find("activecodepage"), std::string::npos);
}

// The side-by-side loader itself accepts the manifest: an activation context is made from it
// (a malformed or wrongly namespaced manifest makes the loader refuse to start the program).
TEST(ManifestLoading, TheLoaderMakesAnActivationContextFromIt) {
  const std::wstring path = exePath();
  ASSERT_FALSE(path.empty()) << "CORVALIS_EXE is not set";
  ACTCTXW request{};
  request.cbSize = sizeof request;
  request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.lpSource = path.c_str();
  request.lpResourceName = MAKEINTRESOURCEW(kProcessManifestId);
  const HANDLE context = CreateActCtxW(&request);
  ASSERT_NE(context, INVALID_HANDLE_VALUE) << "error " << GetLastError();
  ReleaseActCtx(context);
}

// ---- Version resources --------------------------------------------------------------------

class VersionInfo {
 public:
  explicit VersionInfo(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return;
    data_.resize(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data_.data())) data_.clear();
  }
  bool present() const { return !data_.empty(); }

  const VS_FIXEDFILEINFO* fixed() const {
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data_.data(), L"\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) return nullptr;
    return static_cast<const VS_FIXEDFILEINFO*>(value);
  }
  std::vector<std::pair<WORD, WORD>> translations() const {
    void* value = nullptr;
    UINT length = 0;
    std::vector<std::pair<WORD, WORD>> out;
    if (!VerQueryValueW(data_.data(), L"\\VarFileInfo\\Translation", &value, &length)) return out;
    const WORD* words = static_cast<const WORD*>(value);
    for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2) out.emplace_back(words[i], words[i + 1]);
    return out;
  }
  // One string of the U.S. English / Unicode table, as ASCII; "<missing>" when absent.
  std::string string(const wchar_t* key) const {
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + key;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data_.data(), query.c_str(), &value, &length) || !value) return "<missing>";
    std::string out;
    for (const wchar_t* c = static_cast<const wchar_t*>(value); *c; ++c) out += *c < 0x80 ? char(*c) : '?';
    return out;
  }

 private:
  std::vector<unsigned char> data_;
};

void expectProductVersion(const std::wstring& path, DWORD fileType, const std::string& fileName) {
  ASSERT_FALSE(path.empty()) << "path not set";
  const VersionInfo info(path);
  ASSERT_TRUE(info.present()) << "no version resource";
  const VS_FIXEDFILEINFO* fixed = info.fixed();
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, DWORD(MAKELONG(CORVALIS_VERSION_MINOR, CORVALIS_VERSION_MAJOR)));
  EXPECT_EQ(fixed->dwFileVersionLS, DWORD(MAKELONG(0, CORVALIS_VERSION_PATCH)));
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
  EXPECT_EQ(fixed->dwFileType, fileType);
  EXPECT_EQ(fixed->dwFileOS, DWORD(VOS_NT_WINDOWS32));
  EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u);

  const auto translations = info.translations();
  ASSERT_EQ(translations.size(), 1u);
  EXPECT_EQ(translations[0].first, 0x0409);
  EXPECT_EQ(translations[0].second, 1200);

  EXPECT_EQ(info.string(L"ProductName"), "corvalisbar");
  EXPECT_EQ(info.string(L"FileVersion"), CORVALIS_VERSION_TEXT);
  EXPECT_EQ(info.string(L"ProductVersion"), CORVALIS_VERSION_TEXT);
  EXPECT_EQ(info.string(L"OriginalFilename"), fileName);
}

TEST(VersionResource, ProgramCarriesTheBuildsVersion) {
  expectProductVersion(exePath(), VFT_APP, "corvalisbar.exe");
  EXPECT_EQ(VersionInfo(exePath()).string(L"FileDescription"), "corvalisbar launcher bar");
}

TEST(VersionResource, ControlLibraryCarriesTheBuildsVersion) {
  expectProductVersion(dllPath(), VFT_DLL, "ExuiKrnln.dll");
  EXPECT_EQ(VersionInfo(dllPath()).string(L"FileDescription"), "corvalisbar UI control library");
}

// ---- The icon --------------------------------------------------------------------------

#pragma pack(push, 2)
struct GroupIconHeader {
  WORD reserved, type, count;
};
struct GroupIconEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)
static_assert(sizeof(GroupIconEntry) == 14);

class ProgramIcon : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(exePath().empty()) << "CORVALIS_EXE is not set";
    ASSERT_NE(exe_.get(), nullptr);
    group_ = exe_.resource(kTypeGroupIcon, 1);
    ASSERT_GE(group_.size(), sizeof(GroupIconHeader)) << "no icon group 1";
    GroupIconHeader header;
    std::memcpy(&header, group_.data(), sizeof header);
    ASSERT_EQ(header.type, 1);
    ASSERT_EQ(group_.size(), sizeof header + header.count * sizeof(GroupIconEntry));
    for (WORD i = 0; i < header.count; ++i) {
      GroupIconEntry entry;
      std::memcpy(&entry, group_.data() + sizeof header + i * sizeof entry, sizeof entry);
      entries_[entry.width == 0 ? 256 : entry.width] = entry;
    }
  }
  std::string image(int size) const {
    return exe_.resource(kTypeIcon, entries_.at(size).id);
  }

  DataFile exe_{exePath()};
  std::string group_;
  std::map<int, GroupIconEntry> entries_;
};

TEST_F(ProgramIcon, HasEverySizeIn32Bits) {
  std::set<int> sizes;
  for (const auto& [size, entry] : entries_) {
    sizes.insert(size);
    EXPECT_EQ(entry.width, entry.height) << size;
    EXPECT_EQ(entry.bitCount, 32) << size;
    EXPECT_EQ(entry.planes, 1) << size;
    EXPECT_EQ(image(size).size(), entry.bytes) << "the image of " << size << " px differs from its entry";
  }
  EXPECT_EQ(sizes, (std::set<int>{16, 24, 32, 48, 256}));
}

TEST_F(ProgramIcon, TheLargestIsAPng) {
  ASSERT_TRUE(entries_.count(256));
  const std::string png = image(256);
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  auto be32 = [&](size_t at) {
    return (uint32_t(uint8_t(png[at])) << 24) | (uint32_t(uint8_t(png[at + 1])) << 16) |
           (uint32_t(uint8_t(png[at + 2])) << 8) | uint8_t(png[at + 3]);
  };
  EXPECT_EQ(png.substr(12, 4), "IHDR");
  EXPECT_EQ(be32(16), 256u);
  EXPECT_EQ(be32(20), 256u);
}

// Each bitmap: 32-bpp, height doubled for the mask, a picture that is partly opaque and partly
// clear, and an AND mask that is set exactly where the picture is clear.
TEST_F(ProgramIcon, BitmapsHaveAlphaAndAMatchingMask) {
  for (int size : {16, 24, 32, 48}) {
    ASSERT_TRUE(entries_.count(size)) << size;
    const std::string bytes = image(size);
    BITMAPINFOHEADER header;
    ASSERT_GE(bytes.size(), sizeof header);
    std::memcpy(&header, bytes.data(), sizeof header);
    EXPECT_EQ(header.biWidth, size);
    EXPECT_EQ(header.biHeight, 2 * size);
    EXPECT_EQ(header.biBitCount, 32);
    EXPECT_EQ(header.biCompression, DWORD(BI_RGB));
    const size_t colour = size_t(size) * size * 4, stride = ((size + 31) / 32) * 4;
    ASSERT_EQ(bytes.size(), header.biSize + colour + stride * size) << size;
    const unsigned char* pixels = reinterpret_cast<const unsigned char*>(bytes.data()) + header.biSize;
    const unsigned char* mask = pixels + colour;
    int opaque = 0, clear = 0, mismatched = 0;
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        const unsigned alpha = pixels[(y * size + x) * 4 + 3];
        opaque += alpha == 255;
        clear += alpha == 0;
        const bool masked = mask[y * stride + x / 8] & (0x80 >> (x % 8));
        mismatched += masked != (alpha == 0);
      }
    }
    EXPECT_GT(opaque, size * size / 3) << size;
    EXPECT_GT(clear, 0) << size;
    EXPECT_EQ(mismatched, 0) << size;
  }
}

// Windows picks the 32-px image for a 32-px icon and builds an icon of that size from it.
TEST_F(ProgramIcon, TheSystemPicksAndDecodesThe32PixelImage) {
  ASSERT_TRUE(entries_.count(32));
  const int id = LookupIconIdFromDirectoryEx(reinterpret_cast<PBYTE>(group_.data()), TRUE, 32, 32, LR_DEFAULTCOLOR);
  EXPECT_EQ(id, entries_.at(32).id);
  std::string bits = image(32);
  const HICON icon = CreateIconFromResourceEx(reinterpret_cast<PBYTE>(bits.data()), DWORD(bits.size()), TRUE,
                                              0x00030000, 32, 32, LR_DEFAULTCOLOR);
  ASSERT_NE(icon, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  BITMAP bitmap{};
  ASSERT_TRUE(GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap));
  EXPECT_EQ(bitmap.bmWidth, 32);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  DestroyIcon(icon);
}

}  // namespace
