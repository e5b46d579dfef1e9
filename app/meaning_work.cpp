// PassageWork's keystroke side and its meaning store: question answering from passages, and the
// per-file meaning vectors written during scans and fused into file searches.
#include <filesystem>

#include "passage_work.h"
#include "passages/passage_rows.h"
#include "passages/question_detector.h"
#include "semantic/semantic_text.h"
#include "util/unicode.h"

namespace quorvale {

// --- Questions ---------------------------------------------------------------------------------

std::shared_ptr<PassageStore> PassageWork::searchStore() {
  std::lock_guard lock(readerLock_);
  if (reader_) return reader_;
  std::string path = services_.supportDir + "/passages.db";
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return nullptr;
  try {
    reader_ = std::make_shared<PassageStore>(path);
  } catch (const std::exception&) {
    // Tried again at the next question.
  }
  return reader_;
}

std::optional<QuestionAnswer> PassageWork::answer(const std::string& text, bool explicitQuestion,
                                                  const QuorvaleSettings& settings) {
  // A "?" with nothing after it asks nothing yet.
  if (!settings.questionSearch || unicode::trimmed(text).empty()) return std::nullopt;
  if (!explicitQuestion && !QuestionDetector::isQuestion(text)) return std::nullopt;
  std::shared_ptr<PassageStore> store = searchStore();
  if (!store) return std::nullopt;
  if (hasPassages_ < 0) notePassages(*store);
  if (hasPassages_ == 0) return std::nullopt;

  PassageSearchOptions options;
  options.limit = kPassageLimit;
  PassageResult result;
  const EncoderSource& encoder = services_.encoder;
  bool installed = encoder.installedFolder && encoder.installedFolder();
  std::shared_ptr<const BatchEmbedder> embedder;
  if (installed && hasVectors_ == 1) embedder = modelEmbedder();
  if (embedder) {
    result = PassageSearch::searchHybrid(*store, text, *embedder, options);
  } else {
    result = PassageSearch::search(*store, text, options);
  }
  return QuestionAnswer{.rows = PassageRows::rows(result.hits, services_.fileExists),
                        .weak = result.weak};
}

// --- Meaning -----------------------------------------------------------------------------------

std::shared_ptr<SemanticStore> PassageWork::semantic() const {
  std::lock_guard lock(semanticLock_);
  return semantic_;
}

bool PassageWork::hasSemanticStore() const {
  return semantic() != nullptr;
}

void PassageWork::configureSemantic(const QuorvaleSettings& settings) {
  std::shared_ptr<SemanticStore> store;
  // On this system the installed encoder stands in for a sentence embedder of the platform.
  std::shared_ptr<const BatchEmbedder> embedder =
      settings.semanticSearch ? modelEmbedder() : nullptr;
  if (embedder) {
    store = semantic();
    bool same = store && store->embedderID() == embedder->identifier() &&
                store->dimension() == embedder->dimension();
    if (!same) {
      store.reset();
      try {
        store = std::make_shared<SemanticStore>(services_.supportDir + "/semantic.db",
                                                embedder->identifier(), embedder->dimension());
      } catch (const std::exception&) {
      }
    }
  }
  std::lock_guard lock(semanticLock_);
  semantic_ = std::move(store);
}

void PassageWork::embedFile(const FileRecord& record, const std::optional<std::string>& content,
                            bool reuseVectors) {
  std::shared_ptr<SemanticStore> store = semantic();
  if (!store) return;
  if (services_.energy && services_.energy().lowPowerMode) return;
  try {
    if (reuseVectors && store->has(record.path)) return;
    std::optional<std::string> text = SemanticText::text(record, content);
    if (!text) return;
    std::shared_ptr<const BatchEmbedder> embedder = modelEmbedder();
    if (!embedder || embedder->identifier() != store->embedderID()) return;
    if (std::optional<std::vector<float>> vector = embedder->embed(*text)) {
      store->upsert(record.path, *vector);
    }
  } catch (const std::exception&) {
    // A file without a meaning vector is still found by its words.
  }
}

void PassageWork::clearSemantic() {
  if (std::shared_ptr<SemanticStore> store = semantic()) {
    try {
      store->clear();
    } catch (const std::exception&) {
    }
  }
}

void PassageWork::forgetLeftMeaning(FileIndex& index) {
  std::shared_ptr<SemanticStore> store = semantic();
  if (!store) return;
  try {
    store->removeUnless([&index](const std::string& path) { return index.contains(path); });
  } catch (const std::exception&) {
    // Left for the next finished scan.
  }
}

std::optional<int64_t> PassageWork::semanticCount() const {
  std::shared_ptr<SemanticStore> store = semantic();
  if (!store) return std::nullopt;
  return store->count();
}

std::vector<Hit> PassageWork::fuseMeaning(const Query& query, std::vector<Hit> hits,
                                          int resultLimit, const HybridSearch::Lookup& lookup) {
  if (query.terms.empty() || static_cast<int>(hits.size()) >= resultLimit) return hits;
  std::shared_ptr<SemanticStore> store = semantic();
  if (!store) return hits;
  std::shared_ptr<const BatchEmbedder> embedder = modelEmbedder();
  if (!embedder) return hits;
  std::string words;
  for (const auto& term : query.terms) words += (words.empty() ? "" : " ") + term;
  std::optional<std::vector<float>> vector = embedder->embed(words);
  if (!vector) return hits;
  std::vector<SemanticStore::Neighbour> near = store->nearest(*vector, kMeaningNeighbours, 0);
  return HybridSearch::fuse(hits, near, lookup,
                            {.limit = static_cast<std::size_t>(std::max(resultLimit, 0)) * 2,
                             .semanticWeight = kSemanticWeight,
                             .minSimilarity = kMinSimilarity});
}

}  // namespace quorvale
