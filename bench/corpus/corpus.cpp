#include "corpus/corpus.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <stdexcept>
#include <unordered_set>

#include "corpus/layout.h"
#include "corpus/render.h"
#include "corpus/vocabulary.h"

namespace quorvale::bench {
namespace {

// Closes a file descriptor when the scope ends.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

[[noreturn]] void fail(const std::string& what, const std::string& path) {
  throw std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

timespec timeOf(double seconds) {
  return {.tv_sec = static_cast<time_t>(seconds), .tv_nsec = 0};
}

void makeFolders(const std::string& path, std::unordered_set<std::string>& made) {
  if (path.empty() || made.contains(path)) return;
  const std::size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0) makeFolders(path.substr(0, slash), made);
  if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) fail("cannot create", path);
  made.insert(path);
}

void writeFile(const std::string& path, const GeneratedFile& file) {
  Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (fd.get() < 0) fail("cannot create", path);
  std::size_t written = 0;
  while (written < file.bytes.size()) {
    const ssize_t n = ::write(fd.get(), file.bytes.data() + written, file.bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fail("cannot write", path);
    written += static_cast<std::size_t>(n);
  }
  const timespec times[2] = {timeOf(file.modified), timeOf(file.modified)};
  if (::futimens(fd.get(), times) != 0) fail("cannot set the time of", path);
}

std::string parentOf(const std::string& relativePath) {
  const std::size_t slash = relativePath.rfind('/');
  return slash == std::string::npos ? "" : relativePath.substr(0, slash);
}

// Every folder that holds a file gets the newest time below it, as after a real copy.
void noteFolderTimes(std::map<std::string, double>& folders, const GeneratedFile& file) {
  for (std::string folder = parentOf(file.relativePath); !folder.empty();
       folder = parentOf(folder)) {
    double& time = folders[folder];
    time = std::max(time, file.modified);
  }
}

void setFolderTimes(const std::string& root, const std::map<std::string, double>& folders) {
  for (const auto& [folder, time] : folders) {
    const std::string path = root + "/" + folder;
    const timespec times[2] = {timeOf(time), timeOf(time)};
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) fail("cannot set the time of", path);
  }
}

int64_t indexedFolders(const std::vector<PlannedFile>& plan) {
  std::unordered_set<std::string> folders;
  for (const PlannedFile& file : plan) {
    if (file.pruned) continue;
    for (std::string folder = parentOf(file.path); !folder.empty(); folder = parentOf(folder)) {
      if (!folders.insert(folder).second) break;
    }
  }
  return static_cast<int64_t>(folders.size());
}

void render(const CorpusOptions& options, const std::vector<PlannedFile>& plan,
            const std::function<void(const PlannedFile&, const GeneratedFile&)>& visit) {
  for (std::size_t i = 0; i < plan.size(); ++i) {
    Random random(deriveSeed(options.seed, i + 1));
    const PlannedFile& planned = plan[i];
    const GeneratedFile file{.relativePath = planned.path,
                             .bytes = renderFile(planned, random),
                             .modified = static_cast<double>(planned.modified)};
    visit(planned, file);
  }
}

}  // namespace

void forEachGeneratedFile(const CorpusOptions& options,
                          const std::function<void(const GeneratedFile&)>& visit) {
  render(options, planCorpus(options),
         [&](const PlannedFile&, const GeneratedFile& file) { visit(file); });
}

CorpusStats writeCorpus(const std::string& root, const CorpusOptions& options) {
  const std::vector<PlannedFile> plan = planCorpus(options);
  std::unordered_set<std::string> made;
  makeFolders(root, made);
  std::map<std::string, double> folderTimes;
  CorpusStats stats;
  render(options, plan, [&](const PlannedFile& planned, const GeneratedFile& file) {
    const std::string path = root + "/" + file.relativePath;
    makeFolders(parentOf(path), made);
    writeFile(path, file);
    noteFolderTimes(folderTimes, file);
    ++stats.files;
    stats.bytes += static_cast<int64_t>(file.bytes.size());
    if (planned.pruned) ++stats.prunedFiles;
  });
  setFolderTimes(root, folderTimes);
  stats.folders = static_cast<int64_t>(folderTimes.size());
  stats.indexedEntries = stats.files - stats.prunedFiles + indexedFolders(plan);
  return stats;
}

std::vector<std::string> corpusFileNames(const CorpusOptions& options) {
  std::vector<std::string> names;
  for (PlannedFile& file : planCorpus(options)) {
    if (!file.pruned) names.push_back(std::move(file.path));
  }
  return names;
}

const std::vector<std::string>& corpusVocabulary() {
  return vocabularyWords();
}

}  // namespace quorvale::bench
