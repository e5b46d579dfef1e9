#include "util/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

namespace quorvale {

FileLock::Outcome FileLock::tryAcquire(const std::string& path, std::optional<FileLock>& lock) {
  lock.reset();
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600));
  if (!fd) return Outcome::unavailable;
  int rc;
  do {
    rc = ::flock(fd.get(), LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) return errno == EWOULDBLOCK ? Outcome::busy : Outcome::unavailable;
  lock.emplace(FileLock(std::move(fd)));
  return Outcome::acquired;
}

}  // namespace quorvale
