// Query expansion: near-synonyms of a question's words from an English word-embedding table. This
// platform offers no such table, so `platformWordTable` is absent and expansion yields nothing;
// the interface lets the search take one (tests inject a small table). Safe on any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvale {

class WordTable {
 public:
  struct Neighbour {
    std::string word;
    double distance = 0;  // cosine distance
  };
  virtual ~WordTable() = default;
  // At most `count` nearest neighbours of the word, nearest first.
  virtual std::vector<Neighbour> neighbours(std::string_view word, int count) const = 0;
};

// The platform's English word table; null when there is none (always, on Linux).
const WordTable* platformWordTable();
bool expansionAvailable();

}  // namespace quorvale
