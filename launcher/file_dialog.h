// The open-file dialog through which the user picks a file to add.
#pragma once

#include <windows.h>

#include <string_view>

#include "app/text.h"

namespace corvalis {

// "打开文件" and "所有文件(*.*)|*.*": the dialog's title and filter when none is given.
inline constexpr std::string_view kDefaultOpenTitle = "\xB4\xF2\xBF\xAA\xCE\xC4\xBC\xFE";
inline constexpr std::string_view kDefaultOpenFilter = "\xCB\xF9\xD3\xD0\xCE\xC4\xBC\xFE(*.*)|*.*";

struct OpenFileRequest {
  HWND owner = nullptr;
  Text title;             // empty: kDefaultOpenTitle
  Text filter;            // "description|pattern|..."; empty: kDefaultOpenFilter
  Text initialDirectory;  // empty: the current directory
  // Off: the current directory is restored after the dialog - to `homeDirectory` when
  // one is given, else to the directory found before the dialog.
  bool keepDirectory = false;
  // The program's own folder, copied in by the caller: the dialog may run on a thread
  // of its own, which must touch nothing of the program's while it ends.
  Text homeDirectory;
};

// The filter as the dialog takes it: the parts between the "|" each followed by one
// zero byte, the last by two. A "|" that is the second byte of a two-byte character
// does not split.
ByteString dialogFilter(std::string_view filter);

// Shows the dialog (one existing or typed file, no further checks) and answers the
// chosen path, empty when the user cancelled or the dialog failed.
Text openFileDialog(const OpenFileRequest& request);

}  // namespace corvalis
