#include "passages/passage_indexer.h"

#include <chrono>
#include <thread>
#include <unordered_set>
#include <variant>

#include "index/file_record.h"
#include "passages/passage_text.h"
#include "util/unicode.h"

namespace quorvale {
namespace {

// Progress is reported after every this many documents.
constexpr int64_t kProgressEvery = 20;

// Forgets stored documents that are no longer among the candidates (with their passages and
// vectors). A failure leaves them for the next pass.
void forgetLeft(PassageStore& store, const std::vector<FileIndex::ExtensionFile>& files) {
  std::unordered_set<std::string> present;
  present.reserve(files.size());
  for (const auto& file : files) present.insert(file.path);
  for (const std::string& path : store.allPaths()) {
    if (present.contains(path)) continue;
    try {
      store.remove(path);
    } catch (const PassageError&) {
    }
  }
}

}  // namespace

PassageIndexer::PassageIndexer(PassageStore& store, ExtractionGuard& guardrail, Limits limits)
    : store_(store), guardrail_(guardrail), limits_(limits) {}

PassageIndexer::Summary PassageIndexer::catchUp(FileIndex& index,
                                                const PassagePass::ShouldStop& shouldStop,
                                                const PassagePass::Energy& energy,
                                                const PassagePass::Progress& progress) {
  std::vector<FileIndex::ExtensionFile> files = index.files(PassageText::extensions());
  Summary summary;
  summary.offered = static_cast<int64_t>(files.size());
  forgetLeft(store_, files);
  if (static_cast<int64_t>(files.size()) > limits_.maxFiles) {
    files.resize(static_cast<std::size_t>(std::max<int64_t>(limits_.maxFiles, 0)));
  }
  const auto candidates = static_cast<int64_t>(files.size());

  for (const auto& file : files) {
    if (shouldStop && shouldStop()) {
      summary.stoppedFor = PassagePass::kStopped;
      break;
    }
    if (energy && !std::holds_alternative<EnergyPolicy::Run>(energy())) {
      summary.stoppedFor = PassagePass::kPaused;
      break;
    }
    if (store_.diskBytes() > limits_.maxBytes) {
      summary.stoppedFor = PassagePass::kDiskLimit;
      break;
    }
    ++summary.examined;
    if (!store_.needsIndexing(file.path, file.mtime, file.size)) continue;
    if (readAndStore(file, summary)) ++summary.written;
    if (progress && summary.examined % kProgressEvery == 0) {
      progress("Reading documents: " + std::to_string(summary.examined) + " of " +
               std::to_string(candidates));
    }
    if (limits_.pauseSeconds > 0) {
      std::this_thread::sleep_for(std::chrono::duration<double>(limits_.pauseSeconds));
    }
  }
  return summary;
}

bool PassageIndexer::readAndStore(const FileIndex::ExtensionFile& file, Summary& summary) {
  std::string ext = unicode::lowercased(pathExtension(file.path));
  std::optional<ChunkedText> chunked = guardrail_.runValue(
      file.path, limits_.readTimeout,
      [path = file.path, ext, size = file.size] { return PassageText::chunks(path, ext, size); });
  try {
    if (!chunked || chunked->chunks.empty()) {
      ++summary.empty;
      store_.upsert(file.path, file.mtime, file.size, {}, false);
      return false;
    }
    store_.upsert(file.path, file.mtime, file.size, chunked->chunks, chunked->truncated);
    return true;
  } catch (const PassageError&) {
    // The document stays out of date and is tried again by the next pass.
    return false;
  }
}

}  // namespace quorvale
