#include "passages/passage_store_opening.h"

#include <sys/stat.h>

#include "index/index_recovery.h"

namespace quorvale {
namespace {

bool isDamage(const PassageError& error) {
  int primary = error.code() & 0xff;
  return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

bool exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

OpenedPassageStore openPassageStore(const std::string& path) {
  OpenedPassageStore opened;
  try {
    opened.store = std::make_unique<PassageStore>(path);
    if (opened.store->quickCheck()) return opened;
    opened.store.reset();
  } catch (const PassageError& error) {
    if (!isDamage(error) || !exists(path)) throw;
  }
  try {
    opened.setAside = setDatabaseAside(path);
  } catch (const IndexError& error) {
    throw PassageError::open(error.what());
  }
  opened.store = std::make_unique<PassageStore>(path);
  return opened;
}

}  // namespace quorvale
