// FileIndex::healthCheck and FileIndex::selfTest, and the one-line summary of their result.
#include "index/index_health.h"

#include <unicode/calendar.h>
#include <unicode/gregocal.h>
#include <unicode/timezone.h>

#include <memory>

#include "index/file_index.h"
#include "index/query_parser.h"
#include "util/uuid.h"

namespace quorvale {
namespace {

// Test entries live in a folder no real scan can reach (no root is "/.quorvale-selftest"), so a
// test entry can never be confused with a file.
constexpr std::string_view kCanaryFolder = "/.quorvale-selftest";
constexpr std::string_view kCanaryName = "quorvalecanaryprobe";
constexpr int kCanaryLimit = 3;

// The user's calendar, or the Gregorian one in UTC when ICU cannot build it; the canary's query
// holds no date words, so the time zone cannot change what it finds.
std::unique_ptr<icu::Calendar> currentCalendar() {
  if (auto calendar = QueryParser::currentCalendar()) return calendar;
  UErrorCode status = U_ZERO_ERROR;
  return std::make_unique<icu::GregorianCalendar>(icu::TimeZone::createTimeZone("UTC"), status);
}

std::optional<int64_t> rowCount(sql::Connection& db, const char* table) {
  return db.queryInt(std::string("SELECT COUNT(*) FROM ") + table);
}

}  // namespace

std::string IndexHealth::summary() const {
  if (problems.empty()) return "The index is healthy: " + std::to_string(files) + " items.";
  std::string line = "Problems found:";
  for (const std::string& problem : problems) line += " " + problem;
  return line;
}

IndexHealth FileIndex::healthCheck() {
  IndexHealth health;
  health.databaseOK = quickCheck();
  if (!health.databaseOK) health.problems.push_back("The database file reports damage.");

  // The FTS5 size tables hold one row per indexed document. A table that cannot be counted
  // (missing, or damaged beyond reading) is a problem of its own and is not compared.
  std::optional<int64_t> files = rowCount(db_, "files");
  std::optional<int64_t> textRows = rowCount(db_, "fts_docsize");
  std::optional<int64_t> nameRows = rowCount(db_, "names_tri_docsize");
  health.files = files.value_or(0);
  health.textRows = textRows.value_or(0);
  health.nameRows = nameRows.value_or(0);
  if (!files) health.problems.push_back("The list of items cannot be read.");
  if (!textRows) health.problems.push_back("The text table cannot be read.");
  if (!nameRows) health.problems.push_back("The substring table cannot be read.");

  if (files && textRows && *files != *textRows) {
    health.problems.push_back("The name and text tables disagree (" + std::to_string(*files) +
                              " items, " + std::to_string(*textRows) + " text rows).");
  }
  if (files && nameRows && *files != *nameRows) {
    health.problems.push_back("The substring table disagrees (" + std::to_string(*files) +
                              " items, " + std::to_string(*nameRows) + " rows).");
  }

  health.canaryFound = selfTest();
  if (!health.canaryFound) {
    health.problems.push_back("A test entry could not be written and found again.");
  }
  return health;
}

bool FileIndex::selfTest() {
  // A test interrupted by a crash may have left its entry; it would crowd the new one out of
  // the few hits looked at, so it goes first.
  try {
    removeTree(std::string(kCanaryFolder));
  } catch (...) {
  }

  std::string path;
  try {
    path = std::string(kCanaryFolder) + "/canary-" + uuid::random();
  } catch (...) {
    return false;
  }

  bool found = false;
  try {
    Date now = currentDate();
    FileRecord canary =
        FileRecord::make({.path = path, .name = std::string(kCanaryName), .modified = now});
    upsert(canary, std::nullopt, {});
    Query query = QueryParser::parse(kCanaryName, now, *currentCalendar());
    for (const Hit& hit : search(query, kCanaryLimit, now)) {
      if (hit.record.path == path) found = true;
    }
  } catch (...) {
    // A failed write rolled back; whatever else failed, the removal below still runs.
    found = false;
  }

  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      remove(path);
      return attempt == 0 && found;
    } catch (...) {
    }
  }
  return false;
}

}  // namespace quorvale
