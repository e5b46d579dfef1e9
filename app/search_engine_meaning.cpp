// The search engine's side of the passage and meaning work: the embedding callback of scans,
// meaning fused into few word hits, the question answer in front of the rows, and the reaction
// to a model installed or removed. The work itself is PassageWork's.
#include "passages/passage_rows.h"
#include "search_engine.h"

namespace quorvale {

void SearchEngine::modelChanged(const QuorvaleSettings& settings) {
  passages_->modelChanged(settings);
  // Here the encoder is the sentence embedder too: the meaning store follows the model.
  queue_.post([this, settings] {
    passages_->configureSemantic(settings);
    refreshStatus("");
  });
}

Scanner::OnIndexed SearchEngine::meaningFor(const QuorvaleSettings& settings) {
  if (!settings.semanticSearch || !passages_->hasSemanticStore()) return nullptr;
  return [this](const FileRecord& record, const std::optional<std::string>& content) {
    passages_->embedFile(record, content, reuseVectors_);
  };
}

std::vector<Hit> SearchEngine::withMeaning(const Query& parsed, std::vector<Hit> hits,
                                           const QuorvaleSettings& settings) {
  if (!settings.semanticSearch) return hits;
  std::shared_ptr<FileIndex> reader = currentReader();
  return passages_->fuseMeaning(parsed, std::move(hits), settings.shownResultLimit(),
                                [&](const std::string& path) { return reader->recordAt(path); });
}

std::vector<Suggestion> SearchEngine::withAnswer(std::vector<Suggestion> rows,
                                                 const std::string& text, bool explicitQuestion,
                                                 const QuorvaleSettings& settings) {
  std::optional<QuestionAnswer> answer = passages_->answer(text, explicitQuestion, settings);
  if (!answer) return rows;
  return PassageRows::place(std::move(answer->rows), answer->weak, std::move(rows),
                            static_cast<std::size_t>(settings.shownResultLimit()));
}

}  // namespace quorvale
