#include "util/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

#include "util/unique_fd.h"

namespace quorvale {
namespace {

std::string folderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

[[noreturn]] void fail(int error, const std::string& path) {
  throw std::system_error(error, std::generic_category(), "cannot write " + path);
}

void writeAll(int fd, std::string_view bytes, const std::string& path) {
  while (!bytes.empty()) {
    ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) fail(written < 0 ? errno : EIO, path);
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

void syncFolder(const std::string& folder) {
  UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd) ::fsync(fd.get());
}

// Removes the temporary file unless it was published.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
  ~TemporaryFile() {
    if (!published_) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  const std::string& path() const { return path_; }
  void markPublished() { published_ = true; }

 private:
  std::string path_;
  bool published_ = false;
};

}  // namespace

void writeFileAtomically(const std::string& path, std::string_view bytes,
                         const AtomicWriteOptions& options) {
  const std::string folder = folderOf(path);
  std::string pattern = path + ".tmp-XXXXXX";
  UniqueFd fd(::mkostemp(pattern.data(), O_CLOEXEC));
  if (!fd) fail(errno, path);
  TemporaryFile temporary(pattern);

  if (::fchmod(fd.get(), options.mode) != 0) fail(errno, path);
  writeAll(fd.get(), bytes, path);
  if (options.durable && ::fsync(fd.get()) != 0) fail(errno, path);
  if (::close(fd.release()) != 0) fail(errno, path);
  if (::rename(temporary.path().c_str(), path.c_str()) != 0) fail(errno, path);
  temporary.markPublished();
  if (options.durable) syncFolder(folder);
}

}  // namespace quorvale
