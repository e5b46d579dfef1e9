// libFuzzer target for typed query text: the parser, the full-text expression builder and the
// smart search over a small index. Whatever the bytes, nothing may crash, every term must be
// valid UTF-8 within the caps, and FTS5 must accept every expression the builder makes (a
// syntax error would mean typed text reached FTS5 as syntax).
#include <unicode/gregocal.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "index/file_index.h"
#include "index/file_index_access.h"
#include "index/match_expression.h"
#include "index/query_parser.h"
#include "query/smart_search.h"
#include "util/unicode.h"

namespace {

using namespace quorvale;

constexpr Date kNow = 1'700'000'000;

struct Fixture {
  Fixture() {
    UErrorCode status = U_ZERO_ERROR;
    calendar =
        std::make_unique<icu::GregorianCalendar>(icu::TimeZone::createTimeZone("UTC"), status);
    for (const char* path : {"/home/a/Budget 2024.xlsx", "/home/a/notes.md", "/home/b/near and.txt",
                             "/apps/te.desktop", "/home/100%/x_y.txt"}) {
      index.upsert(FileRecord::make({.path = path, .size = 1, .modified = kNow}),
                   std::string("budget report the ") + path, {"Text Editor"});
    }
  }

  // Aborts when FTS5 rejects the expression as syntax.
  void checkAccepted(const std::string& expression) {
    auto statement = FileIndexAccess::prepared(index, "SELECT rowid FROM fts WHERE fts MATCH ?");
    sql::StatementUse use(*statement);
    statement->bind(1, expression);
    int rc;
    while ((rc = statement->step()) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) std::abort();
  }

  FileIndex index{std::nullopt};
  std::unique_ptr<icu::Calendar> calendar;
};

Fixture& fixture() {
  static Fixture instance;
  return instance;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  std::string text(reinterpret_cast<const char*>(data), size);
  Fixture& f = fixture();

  Query query = QueryParser::parse(text, kNow, *f.calendar);
  if (query.terms.size() > QueryParser::kMaxTerms) std::abort();
  for (const auto& term : query.terms) {
    if (!unicode::isValidUtf8(term)) std::abort();
    if (unicode::characterCount(term) > QueryParser::kMaxTermCharacters) std::abort();
  }
  for (bool any : {false, true}) {
    for (bool nameOnly : {false, true}) {
      if (auto expression = matchExpression(query.terms, any, nameOnly)) {
        f.checkAccepted(withExclusions(*expression, query.excluded));
      }
    }
  }
  SmartResult result =
      SmartSearch::search(text, f.index, {.limit = 16, .now = kNow, .calendar = f.calendar.get()});
  if (result.hits.size() > 16) std::abort();
  return 0;
}
