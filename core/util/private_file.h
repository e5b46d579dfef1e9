// Files that only their owner may read (the settings defaults, the clipboard history): published
// in one step, and set aside rather than overwritten when their content could not be read back.
//
// `writePrivateFile` writes the bytes to a temporary file beside the target (mode 0600), flushes
// it to the disk, renames it over the target and flushes the folder, so a reader or a later start
// sees either the old file or the new one, never a torn mix. Safe on any thread; concurrent writers
// of one path each publish a whole file and the last rename wins.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace quorvale {

// Throws std::system_error naming the path when the file cannot be written; the old file is then
// untouched and no temporary file is left behind. A target that is a folder is refused (EISDIR).
void writePrivateFile(const std::string& path, std::string_view bytes);

// The whole content of a regular file; nothing when it does not exist. Throws std::system_error
// when it exists but cannot be read (no permission, a folder, an input error).
std::optional<std::string> readWholeFile(const std::string& path);

// Keeps a copy of the file at "<path>.<label>-<UTC time>" (with "-2", "-3", ... when that name is
// taken) and returns the copy's path. The copy has mode 0600. A file that cannot be read is
// renamed instead of copied. Throws std::system_error when neither works; nothing when the file
// does not exist.
std::optional<std::string> setAside(const std::string& path, std::string_view label,
                                    std::chrono::system_clock::time_point now);

}  // namespace quorvale
