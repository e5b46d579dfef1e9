// Reading a stored file whole, and keeping a copy of a damaged one aside before it is replaced
// (the settings defaults, the clipboard history); writing goes through atomic_file.h. Safe on any
// thread.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace quorvale {

// The whole content of a regular file; nothing when it does not exist. Throws std::system_error
// when it exists but cannot be read (no permission, a folder, an input error) or is not a regular
// file (a FIFO, a device: these are never waited on).
std::optional<std::string> readWholeFile(const std::string& path);

// Keeps a copy of the file at "<path>.<label>-<UTC time>" (with "-2", "-3", ... when that name is
// taken) and returns the copy's path. The copy has mode 0600. A file that cannot be read is
// renamed instead of copied. When an earlier copy under the same label holds the same bytes, that
// copy's path is returned and no new one is made. Throws std::system_error when neither works;
// nothing when the file does not exist.
std::optional<std::string> setAside(const std::string& path, std::string_view label,
                                    std::chrono::system_clock::time_point now);

}  // namespace quorvale
