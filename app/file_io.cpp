#include "app/file_io.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "app/wide_text.h"
#include "app/win_handles.h"

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

// A name next to the target, unique for this process and call, so that the final
// rename stays within one folder (and one volume).
std::wstring temporaryNameFor(const std::wstring& target) {
  static std::atomic<unsigned> counter{0};
  return target + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(counter.fetch_add(1) + 1) + L".tmp";
}

}  // namespace

ByteString readWholeFile(std::string_view path) {
  const std::wstring widePath = toWideText(path);
  if (widePath.empty()) return ByteString();
  const UniqueFileHandle file(CreateFileW(widePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return ByteString();
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 ||
      static_cast<std::uint64_t>(size.QuadPart) > kMaxReadSize) {
    return ByteString();
  }
  ByteString content(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t filled = 0;
  // Never ask for more than is left of the block: the file may be shorter by now
  // (others may not write, but they may have had it open for writing before us).
  while (filled < content.size()) {
    const DWORD request = static_cast<DWORD>(content.size() - filled);
    DWORD got = 0;
    if (!ReadFile(file.get(), content.data() + filled, request, &got, nullptr)) return ByteString();
    if (got == 0) break;
    filled += got;
  }
  content.resize(filled);
  return content;
}

bool writeWholeFile(std::string_view path, std::span<const std::string_view> parts) {
  if (path.empty()) return false;
  const std::wstring target = toWideText(path);
  if (target.empty()) return false;
  const std::wstring temporary = temporaryNameFor(target);

  bool written = false;
  {
    const UniqueFileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
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
  if (written &&
      MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  DeleteFileW(temporary.c_str());
  return false;
}

bool writeWholeFile(std::string_view path, std::initializer_list<std::string_view> parts) {
  return writeWholeFile(path, std::span<const std::string_view>(parts.begin(), parts.size()));
}

}  // namespace corvalis
