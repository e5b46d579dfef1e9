#include "data_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "util/unique_fd.h"
#include "util/xdg_paths.h"

namespace quorvale {
namespace {

bool isPrivateFolder(const struct stat& info) {
  return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

// Makes the folder with mode 0700 when missing; true when it is then a folder of this user's
// with mode 0700 (a wider mode of the user's own folder is narrowed). `followLink` lets the
// user's own data home point elsewhere by a symbolic link.
bool makePrivateFolder(const std::string& folder, bool followLink) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW);
  UniqueFd fd(::open(folder.c_str(), flags));
  struct stat info {};
  if (!fd || ::fstat(fd.get(), &info) != 0) return false;
  if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) return false;
  if ((info.st_mode & 07777) != 0700 && ::fchmod(fd.get(), 0700) != 0) return false;
  return true;
}

std::optional<std::string> inDataHome() {
  auto home = xdg::dataHome();
  if (!home) return std::nullopt;
  std::error_code error;
  std::filesystem::create_directories(*home, error);
  if (!std::filesystem::is_directory(*home, error)) return std::nullopt;
  return *home + "/Quorvale";
}

// $XDG_RUNTIME_DIR/Quorvale, when the runtime folder is a private folder of this user's.
std::optional<std::string> inRuntimeFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || runtime[0] != '/') return std::nullopt;
  struct stat info {};
  if (::lstat(runtime, &info) != 0 || !isPrivateFolder(info)) return std::nullopt;
  std::string folder = std::string(runtime) + "/Quorvale";
  if (!makePrivateFolder(folder, false)) return std::nullopt;
  return folder;
}

// Narrows the mode of the entry to `mode` when it is of the given type and this user's.
void narrow(int folder, const char* name, mode_t mode, bool directory) {
  int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | (directory ? O_DIRECTORY : 0);
  UniqueFd fd(::openat(folder, name, flags));
  struct stat info {};
  if (!fd || ::fstat(fd.get(), &info) != 0 || info.st_uid != ::geteuid()) return;
  if (directory ? !S_ISDIR(info.st_mode) : !S_ISREG(info.st_mode)) return;
  if ((info.st_mode & 07777) != mode) ::fchmod(fd.get(), mode);
}

}  // namespace

std::optional<std::string> dataFolder() {
  if (auto folder = inDataHome()) {
    if (makePrivateFolder(*folder, true)) return folder;
    return std::nullopt;  // the user's data home is there: no other folder stands in for it
  }
  return inRuntimeFolder();
}

void keepPrivate(const std::string& folder) {
  UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd) return;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    std::string name = it->path().filename().string();
    std::error_code typeError;
    auto type = it->symlink_status(typeError).type();
    if (type == std::filesystem::file_type::regular) {
      narrow(fd.get(), name.c_str(), 0600, false);
    } else if (type == std::filesystem::file_type::directory) {
      narrow(fd.get(), name.c_str(), 0700, true);
    }
  }
}

}  // namespace quorvale
