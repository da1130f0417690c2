// Reading and writing whole files. Paths are GBK texts; the files are opened
// through the wide API with the path converted from code page 936.
#pragma once

#include <initializer_list>
#include <span>
#include <string_view>

#include "app/text.h"

namespace corvalis {

// What one read of a whole file found.
enum class FileReadOutcome {
  read,     // `bytes` is the whole file (empty for an empty file)
  missing,  // there is no such file (or the path names a folder)
  busy,     // the file is there but could not be opened or read just now: another
            // program holds it (a sync client, a scanner, a backup), or access is denied
};

struct FileRead {
  FileReadOutcome outcome = FileReadOutcome::missing;
  ByteString bytes;
};

// How a failed open is to be taken, from its error code and whether a file of that
// name exists: a file that is there is never "missing", whatever the error.
FileReadOutcome outcomeOfFailedOpen(unsigned long error, bool fileExists);

// Reads the whole file in one try. Others may go on reading, writing and deleting it
// meanwhile: files are replaced whole by a rename, so a read sees one whole version.
FileRead readFileOnce(std::string_view path);

// As readFileOnce, tried again every 100 ms for up to `patienceMilliseconds` while the
// file is busy (a plain wait: nothing else runs meanwhile).
FileRead readFile(std::string_view path, unsigned patienceMilliseconds);

// The bytes of readFileOnce; empty when the file is missing, empty or busy.
ByteString readWholeFile(std::string_view path);

// Replaces the file with the byte strings written one after another. The new
// content goes to a temporary file in the same folder, is flushed to disk, and
// then takes the place of the old file in one step, so the file always holds
// either its old or its new content, even when the process is killed midway.
// A replacement that fails (another program holds the file for a moment) is tried
// again a few times, 50 ms apart. Temporary files that earlier writes of the same
// file left behind (a killed process) are removed first.
// False for an empty path or any failure; the old file is then left as it was and
// no temporary file remains.
bool writeWholeFile(std::string_view path, std::span<const std::string_view> parts);
bool writeWholeFile(std::string_view path, std::initializer_list<std::string_view> parts);

}  // namespace corvalis
