// The shared state of corpus planning: the files planned so far, the paths already taken, the
// remaining budget and the share of pruned files. The unit planners (projects, documents, ...)
// add files through it; it never plans more files than the corpus size.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "corpus/layout.h"
#include "corpus/random.h"

namespace quorvale::bench {

// Files inside pruned folders make up about this share of the corpus.
inline constexpr double kPrunedShare = 0.10;
// No planned file is larger; rendering may overshoot by a line or two.
inline constexpr uint32_t kMaxPlannedSize = 100000;

class Planner {
 public:
  Planner(std::size_t files, uint64_t seed);

  Random& random() { return random_; }
  std::size_t left() const { return limit_ - files_.size(); }
  bool full() const { return files_.size() >= limit_; }

  // Plans a file in `folder` ("" for the root). A name already taken in the folder gets a
  // number. Returns false, planning nothing, when the corpus is full.
  bool add(const std::string& folder, const std::string& name, Format format, uint32_t size,
           int64_t modified, bool pruned = false, Language language = Language::python);

  // Numbers the projects 0, 1, 2, ... in planning order.
  std::size_t nextProject() { return projects_++; }

  // How many pruned files are owed so that they stay at kPrunedShare of the corpus.
  std::size_t prunedOwed() const;

  // A modification time within the corpus's span (2021 to mid-2024), and one within `days` of
  // `base`.
  int64_t anyTime();
  int64_t timeNear(int64_t base, int64_t days);

  std::vector<PlannedFile> take() { return std::move(files_); }

 private:
  std::string uniquePath(const std::string& folder, const std::string& name) const;
  void noteFolders(const std::string& path);

  Random random_;
  std::size_t limit_;
  std::size_t pruned_ = 0;
  std::size_t projects_ = 0;
  std::vector<PlannedFile> files_;
  std::unordered_set<std::string> filePaths_;
  std::unordered_set<std::string> folderPaths_;
};

// Sizes in bytes: text of everyday files (mostly 0.1-8 KB, a few up to 100 KB), logs (larger),
// and opaque pictures and archives.
uint32_t textSize(Random& random);
uint32_t logSize(Random& random);
uint32_t opaqueSize(Random& random, uint32_t low, uint32_t high);

}  // namespace quorvale::bench
