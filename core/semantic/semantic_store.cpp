#include "semantic/semantic_store.h"

#include <algorithm>

#include "index/file_index.h"
#include "semantic/unit_quantizer.h"

namespace quorvale {
namespace {

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS meta(k TEXT PRIMARY KEY, v TEXT); "
    "CREATE TABLE IF NOT EXISTS vec(path TEXT PRIMARY KEY, v BLOB NOT NULL);";

// SQL text literal: single quotes doubled.
std::string quoted(const std::string& text) {
  std::string result = "'";
  for (char c : text) result += c == '\'' ? std::string("''") : std::string(1, c);
  return result + "'";
}

}  // namespace

SemanticStore::SemanticStore(std::optional<std::string> path, std::string embedderID,
                             std::size_t dimension)
    : embedderID_(std::move(embedderID)), dimension_(dimension) {
  std::string message;
  db_ = sql::Connection::open(path.value_or(":memory:"),
                              SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                              message);
  if (!db_) throw IndexError::open("semantic store");
  sqlite3_busy_timeout(db_.raw(), FileIndex::kBusyTimeoutMilliseconds);
  if (path) db_.exec("PRAGMA journal_mode=WAL;");
  exec(kSchema);
  std::string key = embedderID_ + "|" + std::to_string(dimension_);
  std::string stored;
  if (sql::Statement statement = db_.prepare("SELECT v FROM meta WHERE k = 'embedder'")) {
    if (statement.step() == SQLITE_ROW) stored = statement.columnText(0);
  }
  if (stored != key) {
    exec("DELETE FROM vec;");
    exec("INSERT OR REPLACE INTO meta(k,v) VALUES('embedder'," + quoted(key) + ")");
  }
}

void SemanticStore::fail() {
  throw IndexError::sql(db_.errorMessage(), sqlite3_extended_errcode(db_.raw()));
}

void SemanticStore::exec(const std::string& sql) {
  if (db_.exec(sql) != SQLITE_OK) fail();
}

void SemanticStore::upsert(const std::string& path, std::span<const float> vector) {
  if (vector.size() != dimension_) return;
  std::optional<std::vector<int8_t>> bytes = Quantizer::quantize(vector);
  if (!bytes) return;
  sql::Statement statement = db_.prepare("INSERT OR REPLACE INTO vec(path,v) VALUES(?,?)");
  if (!statement) throw IndexError::sql("prepare");
  statement.bind(1, path);
  sqlite3_bind_blob(statement.raw(), 2, bytes->data(), static_cast<int>(bytes->size()),
                    SQLITE_TRANSIENT);
  int result = statement.step();
  invalidate();
  if (result != SQLITE_DONE) throw IndexError::sql("insert");
}

void SemanticStore::remove(const std::string& path) {
  if (sql::Statement statement = db_.prepare("DELETE FROM vec WHERE path = ?")) {
    statement.bind(1, path);
    statement.step();
  }
  invalidate();
}

std::size_t SemanticStore::removeUnless(const std::function<bool(const std::string&)>& keep) {
  std::vector<std::string> leaving;
  if (sql::Statement paths = db_.prepare("SELECT path FROM vec")) {
    while (paths.step() == SQLITE_ROW) {
      std::string path = paths.columnText(0);
      if (!keep(path)) leaving.push_back(std::move(path));
    }
  }
  if (leaving.empty()) return 0;
  sql::Statement statement = db_.prepare("DELETE FROM vec WHERE path = ?");
  if (!statement || db_.exec("BEGIN") != SQLITE_OK) fail();
  const auto rollBack = [this] {
    IndexError error = IndexError::sql(db_.errorMessage(), sqlite3_extended_errcode(db_.raw()));
    db_.exec("ROLLBACK");
    throw error;
  };
  for (const std::string& path : leaving) {
    statement.bind(1, path);
    const int stepped = statement.step();
    statement.reset();
    if (stepped != SQLITE_DONE) rollBack();
  }
  if (db_.exec("COMMIT") != SQLITE_OK) rollBack();
  invalidate();
  return leaving.size();
}

void SemanticStore::clear() {
  int result = db_.exec("DELETE FROM vec");
  invalidate();
  if (result != SQLITE_OK) fail();
}

int64_t SemanticStore::count() {
  return db_.queryInt("SELECT COUNT(*) FROM vec").value_or(0);
}

bool SemanticStore::has(const std::string& path) {
  sql::Statement statement = db_.prepare("SELECT 1 FROM vec WHERE path = ?");
  if (!statement) return false;
  statement.bind(1, path);
  return statement.step() == SQLITE_ROW;
}

void SemanticStore::invalidate() {
  std::lock_guard lock(cacheLock_);
  cache_.reset();
  ++generation_;
}

std::shared_ptr<const SemanticStore::Cache> SemanticStore::cache() {
  uint64_t generation = 0;
  {
    std::lock_guard lock(cacheLock_);
    if (cache_) return cache_;
    generation = generation_;
  }
  auto built = std::make_shared<Cache>();
  if (sql::Statement statement = db_.prepare("SELECT path, v FROM vec")) {
    while (statement.step() == SQLITE_ROW) {
      if (sqlite3_column_type(statement.raw(), 0) != SQLITE_TEXT) continue;
      const void* blob = sqlite3_column_blob(statement.raw(), 1);
      auto bytes = static_cast<std::size_t>(sqlite3_column_bytes(statement.raw(), 1));
      if (bytes != dimension_ || (blob == nullptr && bytes > 0)) continue;
      built->paths.push_back(statement.columnText(0));
      const auto* first = static_cast<const int8_t*>(blob);
      built->data.insert(built->data.end(), first, first + bytes);
    }
  }
  std::lock_guard lock(cacheLock_);
  // A write that came while the copy was read leaves it unkept: the next search reads again.
  if (generation == generation_) cache_ = built;
  return built;
}

std::vector<SemanticStore::Neighbour> SemanticStore::nearest(std::span<const float> query,
                                                             std::size_t k, double minSimilarity) {
  if (query.size() != dimension_ || dimension_ == 0) return {};
  std::optional<std::vector<int8_t>> unit = Quantizer::quantize(query);
  if (!unit) return {};
  std::shared_ptr<const Cache> vectors = cache();
  constexpr double kSquare = Quantizer::kScale * Quantizer::kScale;
  std::vector<std::pair<double, std::size_t>> scored;
  for (std::size_t row = 0; row < vectors->paths.size(); ++row) {
    const int8_t* data = vectors->data.data() + row * dimension_;
    double similarity = Quantizer::rawDot(unit->data(), data, dimension_) / kSquare;
    if (similarity >= minSimilarity) scored.emplace_back(similarity, row);
  }
  std::stable_sort(scored.begin(), scored.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  if (scored.size() > k) scored.resize(k);
  std::vector<Neighbour> result;
  result.reserve(scored.size());
  for (auto [similarity, row] : scored) result.push_back({vectors->paths[row], similarity});
  return result;
}

}  // namespace quorvale
