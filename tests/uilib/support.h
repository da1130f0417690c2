// What the bridge's tests share: where the test programs and the stand-in libraries
// are, scratch folders, and a probe process started and watched from the outside,
// with its message boxes answered as a user would.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvalis::uitest {

// The folder of the running test program (build/bin).
std::wstring programDirectory();
// The stand-in library variants, built beside the tests.
std::wstring recordingLibrary();
std::wstring handshakeZeroLibrary();
std::wstring noWindowCreatorLibrary();
// The real control layer beside the tests.
std::wstring realLibrary();

// A new empty folder under the temporary folder, removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::wstring& path() const { return path_; }
  // path() + "\\" + relative, with the folders on the way made.
  std::wstring place(const std::wstring& relative) const;

 private:
  std::wstring path_;
};

bool copyInto(const std::wstring& source, const std::wstring& target);
bool writeBytes(const std::wstring& path, std::string_view bytes);
void removeTree(const std::wstring& path);

// A file that exists while the owner lives (written at construction, deleted after).
class FileAt {
 public:
  FileAt(std::wstring path, std::string_view bytes);
  ~FileAt();
  FileAt(const FileAt&) = delete;
  FileAt& operator=(const FileAt&) = delete;
  bool written() const { return written_; }

 private:
  std::wstring path_;
  bool written_;
};

struct SeenBox {
  std::wstring caption;
  std::wstring text;
  std::vector<int> buttons;  // control identifiers of the visible buttons
};

struct ProbeRun {
  bool started = false;
  bool finished = false;
  DWORD exitCode = 0;
  std::string output;
  std::vector<SeenBox> boxes;  // each answered with OK
  // The value after "key=" on the first line that has it.
  std::string value(std::string_view key) const;
  std::vector<std::string> lines(std::string_view prefix) const;
};

// Copies uilib_probe.exe into `folder`, starts it there with `arguments` in the
// current directory `workingDirectory` and waits (answering message boxes) until it
// ends or `timeoutMs` has passed (then it is ended).
ProbeRun runProbe(const std::wstring& folder, const std::wstring& workingDirectory, const std::wstring& arguments,
                  DWORD timeoutMs = 60000);

std::string narrow(const std::wstring& text);  // through the ANSI code page
std::wstring fromCodePage936(std::string_view text);

}  // namespace corvalis::uitest
