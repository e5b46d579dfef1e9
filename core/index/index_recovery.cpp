#include "index/index_recovery.h"

#include <sys/stat.h>

#include <cstdio>
#include <ctime>

#include "index/file_index_access.h"

namespace quorvale {
namespace {

bool exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

// "<path>.damaged-20261206-091500", with a counter when that name is taken.
std::string asideName(const std::string& path) {
  std::time_t now = std::time(nullptr);
  std::tm parts{};
  gmtime_r(&now, &parts);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &parts);
  std::string base = path + ".damaged-" + stamp;
  std::string name = base;
  for (int n = 2; exists(name) || exists(name + "-wal"); ++n) name = base + "-" + std::to_string(n);
  return name;
}

void setAside(const std::string& path, const std::string& aside) {
  if (std::rename(path.c_str(), aside.c_str()) != 0) {
    throw IndexError::open("cannot move the damaged database aside");
  }
  // The journal files belong to the damaged database; they travel with it under its new name.
  for (const char* suffix : {"-wal", "-shm", "-journal"}) {
    std::string from = path + suffix;
    if (exists(from)) std::rename(from.c_str(), (aside + suffix).c_str());
  }
}

// Copies the rows of one learning table that still read; stops at the first unreadable page.
int64_t carryOver(sql::Connection& damaged, FileIndex& fresh, const std::string& select,
                  const std::string& insert) {
  sql::Statement rows = damaged.prepare(select);
  if (!rows) return 0;
  int64_t carried = 0;
  int columns = sqlite3_column_count(rows.raw());
  while (rows.step() == SQLITE_ROW) {
    std::vector<FileIndex::Bind> values;
    for (int column = 0; column < columns; ++column) {
      switch (sqlite3_column_type(rows.raw(), column)) {
        case SQLITE_INTEGER:
          values.emplace_back(rows.columnInt(column));
          break;
        case SQLITE_FLOAT:
          values.emplace_back(rows.columnDouble(column));
          break;
        default:
          values.emplace_back(rows.columnText(column));
          break;
      }
    }
    try {
      FileIndexAccess::write(fresh, insert, values);
      ++carried;
    } catch (const IndexError&) {
    }
  }
  return carried;
}

void salvageLearning(const std::string& aside, OpenedIndex& opened) {
  std::string message;
  sql::Connection damaged =
      sql::Connection::open(aside, SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX, message);
  if (!damaged) return;
  FileIndex& fresh = *opened.index;
  try {
    fresh.transaction([&] {
      opened.carriedUsage = carryOver(damaged, fresh, "SELECT path, count, last FROM usage",
                                      "INSERT OR REPLACE INTO usage(path, count, last) "
                                      "VALUES(?, ?, ?)");
      opened.carriedChoices = carryOver(damaged, fresh, "SELECT q, path, count, last FROM choices",
                                        "INSERT OR REPLACE INTO choices(q, path, count, last) "
                                        "VALUES(?, ?, ?, ?)");
    });
  } catch (const IndexError&) {
    opened.carriedUsage = opened.carriedChoices = 0;
  }
}

}  // namespace

std::string setDatabaseAside(const std::string& path) {
  std::string aside = asideName(path);
  setAside(path, aside);
  return aside;
}

OpenedIndex openFileIndex(const std::string& path, FileIndex::Options options) {
  // Opening reads only the schema: no integrity check here, so that opening costs the same
  // whatever the size of the index. Damage found later in use is handled by the owner, which
  // runs the thorough check off the start-up path and calls `replaceDamagedIndex`.
  try {
    OpenedIndex opened;
    opened.index = std::make_unique<FileIndex>(path, options);
    return opened;
  } catch (const IndexError& error) {
    if (!isDamage(error) || !exists(path)) throw;
  }
  return replaceDamagedIndex(path, options);
}

OpenedIndex replaceDamagedIndex(const std::string& path, FileIndex::Options options) {
  OpenedIndex opened;
  std::string aside = setDatabaseAside(path);
  opened.setAside = aside;
  opened.index = std::make_unique<FileIndex>(path, options);
  salvageLearning(aside, opened);
  return opened;
}

bool isDamage(const IndexError& error) {
  return FileIndex::isDamageCode(error.code());
}

}  // namespace quorvale
