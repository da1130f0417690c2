#include "app/file_io.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

#include "base/wide_text.h"
#include "base/win_handles.h"

namespace corvalis {

namespace {

// Largest file read whole: the size must fit a 32-bit process's address space with
// room to spare, and a DWORD for ReadFile.
constexpr std::uint64_t kMaxReadSize = 0x40000000;  // 1 GiB

// Largest piece handed to one WriteFile call.
constexpr std::size_t kMaxWriteChunk = 1u << 20;

bool writeAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(bytes.size() < kMaxWriteChunk ? bytes.size() : kMaxWriteChunk);
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

// Replacing a file fails while another program holds it or its new copy open, and
// some open every file that appears in a folder they watch, for a moment: virus
// scanners, indexers, sync clients, and Wine's virtual desktop (under Wine often the
// documents folder is the desktop's too; there about one replacement in ten failed).
// A write is therefore tried a few times, a short pause apart, each time from a new
// temporary file.
constexpr int kWriteAttempts = 5;
constexpr DWORD kWriteRetryMilliseconds = 50;

// The temporary files this process is writing right now: the clean-up of leftovers
// must not take them.
std::mutex inFlightLock;
std::set<std::wstring> inFlight;

// A name next to the target, unique for this process and call, so that the final
// rename stays within one folder (and one volume): "<target>.<process>-<n>.tmp".
std::wstring temporaryNameFor(const std::wstring& target) {
  static std::atomic<unsigned> counter{0};
  return target + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(counter.fetch_add(1) + 1) + L".tmp";
}

bool allDigits(std::wstring_view text) {
  if (text.empty()) return false;
  for (wchar_t c : text)
    if (c < L'0' || c > L'9') return false;
  return true;
}

// Whether `name` is "<targetName>.<digits>-<digits>.tmp": a temporary file of ours.
bool isTemporaryNameOf(std::wstring_view name, std::wstring_view targetName) {
  constexpr std::wstring_view kSuffix = L".tmp";
  if (name.size() <= targetName.size() + 1 + kSuffix.size()) return false;
  if (name.substr(0, targetName.size()) != targetName || name[targetName.size()] != L'.') return false;
  if (name.substr(name.size() - kSuffix.size()) != kSuffix) return false;
  const std::wstring_view middle =
      name.substr(targetName.size() + 1, name.size() - targetName.size() - 1 - kSuffix.size());
  const std::size_t dash = middle.find(L'-');
  return dash != std::wstring_view::npos && allDigits(middle.substr(0, dash)) && allDigits(middle.substr(dash + 1));
}

// Removes the temporary files that earlier writes of `target` left behind: a process
// killed between writing and renaming, or a delete that failed. One still open in
// another process cannot be deleted and stays.
void removeLeftoverTemporaries(const std::wstring& target) {
  const std::size_t slash = target.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? std::wstring() : target.substr(0, slash + 1);
  const std::wstring targetName = slash == std::wstring::npos ? target : target.substr(slash + 1);
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW((target + L".*.tmp").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
    if (!isTemporaryNameOf(found.cFileName, targetName)) continue;
    const std::wstring leftover = folder + found.cFileName;
    std::lock_guard<std::mutex> guard(inFlightLock);
    if (inFlight.count(leftover) == 0) DeleteFileW(leftover.c_str());
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

// One try: the content into a new temporary file, flushed, then renamed over the
// target. The temporary file is gone afterwards unless even its deletion failed.
bool writeOnce(const std::wstring& target, std::span<const std::string_view> parts) {
  const std::wstring temporary = temporaryNameFor(target);
  {
    std::lock_guard<std::mutex> guard(inFlightLock);
    inFlight.insert(temporary);
  }
  bool written = false;
  {
    const UniqueFileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
      written = true;
      for (std::string_view part : parts) {
        if (!writeAll(file.get(), part)) {
          written = false;
          break;
        }
      }
      // The data must be on disk before the rename makes it the file's content;
      // otherwise a crash could leave the new name pointing at empty blocks.
      if (written && !FlushFileBuffers(file.get())) written = false;
    }
  }
  const bool replaced =
      written &&
      MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!replaced) DeleteFileW(temporary.c_str());
  std::lock_guard<std::mutex> guard(inFlightLock);
  inFlight.erase(temporary);
  return replaced;
}

}  // namespace

FileReadOutcome outcomeOfFailedOpen(unsigned long error, bool fileExists) {
  if (fileExists) return FileReadOutcome::busy;
  switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      // Held so firmly that not even its attributes could be read: it is there.
      return FileReadOutcome::busy;
    default:
      return FileReadOutcome::missing;
  }
}

FileRead readFileOnce(std::string_view path) {
  const std::wstring widePath = toWideText(path);
  if (widePath.empty()) return FileRead{};
  const UniqueFileHandle file(CreateFileW(widePath.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesW(widePath.c_str());
    const bool isFile = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    return FileRead{outcomeOfFailedOpen(error, isFile), ByteString()};
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return FileRead{FileReadOutcome::busy, ByteString()};
  // Larger than any file this program writes, and than a 32-bit process can hold: it
  // is left alone as a file that cannot be read now, never taken for a damaged one.
  if (static_cast<std::uint64_t>(size.QuadPart) > kMaxReadSize) return FileRead{FileReadOutcome::busy, ByteString()};
  ByteString content(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t filled = 0;
  // Never ask for more than is left of the block: another writer may shorten the file
  // while it is read.
  while (filled < content.size()) {
    const DWORD request = static_cast<DWORD>(content.size() - filled);
    DWORD got = 0;
    // A region locked by another program fails the read: try again later.
    if (!ReadFile(file.get(), content.data() + filled, request, &got, nullptr))
      return FileRead{FileReadOutcome::busy, ByteString()};
    if (got == 0) break;
    filled += got;
  }
  content.resize(filled);
  return FileRead{FileReadOutcome::read, std::move(content)};
}

FileRead readFile(std::string_view path, unsigned patienceMilliseconds) {
  constexpr DWORD kPause = 100;
  FileRead result = readFileOnce(path);
  for (unsigned waited = 0; result.outcome == FileReadOutcome::busy && waited < patienceMilliseconds;
       waited += kPause) {
    Sleep(kPause);
    result = readFileOnce(path);
  }
  return result;
}

ByteString readWholeFile(std::string_view path) { return readFileOnce(path).bytes; }

bool writeWholeFile(std::string_view path, std::span<const std::string_view> parts) {
  if (path.empty()) return false;
  const std::wstring target = toWideText(path);
  if (target.empty()) return false;
  removeLeftoverTemporaries(target);
  for (int attempt = 1;; ++attempt) {
    if (writeOnce(target, parts)) return true;
    if (attempt == kWriteAttempts) break;
    // A plain pause, not a responsive one: a message handled meanwhile could write a
    // newer content, which this older one would then overwrite.
    Sleep(kWriteRetryMilliseconds);
  }
  // A temporary file whose deletion failed during the tries goes now, if it can.
  removeLeftoverTemporaries(target);
  return false;
}

bool writeWholeFile(std::string_view path, std::initializer_list<std::string_view> parts) {
  return writeWholeFile(path, std::span<const std::string_view>(parts.begin(), parts.size()));
}

}  // namespace corvalis
