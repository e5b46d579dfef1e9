// Opening the passage database so that damage never stops the program: a file that is not a
// database, or that fails its checks, is renamed aside (as the files database does) and a fresh
// database takes its place; passages are rebuilt by the next indexing pass. Nothing is deleted
// or overwritten. Called by the engine when it opens the writer connection.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "passages/passage_store.h"

namespace quorvale {

struct OpenedPassageStore {
  std::unique_ptr<PassageStore> store;
  // Where the damaged database was moved, when it was.
  std::optional<std::string> setAside;
};

// Throws PassageError when even a fresh database cannot be created, or when the file cannot be
// opened for reasons other than damage (it is then left untouched).
OpenedPassageStore openPassageStore(const std::string& path);

}  // namespace quorvale
