// Reading and writing whole files. Paths are GBK texts; the files are opened
// through the wide API with the path converted from code page 936.
#pragma once

#include <initializer_list>
#include <span>
#include <string_view>

#include "app/text.h"

namespace corvalis {

// The whole file, opened for reading while others may read but not write. Empty
// when the file is missing, empty or cannot be read.
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
