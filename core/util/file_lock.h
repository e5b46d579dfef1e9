// An advisory lock on a file (flock), held for the life of the object: one writer at a time per
// data folder. The engine holds "scan.lock" in the data folder for the length of each full scan,
// so two processes on one data folder (the desktop application and `--scan`, or two `--scan`s)
// scan one after the other instead of fighting over the database. The lock goes away with the
// process, so a killed scan never leaves a stale lock behind.
//
// The lock file is created with mode 0600 and is never followed through a symbolic link. Any
// thread; one object per holder.
#pragma once

#include <optional>
#include <string>

#include "util/unique_fd.h"

namespace quorvale {

class FileLock {
 public:
  enum class Outcome { acquired, busy, unavailable };

  // Tries to take the lock without waiting. `busy`: another holder has it; `unavailable`: the
  // lock file cannot be opened (a read-only folder), so nobody can hold it.
  static Outcome tryAcquire(const std::string& path, std::optional<FileLock>& lock);

  FileLock(FileLock&&) = default;
  FileLock& operator=(FileLock&&) = default;

 private:
  explicit FileLock(UniqueFd fd) : fd_(std::move(fd)) {}
  UniqueFd fd_;  // closing it releases the lock
};

}  // namespace quorvale
