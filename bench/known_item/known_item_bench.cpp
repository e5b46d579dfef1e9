// quorvale_known_item_bench: does the file the user wants come first? A known-item test over the
// benchmark corpus: files drawn at random, each with the query a person would type to find it
// (known_items.h tells how each kind is made), run through the panel's search and through peers
// over the same files. For each engine and kind it prints s@1 (the file is the first row), s@8
// (it is among the first 8 rows, what the panel shows) and the mean reciprocal rank over those 8
// rows (1/rank when the file is shown, else 0).
//
//   quorvale_known_item_bench [--files N] [--seed S] [--data DIR] [--per-kind K] [--rescan]
//
// Engines: Quorvale's rows (`SearchEngine::search`, default settings) before and after the two
// ranking and reading mends (camel-case name words in the name score; .htm and .xhtml pages read
// as .html), and with only the first; plain SQLite FTS5 over the same index (AND of prefix
// phrases, bm25 with equal column weights), before and after; plocate (names only, `-i -b`, in
// its database order) and recoll (names in filename mode, contents in text mode) when installed.
// The corpus is the scan benchmark's (shared cache in DIR); the scanned index, the index without
// .htm contents and plocate's database are kept beside it. --rescan scans again (needed after a
// change to the extractor).
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "index/file_index.h"
#include "index/file_index_access.h"
#include "index/match_expression.h"
#include "known_item/known_items.h"
#include "scan/corpus_cache.h"
#include "scan/default_extractor.h"
#include "scan/scanner.h"
#include "search_engine.h"
#include "settings/quorvale_settings.h"
#include "util/main_executor.h"

namespace quorvale::bench {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kShownRows = 8;

struct Arguments {
  CorpusOptions corpus{.files = 100000, .seed = 1};
  std::string data;
  KnownItemOptions items;
  bool rescan = false;
};

[[noreturn]] void usage() {
  std::cerr << "usage: quorvale_known_item_bench [--files N] [--seed S] [--data DIR] "
               "[--per-kind K] [--rescan]\n";
  std::exit(2);
}

Arguments parse(int argc, char** argv) {
  Arguments arguments;
  arguments.data = defaultDataFolder();
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    if (flag == "--rescan") {
      arguments.rescan = true;
      continue;
    }
    if (i + 1 >= argc) usage();
    const std::string value = argv[++i];
    if (flag == "--files") {
      arguments.corpus.files = std::stoul(value);
    } else if (flag == "--seed") {
      arguments.corpus.seed = std::stoull(value);
    } else if (flag == "--data") {
      arguments.data = value;
    } else if (flag == "--per-kind") {
      arguments.items.perKind = std::stoi(value);
    } else {
      usage();
    }
  }
  return arguments;
}

bool hasProgram(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// The lines a command prints.
std::vector<std::string> outputLines(const std::string& command) {
  std::vector<std::string> lines;
  std::unique_ptr<FILE, decltype(&pclose)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return lines;
  std::string line;
  for (int c = std::fgetc(pipe.get()); c != EOF; c = std::fgetc(pipe.get())) {
    if (c == '\n') {
      lines.push_back(std::move(line));
      line.clear();
    } else {
      line += static_cast<char>(c);
    }
  }
  return lines;
}

void removeDatabase(const std::string& path) {
  for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(path + suffix);
}

// The corpus scanned as `quorvale --scan` scans it (default extractor, default skip rules).
void scanInto(const std::string& root, const std::string& database) {
  removeDatabase(database);
  std::printf("scanning %s into %s\n", root.c_str(), database.c_str());
  std::fflush(stdout);
  FileIndex index(database);
  const DefaultExtractor extractor;
  ScanStats stats =
      Scanner::scan(ScanConfig::make({root}), index, extractor, {}, [] { return false; }, {});
  FileIndexAccess::connection(index).exec("PRAGMA wal_checkpoint(TRUNCATE)");
  std::printf("  %lld entries, %lld with text\n", static_cast<long long>(stats.seen),
              static_cast<long long>(stats.withContent));
}

// The scanned index as it was before web pages under .htm and .xhtml were read: the same rows,
// those pages without text.
void withoutWebPageText(const std::string& scanned, const std::string& database) {
  removeDatabase(database);
  fs::copy_file(scanned, database);
  FileIndex index(database);
  const auto pages = index.files({"htm", "xhtml"});
  index.beginBatch();
  for (const auto& page : pages) {
    index.upsert(FileRecord::make({.path = page.path, .size = page.size, .modified = page.mtime}),
                 std::nullopt, {});
  }
  index.commitBatch();
  FileIndexAccess::connection(index).exec("PRAGMA wal_checkpoint(TRUNCATE)");
  std::printf("  %zu .htm and .xhtml pages\n", pages.size());
}

// The rank (1-based) of `path` among the first kShownRows results, 0 when it is not there.
using Ranking = std::function<std::vector<std::string>(const std::string& query)>;

std::size_t rankOf(const std::vector<std::string>& rows, const std::string& path) {
  for (std::size_t i = 0; i < rows.size() && i < kShownRows; ++i) {
    if (rows[i] == path) return i + 1;
  }
  return 0;
}

struct Score {
  int queries = 0;
  int first = 0;
  int shown = 0;
  double reciprocal = 0;

  void add(std::size_t rank) {
    ++queries;
    if (rank == 1) ++first;
    if (rank >= 1) ++shown;
    if (rank >= 1) reciprocal += 1.0 / static_cast<double>(rank);
  }
  std::string text() const {
    if (queries == 0) return "-";
    char cell[64];
    std::snprintf(cell, sizeof cell, "%.2f / %.2f / %.2f", first / double(queries),
                  shown / double(queries), reciprocal / queries);
    return cell;
  }
};

struct Row {
  std::string engine;
  std::map<QueryKind, Score> kinds;
  Score overall;
};

Row evaluate(
    const std::string& engine, const std::vector<KnownItem>& items, const Ranking& rank,
    const std::function<bool(QueryKind)>& answers = [](QueryKind) { return true; }) {
  Row row;
  row.engine = engine;
  for (const KnownItem& item : items) {
    if (!answers(item.kind)) continue;
    std::size_t at = rankOf(rank(item.query), item.path);
    row.kinds[item.kind].add(at);
    row.overall.add(at);
  }
  return row;
}

// Quorvale's panel rows: the paths of the file rows, other rows keeping their places.
class Panel {
 public:
  Panel(const std::string& folder, const std::string& index, Ranker::NameWords words)
      : defaults_(freshFolder(folder, index) + "/defaults.json") {
    // The content version is current: the engine must not empty the copied index.
    defaults_.set(UserDefaults::kContentVersionKey, SearchEngine::kContentVersion);
    EngineServices services;
    services.supportDir = folder;
    services.defaults = &defaults_;
    services.main = &main_;
    services.readerOptions.nameWords = words;
    engine_ = std::make_unique<SearchEngine>(ClipPolicy{}, std::move(services));
  }

  std::vector<std::string> rows(const std::string& query) {
    std::vector<std::string> paths;
    for (const Suggestion& row : engine_->search(query, settings_, std::nullopt)) {
      const FileRecord* file = row.payload.as<FileRecord>();
      paths.push_back(file != nullptr ? file->path : "");
    }
    return paths;
  }

 private:
  // An empty data folder holding a copy of the index.
  static std::string freshFolder(const std::string& folder, const std::string& index) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::copy_file(index, folder + "/index.db");
    return folder;
  }

  UserDefaults defaults_;
  MainExecutor main_;
  QuorvaleSettings settings_;
  std::unique_ptr<SearchEngine> engine_;
};

std::vector<std::string> words(const std::string& query) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < query.size()) {
    std::size_t space = query.find(' ', start);
    if (space == std::string::npos) space = query.size();
    if (space > start) out.push_back(query.substr(start, space - start));
    start = space + 1;
  }
  return out;
}

// Plain FTS5 over the same full-text table: every typed word a prefix phrase, all of them
// required, ranked by bm25 with equal column weights.
class PlainFullText {
 public:
  explicit PlainFullText(const std::string& database) {
    if (sqlite3_open_v2(database.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
      throw std::runtime_error("cannot open " + database);
    }
    sqlite3_prepare_v2(db_,
                       "SELECT f.path FROM fts JOIN files f ON f.id = fts.rowid WHERE fts MATCH ?1 "
                       "ORDER BY bm25(fts) LIMIT 8",
                       -1, &statement_, nullptr);
  }
  ~PlainFullText() {
    sqlite3_finalize(statement_);
    sqlite3_close(db_);
  }
  PlainFullText(const PlainFullText&) = delete;
  PlainFullText& operator=(const PlainFullText&) = delete;

  std::vector<std::string> rows(const std::string& query) {
    auto expression = matchExpression(words(query), false, false);
    std::vector<std::string> paths;
    if (!expression || statement_ == nullptr) return paths;
    sqlite3_reset(statement_);
    sqlite3_bind_text(statement_, 1, expression->c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(statement_) == SQLITE_ROW) {
      paths.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement_, 0)));
    }
    return paths;
  }

 private:
  sqlite3* db_ = nullptr;
  sqlite3_stmt* statement_ = nullptr;
};

// How many files hold the meant words where the query looks (names, or contents for content
// queries), median per kind: s@1 cannot go much above one over that number when the other
// evidence (recency, bm25) does not single the file out.
void printAmbiguity(const std::string& database, const std::vector<KnownItem>& items) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return;
  }
  sqlite3_stmt* count = nullptr;
  sqlite3_prepare_v2(db, "SELECT count(*) FROM fts WHERE fts MATCH ?1", -1, &count, nullptr);
  std::map<QueryKind, std::vector<int64_t>> counts;
  for (const KnownItem& item : items) {
    const bool names = item.kind != QueryKind::content;
    auto expression = matchExpression(words(item.meant), false, names);
    if (!expression || count == nullptr) continue;
    const std::string match = names ? *expression : "{content} : (" + *expression + ")";
    sqlite3_reset(count);
    sqlite3_bind_text(count, 1, match.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(count) == SQLITE_ROW)
      counts[item.kind].push_back(sqlite3_column_int64(count, 0));
  }
  sqlite3_finalize(count);
  sqlite3_close(db);
  std::printf("\nfiles holding the meant words (median):");
  for (QueryKind kind : kQueryKinds) {
    std::vector<int64_t>& values = counts[kind];
    if (values.empty()) continue;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    std::printf(" %s %lld;", std::string(kindName(kind)).c_str(),
                static_cast<long long>(values[values.size() / 2]));
  }
  std::printf("\n");
}

// The queries hold letters and spaces only; quoting is for form's sake.
std::string quoted(const std::string& word) {
  return "'" + word + "'";
}

// plocate over the corpus's names: every word a case-insensitive substring of the file name, in
// the database's order; folders left out.
Ranking plocateRanking(const std::string& database) {
  return [database](const std::string& query) {
    std::string command = "plocate -i -b -l 200 -d " + quoted(database);
    for (const std::string& word : words(query)) command += " " + quoted(word);
    std::vector<std::string> paths;
    for (std::string& line : outputLines(command + " 2>/dev/null")) {
      if (fs::is_regular_file(line)) paths.push_back(std::move(line));
    }
    return paths;
  };
}

void printTable(const std::vector<Row>& rows) {
  std::printf("\n%-34s", "engine (s@1 / s@8 / MRR)");
  for (QueryKind kind : kQueryKinds) std::printf(" | %-18s", std::string(kindName(kind)).c_str());
  std::printf(" | %-18s\n", "overall");
  for (const Row& row : rows) {
    std::printf("%-34s", row.engine.c_str());
    for (QueryKind kind : kQueryKinds) {
      auto found = row.kinds.find(kind);
      std::printf(" | %-18s", found == row.kinds.end() ? "-" : found->second.text().c_str());
    }
    std::printf(" | %-18s\n", row.overall.text().c_str());
  }
}

int run(const Arguments& arguments) {
  const CachedCorpus corpus = ensureCorpus(arguments.data, arguments.corpus);
  std::printf("corpus %s (%lld files%s)\n", corpus.root.c_str(),
              static_cast<long long>(corpus.stats.files), corpus.reused ? ", reused" : "");
  const std::string work = corpus.root + ".known-item";
  fs::create_directories(work);
  const std::string after = work + "/after.db";
  const std::string before = work + "/before.db";
  if (arguments.rescan || !fs::exists(after + ".complete")) {
    fs::remove(after + ".complete");
    scanInto(corpus.root, after);
    std::ofstream(after + ".complete") << "";
  }
  withoutWebPageText(after, before);

  const std::vector<KnownItem> items = knownItems(after, arguments.items);
  std::printf("%zu queries (seed %llu), e.g.", items.size(),
              static_cast<unsigned long long>(arguments.items.seed));
  for (QueryKind kind : kQueryKinds) {
    for (const KnownItem& item : items) {
      if (item.kind == kind) {
        std::printf(" [%s] \"%s\"", std::string(kindName(kind)).c_str(), item.query.c_str());
        break;
      }
    }
  }
  std::printf("\n");

  std::vector<Row> rows;
  auto panel = [&](const char* label, const std::string& index, Ranker::NameWords nameWords) {
    Panel engine(work + "/engine", index, nameWords);
    rows.push_back(evaluate(label, items, [&](const std::string& q) { return engine.rows(q); }));
  };
  panel("Quorvale before", before, Ranker::NameWords::lowerCasedOnly);
  panel("Quorvale, camel-case words only", before, Ranker::NameWords::indexed);
  panel("Quorvale after", after, Ranker::NameWords::indexed);
  const std::vector<std::pair<std::string, std::string>> indexes = {{"plain FTS5 before", before},
                                                                    {"plain FTS5 after", after}};
  for (const auto& [label, index] : indexes) {
    PlainFullText fts(index);
    rows.push_back(evaluate(label, items, [&](const std::string& q) { return fts.rows(q); }));
  }
  if (hasProgram("plocate") && hasProgram("updatedb")) {
    const std::string database = work + "/plocate.db";
    if (!fs::exists(database)) {
      std::system(("updatedb -l 0 -U " + quoted(corpus.root) + " -o " + quoted(database)).c_str());
    }
    rows.push_back(evaluate("plocate (names)", items, plocateRanking(database),
                            [](QueryKind kind) { return kind != QueryKind::content; }));
  } else {
    std::printf("plocate: not installed\n");
  }
  if (!hasProgram("recollq")) std::printf("recoll: not installed\n");
  printTable(rows);
  printAmbiguity(after, items);

  // The pages the reading mend is about are few in a random draw; their own content queries
  // show it.
  std::vector<KnownItem> pages = knownItems(
      after, {.seed = arguments.items.seed, .perKind = 20, .extensions = {"htm", "xhtml"}});
  std::erase_if(pages, [](const KnownItem& item) { return item.kind != QueryKind::content; });
  if (!pages.empty()) {
    std::vector<Row> pageRows;
    {
      Panel engine(work + "/engine", before, Ranker::NameWords::indexed);
      pageRows.push_back(
          evaluate("Quorvale before", pages, [&](const std::string& q) { return engine.rows(q); }));
    }
    {
      Panel engine(work + "/engine", after, Ranker::NameWords::indexed);
      pageRows.push_back(
          evaluate("Quorvale after", pages, [&](const std::string& q) { return engine.rows(q); }));
    }
    std::printf("\n%zu content queries for .htm and .xhtml pages:", pages.size());
    printTable(pageRows);
  }
  return 0;
}

}  // namespace
}  // namespace quorvale::bench

int main(int argc, char** argv) {
  try {
    return quorvale::bench::run(quorvale::bench::parse(argc, argv));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "quorvale_known_item_bench: %s\n", error.what());
    return 1;
  }
}
