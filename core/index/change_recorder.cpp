#include "index/change_recorder.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace quorvale {
namespace {

int collectToken(void* context, int /*flags*/, const char* token, int bytes, int /*start*/,
                 int /*end*/) {
  static_cast<std::set<std::string>*>(context)->emplace(token, static_cast<std::size_t>(bytes));
  return SQLITE_OK;
}

}  // namespace

ChangeRecorder::ChangeRecorder(sql::Connection& db, bool share) : db_(db) {
  if (!share) return;
  const char* file = sqlite3_db_filename(db.raw(), "main");
  shared_ = SharedSearchData::forFile(file == nullptr ? "" : file);
  if (shared_) sqlite3_update_hook(db.raw(), &ChangeRecorder::onUpdate, this);
}

ChangeRecorder::~ChangeRecorder() {
  if (shared_) sqlite3_update_hook(db_.raw(), nullptr, nullptr);
}

void ChangeRecorder::onUpdate(void* self, int operation, const char* database, const char* table,
                              sqlite3_int64 rowid) {
  auto& recorder = *static_cast<ChangeRecorder*>(self);
  if (!recorder.recording_ || std::strcmp(table, "files") != 0) return;
  if (std::strcmp(database, "main") != 0) return;
  if (recorder.rows_.size() >= kMaxRows) {
    recorder.overflow_ = true;
    return;
  }
  recorder.rows_.push_back(rowid);
  recorder.inserts_.push_back(operation == SQLITE_INSERT);
}

std::optional<int64_t> ChangeRecorder::readGeneration() {
  sql::Statement statement = db_.prepare("SELECT n FROM generation");
  if (!statement || statement.step() != SQLITE_ROW) return std::nullopt;
  return statement.columnInt(0);
}

void ChangeRecorder::begin() {
  discard();
  if (!shared_) return;
  from_ = readGeneration().value_or(-1);
  recording_ = from_ >= 0;
}

void ChangeRecorder::noteName(const std::string& text) {
  if (recording_) names_.push_back(text);
}

// Recorded before the commit: a reader may see the new generation the moment COMMIT returns.
void ChangeRecorder::finish() {
  if (!recording_) return;
  recording_ = false;
  to_ = readGeneration().value_or(-1);
  if (overflow_ || to_ <= from_) return;
  if (auto words = nameWords()) {
    std::vector<int64_t> inserted = newRows();
    std::sort(rows_.begin(), rows_.end());
    rows_.erase(std::unique(rows_.begin(), rows_.end()), rows_.end());
    shared_->record({.from = from_,
                     .to = to_,
                     .rows = std::move(rows_),
                     .nameWords = *words,
                     .inserted = std::move(inserted)});
    recorded_ = true;
  }
}

// Inserts fail on a taken id, so a row whose first write was an insert did not exist before.
std::vector<int64_t> ChangeRecorder::newRows() const {
  std::vector<std::size_t> order(rows_.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return rows_[a] < rows_[b]; });
  std::vector<int64_t> inserted;
  for (std::size_t i = 0; i < order.size(); ++i) {
    bool first = i == 0 || rows_[order[i - 1]] != rows_[order[i]];
    if (first && inserts_[order[i]]) inserted.push_back(rows_[order[i]]);
  }
  return inserted;
}

void ChangeRecorder::publish() {
  recorded_ = false;
  discard();
}

void ChangeRecorder::discard() {
  // A change that was not committed must not describe the generations a later one reaches.
  if (recorded_) shared_->retract(from_, to_);
  recorded_ = false;
  recording_ = false;
  overflow_ = false;
  from_ = to_ = -1;
  rows_.clear();
  inserts_.clear();
  names_.clear();
}

// The full-text table splits with "unicode61 remove_diacritics 2"; the same tokenizer gives the
// same words, byte for byte.
std::optional<std::vector<std::string>> ChangeRecorder::nameWords() const {
  std::set<std::string> words;
  if (names_.empty()) return std::vector<std::string>{};
  fts5_api* api = sql::fts5Api(db_);
  if (api == nullptr) return std::nullopt;
  void* userData = nullptr;
  fts5_tokenizer methods{};
  if (api->xFindTokenizer(api, "unicode61", &userData, &methods) != SQLITE_OK) return std::nullopt;
  const char* arguments[] = {"remove_diacritics", "2"};
  Fts5Tokenizer* tokenizer = nullptr;
  if (methods.xCreate(userData, arguments, 2, &tokenizer) != SQLITE_OK) return std::nullopt;
  bool failed = false;
  for (const auto& name : names_) {
    failed = failed || methods.xTokenize(tokenizer, &words, FTS5_TOKENIZE_DOCUMENT, name.data(),
                                         static_cast<int>(name.size()), collectToken) != SQLITE_OK;
  }
  methods.xDelete(tokenizer);
  if (failed) return std::nullopt;
  return std::vector<std::string>(words.begin(), words.end());
}

}  // namespace quorvale
