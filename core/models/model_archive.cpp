#include "models/model_archive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <vector>

#include "models/model_error.h"
#include "util/unique_fd.h"

namespace quorvale::model_archive {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUnpackFailed = "the archive could not be unpacked";
constexpr const char* kOutside = "the archive contained a path outside its folder";

struct ZipDiscard {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct ZipFileClose {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};

[[noreturn]] void unpackFailed() {
  throw ModelError::installFailed(kUnpackFailed);
}
[[noreturn]] void outside() {
  throw ModelError::installFailed(kOutside);
}

// The entry's name as relative steps, refusing absolute names, "..", and anything odd.
std::vector<std::string> steps(const std::string& name) {
  if (name.empty() || name.front() == '/' || name.find('\\') != std::string::npos) outside();
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t slash = name.find('/', start);
    if (slash == std::string::npos) slash = name.size();
    std::string step = name.substr(start, slash - start);
    if (step == "..") outside();
    if (!step.empty() && step != ".") parts.push_back(step);
    start = slash + 1;
  }
  return parts;
}

bool isSymlinkEntry(zip_t* archive, zip_uint64_t index) {
  zip_uint8_t system = 0;
  zip_uint32_t attributes = 0;
  if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) != 0) return false;
  return system == ZIP_OPSYS_UNIX && S_ISLNK(attributes >> 16);
}

// Makes the folders of `parts` below `root`, one step at a time, refusing any step that exists
// as something other than a real folder (a link made by an earlier entry, say).
fs::path makeFolders(const fs::path& root, const std::vector<std::string>& parts,
                     std::size_t count) {
  fs::path current = root;
  for (std::size_t i = 0; i < count; ++i) {
    current /= parts[i];
    struct stat info {};
    if (::lstat(current.c_str(), &info) == 0) {
      if (!S_ISDIR(info.st_mode)) outside();
    } else if (::mkdir(current.c_str(), 0700) != 0) {
      unpackFailed();
    }
  }
  return current;
}

std::string readEntry(zip_t* archive, zip_uint64_t index, std::uint64_t& budget) {
  std::unique_ptr<zip_file_t, ZipFileClose> file(zip_fopen_index(archive, index, 0));
  if (!file) unpackFailed();
  std::string bytes;
  std::array<char, 1 << 16> buffer{};
  for (;;) {
    zip_int64_t got = zip_fread(file.get(), buffer.data(), buffer.size());
    if (got < 0) unpackFailed();
    if (got == 0) return bytes;
    if (static_cast<std::uint64_t>(got) > budget) unpackFailed();
    budget -= static_cast<std::uint64_t>(got);
    bytes.append(buffer.data(), static_cast<std::size_t>(got));
    // Link targets are short; regular files stream through `writeEntry` instead.
    if (bytes.size() > 4096) unpackFailed();
  }
}

void writeEntry(zip_t* archive, zip_uint64_t index, const fs::path& target, std::uint64_t& budget) {
  std::unique_ptr<zip_file_t, ZipFileClose> file(zip_fopen_index(archive, index, 0));
  if (!file) unpackFailed();
  UniqueFd out(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!out) unpackFailed();
  std::array<char, 1 << 16> buffer{};
  for (;;) {
    zip_int64_t got = zip_fread(file.get(), buffer.data(), buffer.size());
    if (got < 0) unpackFailed();
    if (got == 0) return;
    if (static_cast<std::uint64_t>(got) > budget) unpackFailed();
    budget -= static_cast<std::uint64_t>(got);
    const char* data = buffer.data();
    std::size_t left = static_cast<std::size_t>(got);
    while (left > 0) {
      ssize_t written = ::write(out.get(), data, left);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) unpackFailed();
      data += written;
      left -= static_cast<std::size_t>(written);
    }
  }
}

struct Link {
  fs::path at;
  std::string target;
};

}  // namespace

void unzip(const std::string& archivePath, const std::string& folder, std::uint64_t sizeLimit) {
  int error = 0;
  std::unique_ptr<zip_t, ZipDiscard> archive(zip_open(archivePath.c_str(), ZIP_RDONLY, &error));
  if (!archive) unpackFailed();
  zip_int64_t count = zip_get_num_entries(archive.get(), 0);
  if (count < 0) unpackFailed();
  fs::path root(folder);
  std::uint64_t budget = sizeLimit;
  std::vector<Link> links;
  for (zip_uint64_t index = 0; index < static_cast<zip_uint64_t>(count); ++index) {
    const char* rawName = zip_get_name(archive.get(), index, ZIP_FL_ENC_RAW);
    if (rawName == nullptr) unpackFailed();
    std::string name(rawName);
    std::vector<std::string> parts = steps(name);
    if (parts.empty()) continue;  // the archive's own top folder, "./"
    bool isFolder = name.back() == '/';
    fs::path parent = makeFolders(root, parts, parts.size() - (isFolder ? 0 : 1));
    if (isFolder) continue;
    fs::path target = parent / parts.back();
    if (isSymlinkEntry(archive.get(), index)) {
      links.push_back({target, readEntry(archive.get(), index, budget)});
    } else {
      writeEntry(archive.get(), index, target, budget);
    }
  }
  // Links come last, so that no entry is ever written through one.
  for (const Link& link : links) {
    if (::symlink(link.target.c_str(), link.at.c_str()) != 0) unpackFailed();
  }
  requireInside(folder);
}

void requireInside(const std::string& folder) {
  std::error_code error;
  fs::path base = fs::canonical(folder, error);
  if (error) unpackFailed();
  for (fs::recursive_directory_iterator it(base, error), end; it != end; it.increment(error)) {
    if (error) unpackFailed();
    // A link that leads nowhere resolves as far as it can; its target must still be inside.
    std::error_code resolveError;
    fs::path resolved = fs::weakly_canonical(it->path(), resolveError);
    if (resolveError) outside();
    auto [baseEnd, rest] =
        std::mismatch(base.begin(), base.end(), resolved.begin(), resolved.end());
    if (baseEnd != base.end()) outside();
  }
  if (error) unpackFailed();
}

}  // namespace quorvale::model_archive
