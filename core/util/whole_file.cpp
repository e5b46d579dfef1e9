#include "util/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "util/unique_fd.h"

namespace quorvale {
namespace {

[[noreturn]] void fail(int error, const std::string& what) {
  throw std::system_error(error, std::generic_category(), what);
}

std::string folderOf(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

void writeAll(int fd, std::string_view bytes, const std::string& path) {
  while (!bytes.empty()) {
    ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) fail(written < 0 ? errno : EIO, "cannot write " + path);
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

// Writes into a descriptor opened by the caller, then flushes and closes it.
void fillAndClose(UniqueFd& file, std::string_view bytes, const std::string& path) {
  writeAll(file.get(), bytes, path);
  if (::fsync(file.get()) != 0) fail(errno, "cannot flush " + path);
  // close() may be the first to report a failed write.
  if (::close(file.release()) != 0) fail(errno, "cannot close " + path);
}

void syncFolder(const std::string& folder) {
  // Best effort: the rename is already visible; this only hurries it to the disk.
  UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd) ::fsync(fd.get());
}

bool exists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

std::string utcStamp(std::chrono::system_clock::time_point now) {
  std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm parts{};
  gmtime_r(&seconds, &parts);
  char text[32];
  std::size_t length = std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &parts);
  return std::string(text, length);
}

// A name beside `path` that no file holds yet.
std::string freeName(const std::string& path, std::string_view label,
                     std::chrono::system_clock::time_point now) {
  std::string base = path + "." + std::string(label) + "-" + utcStamp(now);
  std::string candidate = base;
  for (int n = 2; exists(candidate); ++n) candidate = base + "-" + std::to_string(n);
  return candidate;
}

// An earlier copy of the file with exactly these bytes, set aside under the same label.
std::optional<std::string> earlierCopy(const std::string& path, const std::string& bytes,
                                       std::string_view label) {
  namespace fs = std::filesystem;
  std::string prefix = fs::path(path).filename().string() + "." + std::string(label) + "-";
  std::error_code error;
  for (fs::directory_iterator it(folderOf(path), error), end; !error && it != end;
       it.increment(error)) {
    if (!it->path().filename().string().starts_with(prefix)) continue;
    std::error_code sizeError;
    if (!it->is_regular_file(sizeError) || it->file_size(sizeError) != bytes.size()) continue;
    try {
      if (readWholeFile(it->path().string()) == bytes) return it->path().string();
    } catch (const std::system_error&) {
    }
  }
  return std::nullopt;
}

std::string copyAside(const std::string& path, const std::string& bytes, std::string_view label,
                      std::chrono::system_clock::time_point now) {
  for (;;) {
    std::string target = freeName(path, label, now);
    UniqueFd copy(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (copy.get() < 0) {
      if (errno == EEXIST) continue;  // another writer took the name in between
      fail(errno, "cannot set aside " + path);
    }
    try {
      fillAndClose(copy, bytes, target);
    } catch (...) {
      ::unlink(target.c_str());
      throw;
    }
    syncFolder(folderOf(target));
    return target;
  }
}

}  // namespace

std::optional<std::string> readWholeFile(const std::string& path) {
  // Opened without waiting, so that a FIFO in the file's place cannot hold the program until
  // some writer comes; then only a regular file is read.
  UniqueFd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.get() < 0) {
    if (errno == ENOENT) return std::nullopt;
    fail(errno, "cannot read " + path);
  }
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) fail(errno, "cannot read " + path);
  if (S_ISDIR(info.st_mode)) fail(EISDIR, "cannot read " + path);
  if (!S_ISREG(info.st_mode)) fail(EINVAL, "cannot read " + path + " (not a regular file)");
  std::string bytes;
  char buffer[65536];
  for (;;) {
    ssize_t count = ::read(file.get(), buffer, sizeof buffer);
    if (count < 0) {
      if (errno == EINTR) continue;
      fail(errno, "cannot read " + path);
    }
    if (count == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(count));
  }
  return bytes;
}

std::optional<std::string> setAside(const std::string& path, std::string_view label,
                                    std::chrono::system_clock::time_point now) {
  std::optional<std::string> bytes;
  try {
    bytes = readWholeFile(path);
    if (!bytes) return std::nullopt;
  } catch (const std::system_error&) {
    // Unreadable to us (no permission, a folder): move it out of the way whole.
    if (!exists(path)) return std::nullopt;
    std::string target = freeName(path, label, now);
    if (::rename(path.c_str(), target.c_str()) != 0) fail(errno, "cannot set aside " + path);
    syncFolder(folderOf(path));
    return target;
  }
  // The same damage seen again (every start reads the file) is kept once.
  if (auto earlier = earlierCopy(path, *bytes, label)) return earlier;
  return copyAside(path, *bytes, label, now);
}

}  // namespace quorvale
