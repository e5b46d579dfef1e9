// Generated file records with texts for the search benchmark: deterministic for a seed, written
// straight into a FileIndex without touching the disk. Names, folders and contents are drawn from
// one word list with Zipf-like frequencies, so that prefixes, common words and rare words all
// occur as they do in a real home folder. Single-threaded; each call stands alone.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "index/file_record.h"

namespace quorvale::bench {

struct GeneratedFile {
  FileRecord record;
  std::optional<std::string> content;
  std::vector<std::string> alternateNames;
};

// The words names and texts are made of, most frequent first.
const std::vector<std::string>& generatedWords();

// Calls `visit` for `count` files under `root`, the same files for the same seed; `now` anchors
// the dates.
void generateFiles(uint64_t seed, int64_t count, double now, const std::string& root,
                   const std::function<void(const GeneratedFile&)>& visit);

// Name words in the order of their frequency in generated names.
std::vector<std::string> generatedNameWords();

}  // namespace quorvale::bench
