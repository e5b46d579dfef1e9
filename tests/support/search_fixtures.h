// What the search tests share: the calendar the query parser reads dates with, a
// deterministic generator for the corpora they build, and a file searched both with every
// shortcut and with SQLite's own ranking statement.
#pragma once

#include <gtest/gtest.h>
#include <unicode/gregocal.h>

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "index/file_index.h"
#include "index/file_index_access.h"
#include "support/test_support.h"
#include "util/phase_times.h"

namespace quorvale::testing {

// A Gregorian calendar in the named time zone.
inline std::unique_ptr<icu::Calendar> calendarIn(const char* zone = "UTC") {
  UErrorCode status = U_ZERO_ERROR;
  return std::make_unique<icu::GregorianCalendar>(icu::TimeZone::createTimeZone(zone), status);
}

// A 64-bit linear congruential generator: the same numbers on every machine and every run.
class Lcg {
 public:
  explicit Lcg(uint64_t seed) : state_(seed) {}
  uint64_t next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return state_ >> 33;
  }

 private:
  uint64_t state_;
};

// Every path the files table holds.
inline std::set<std::string> storedPaths(FileIndex& index) {
  std::set<std::string> paths;
  auto statement = FileIndexAccess::connection(index).prepare("SELECT path FROM files");
  while (statement.step() == SQLITE_ROW) paths.insert(statement.columnText(0));
  return paths;
}

// A fixture over one index file with a writing connection, a searching connection that takes
// every shortcut, and one that ranks with SQLite's "ORDER BY bm25(...)", whose answers the
// fast one must give exactly. `Base` is ::testing::Test or a TestWithParam.
template <class Base = ::testing::Test>
class FastAndPlain : public Base {
 public:
  explicit FastAndPlain(FileIndexOptions fast = {}) : fast_(path_, fast) {
    PhaseTimes::enable(true);
    PhaseTimes::take();
  }
  ~FastAndPlain() override { PhaseTimes::enable(false); }

  // Whether the named phase ran since the last call: the shortcut under test was taken.
  static bool ran(std::string_view phase) {
    bool any = false;
    for (const auto& total : PhaseTimes::take()) any = any || total.name == phase;
    return any;
  }

  TempDir folder_;
  std::string path_ = folder_ / "index.db";
  FileIndex writer_{path_};
  FileIndex fast_;
  FileIndex plain_{path_, FileIndexOptions{.fastRanking = false}};
  std::unique_ptr<icu::Calendar> calendar_ = calendarIn();
};

}  // namespace quorvale::testing
