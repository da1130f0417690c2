#include "launcher/file_dialog.h"

#include <commdlg.h>

#include <cstddef>

#include "app/current_directory.h"

namespace corvalis {

namespace {

constexpr DWORD kFileBufferSize = 512;  // characters the dialog may write, the terminator aside

// The dialog record as Windows 2000 defined it (no pvReserved, dwReserved, FlagsEx):
// it ends with lpTemplateName.
constexpr DWORD kDialogRecordSize =
    static_cast<DWORD>(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(OPENFILENAMEA::lpTemplateName));
#if defined(__i386__)
static_assert(kDialogRecordSize == 76);
#endif

}  // namespace

ByteString dialogFilter(std::string_view filter) {
  ByteString result;
  for (const Text& part : splitText(filter, "|")) {
    result += part;
    result.push_back('\0');
  }
  if (result.empty()) result.push_back('\0');
  result.push_back('\0');
  return result;
}

Text openFileDialog(const OpenFileRequest& request) {
  const Text savedDirectory = currentDirectory();
  const ByteString filter = dialogFilter(request.filter.empty() ? kDefaultOpenFilter : request.filter);
  char customFilter[1] = {'\0'};
  char file[kFileBufferSize + 1] = {};
  Text fileTitle = spaceText(static_cast<int>(kFileBufferSize));
  const Text& initialDirectory = request.initialDirectory.empty() ? savedDirectory : request.initialDirectory;
  const Text title(request.title.empty() ? kDefaultOpenTitle : std::string_view(request.title));

  OPENFILENAMEA dialog{};
  dialog.lStructSize = kDialogRecordSize;
  dialog.hwndOwner = request.owner;
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrCustomFilter = customFilter;
  dialog.nMaxCustFilter = 0;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file;
  dialog.nMaxFile = kFileBufferSize;
  dialog.lpstrFileTitle = fileTitle.data();
  dialog.nMaxFileTitle = kFileBufferSize;
  dialog.lpstrInitialDir = initialDirectory.empty() ? nullptr : initialDirectory.c_str();
  dialog.lpstrTitle = title.c_str();
  dialog.Flags = 0;

  const bool chosen = GetOpenFileNameA(&dialog) != FALSE;
  // Browsing moves the process's current directory; relative paths and launched
  // programs must not follow it. The program's own folder, not the one found before:
  // with two dialogs open at once, that could be the other one's browsed folder.
  if (!request.keepDirectory) {
    const Text& home = request.homeDirectory.empty() ? savedDirectory : request.homeDirectory;
    if (!home.empty()) changeDirectory(home);
  }
  if (!chosen) return Text();
  file[kFileBufferSize] = '\0';
  return Text(file);
}

}  // namespace corvalis
