#include "tests/uilib/support.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "base/win_handles.h"

namespace corvalis::uitest {

namespace {

std::wstring joined(const std::wstring& a, const std::wstring& b) { return a + L"\\" + b; }

void makeFolders(const std::wstring& path) {
  for (std::size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
    CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
  CreateDirectoryW(path.c_str(), nullptr);
}

std::wstring windowText(HWND window) {
  wchar_t buffer[512] = {};
  GetWindowTextW(window, buffer, 512);
  return buffer;
}

struct BoxSearch {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK findBox(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<BoxSearch*>(parameter);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  wchar_t cls[64] = {};
  GetClassNameW(window, cls, 64);
  if (pid == search->pid && std::wstring(cls) == L"#32770" && IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

SeenBox readBox(HWND box) {
  SeenBox seen;
  seen.caption = windowText(box);
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t cls[64] = {};
    GetClassNameW(child, cls, 64);
    const std::wstring name = cls;
    if (_wcsicmp(name.c_str(), L"Static") == 0 && !windowText(child).empty()) seen.text = windowText(child);
    if (_wcsicmp(name.c_str(), L"Button") == 0 && IsWindowVisible(child)) seen.buttons.push_back(GetDlgCtrlID(child));
  }
  return seen;
}

}  // namespace

std::wstring programDirectory() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring directory(path);
  return directory.substr(0, directory.find_last_of(L'\\'));
}

std::wstring recordingLibrary() { return programDirectory() + L"\\testlibs\\recording\\ExuiKrnln.dll"; }
std::wstring handshakeZeroLibrary() { return programDirectory() + L"\\testlibs\\handshake-zero\\ExuiKrnln.dll"; }
std::wstring noWindowCreatorLibrary() { return programDirectory() + L"\\testlibs\\no-window\\ExuiKrnln.dll"; }
std::wstring realLibrary() { return programDirectory() + L"\\ExuiKrnln.dll"; }

ScratchFolder::ScratchFolder() {
  static std::atomic<int> counter{0};
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  std::wstring base(temp);
  if (!base.empty() && base.back() == L'\\') base.pop_back();
  path_ = base + L"\\corvalis-uilib-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(counter.fetch_add(1));
  removeTree(path_);
  makeFolders(path_);
}

ScratchFolder::~ScratchFolder() { removeTree(path_); }

std::wstring ScratchFolder::place(const std::wstring& relative) const {
  const std::wstring full = joined(path_, relative);
  makeFolders(full.substr(0, full.find_last_of(L'\\')));
  return full;
}

bool copyInto(const std::wstring& source, const std::wstring& target) {
  return CopyFileW(source.c_str(), target.c_str(), FALSE) != FALSE;
}

bool writeBytes(const std::wstring& path, std::string_view bytes) {
  UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

void removeTree(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring full = joined(path, name);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        removeTree(full);
      else
        DeleteFileW(full.c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(path.c_str());
}

FileAt::FileAt(std::wstring path, std::string_view bytes) : path_(std::move(path)), written_(writeBytes(path_, bytes)) {}

FileAt::~FileAt() { DeleteFileW(path_.c_str()); }

std::string ProbeRun::value(std::string_view key) const {
  const std::string wanted = std::string(key) + "=";
  for (const std::string& line : lines(wanted)) return line.substr(wanted.size());
  return {};
}

std::vector<std::string> ProbeRun::lines(std::string_view prefix) const {
  std::vector<std::string> found;
  std::size_t start = 0;
  while (start < output.size()) {
    std::size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    std::string line = output.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind(prefix, 0) == 0) found.push_back(line);
    start = end + 1;
  }
  return found;
}

ProbeRun runProbe(const std::wstring& folder, const std::wstring& workingDirectory, const std::wstring& arguments,
                  DWORD timeoutMs) {
  ProbeRun run;
  const std::wstring exe = joined(folder, L"uilib_probe.exe");
  if (!copyInto(programDirectory() + L"\\uilib_probe.exe", exe)) return run;
  const std::wstring outputPath = joined(folder, L"probe-output.txt");

  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  UniqueFileHandle output(CreateFileW(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!output) return run;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = output.get();
  startup.hStdError = output.get();
  PROCESS_INFORMATION info{};
  std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, workingDirectory.c_str(),
                      &startup, &info))
    return run;
  run.started = true;
  UniqueKernelHandle process(info.hProcess);
  UniqueKernelHandle thread(info.hThread);
  output.reset();

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (WaitForSingleObject(process.get(), 50) == WAIT_TIMEOUT) {
    if (std::chrono::steady_clock::now() > deadline) {
      TerminateProcess(process.get(), 99);
      WaitForSingleObject(process.get(), 5000);
      break;
    }
    BoxSearch search{info.dwProcessId, nullptr};
    EnumWindows(findBox, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) continue;
    // Give the box a moment to fill in its text, then answer it once.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    run.boxes.push_back(readBox(search.found));
    PostMessageW(search.found, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 100 && IsWindow(search.found) && IsWindowVisible(search.found); ++i) Sleep(20);
  }
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  run.exitCode = code;
  run.finished = code != STILL_ACTIVE && code != 99;

  UniqueFileHandle input(CreateFileW(outputPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (input) {
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(input.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) run.output.append(buffer, read);
  }
  return run;
}

std::string narrow(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                       nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

std::wstring fromCodePage936(std::string_view text) {
  if (text.empty()) return {};
  const int size = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

}  // namespace corvalis::uitest
