#include "corpus/planner.h"

#include <algorithm>

namespace quorvale::bench {
namespace {

constexpr int64_t kEarliest = 1609459200;  // 2021-01-01
constexpr int64_t kLatest = 1719705600;    // 2024-06-30

struct SizeBucket {
  uint32_t low;
  uint32_t high;
  unsigned permille;
};

// Mean about 3.2 KB: most files are small, a few reach 100 KB.
constexpr SizeBucket kTextSizes[] = {
    {60, 300, 200},    {300, 1000, 270},   {1000, 3000, 300},  {3000, 8000, 160},
    {8000, 20000, 52}, {20000, 50000, 15}, {50000, 100000, 3},
};

constexpr SizeBucket kLogSizes[] = {
    {500, 4000, 400}, {4000, 20000, 400}, {20000, 60000, 150}, {60000, 100000, 50}};

template <std::size_t N>
uint32_t drawSize(Random& random, const SizeBucket (&buckets)[N]) {
  auto roll = static_cast<unsigned>(random.below(1000));
  for (const SizeBucket& bucket : buckets) {
    if (roll < bucket.permille)
      return static_cast<uint32_t>(random.between(bucket.low, bucket.high));
    roll -= bucket.permille;
  }
  return buckets[N - 1].high;
}

// "Report.pdf" -> "Report (2).pdf"; "parser.ts" -> "parser-2.ts".
std::string numbered(const std::string& name, int number) {
  const std::size_t dot = name.find('.', 1);
  const std::string stem = name.substr(0, dot);
  const std::string tail = dot == std::string::npos ? "" : name.substr(dot);
  const bool spaced = stem.find(' ') != std::string::npos;
  const std::string suffix =
      spaced ? " (" + std::to_string(number) + ")" : "-" + std::to_string(number);
  return stem + suffix + tail;
}

}  // namespace

Planner::Planner(std::size_t files, uint64_t seed) : random_(seed), limit_(files) {
  files_.reserve(files);
}

std::string Planner::uniquePath(const std::string& folder, const std::string& name) const {
  const std::string prefix = folder.empty() ? "" : folder + "/";
  std::string path = prefix + name;
  for (int number = 2; filePaths_.contains(path) || folderPaths_.contains(path); ++number) {
    path = prefix + numbered(name, number);
  }
  return path;
}

void Planner::noteFolders(const std::string& path) {
  for (std::size_t slash = path.find('/'); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    folderPaths_.insert(path.substr(0, slash));
  }
}

bool Planner::add(const std::string& folder, const std::string& name, Format format, uint32_t size,
                  int64_t modified, bool pruned, Language language) {
  if (full()) return false;
  std::string path = uniquePath(folder, name);
  noteFolders(path);
  filePaths_.insert(path);
  if (pruned) ++pruned_;
  files_.push_back({.path = std::move(path),
                    .format = format,
                    .language = language,
                    .size = std::min(size, kMaxPlannedSize),
                    .modified = std::clamp(modified, kEarliest, kLatest),
                    .pruned = pruned});
  return true;
}

std::size_t Planner::prunedOwed() const {
  const double kept = static_cast<double>(files_.size() - pruned_);
  const auto wanted = static_cast<std::size_t>(kept * kPrunedShare / (1.0 - kPrunedShare) + 0.5);
  return wanted > pruned_ ? wanted - pruned_ : 0;
}

int64_t Planner::anyTime() {
  return random_.between(kEarliest, kLatest);
}

int64_t Planner::timeNear(int64_t base, int64_t days) {
  return std::clamp(base + random_.between(-days * 86400, days * 86400), kEarliest, kLatest);
}

uint32_t textSize(Random& random) {
  return drawSize(random, kTextSizes);
}
uint32_t logSize(Random& random) {
  return drawSize(random, kLogSizes);
}
uint32_t opaqueSize(Random& random, uint32_t low, uint32_t high) {
  return static_cast<uint32_t>(random.between(low, high));
}

}  // namespace quorvale::bench
