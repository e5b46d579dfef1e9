// The known-item query set: files drawn at random from a scanned corpus's index, each with what a
// person would type to find it. Four kinds of query:
//   name          two words of the file's name (as the index splits it: camel case, "_", "-"),
//                 in the name's order;
//   name, typing  the same two words with the last one cut to its first three letters (a word of
//                 four letters or more, so that the cut is a real prefix);
//   content       the two rarest words of the file's indexed text (fewest files holding them in
//                 their contents, from the index's own document frequencies), words of four
//                 letters or more that are not in the name;
//   typo          one name word of five letters or more with two neighbouring letters swapped
//                 (never the first, which the typo lookup keeps).
// Only words made of letters count (so "2024" or "v2" are never typed). The draw is seeded and
// reads the index in id order, so the same index gives the same queries. Single-threaded.
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quorvale::bench {

enum class QueryKind { name, typing, content, typo };
inline constexpr std::array<QueryKind, 4> kQueryKinds{QueryKind::name, QueryKind::typing,
                                                      QueryKind::content, QueryKind::typo};
std::string_view kindName(QueryKind kind);

struct KnownItem {
  QueryKind kind;
  std::string query;
  std::string path;   // the file the query should find
  std::string meant;  // the words the user meant: the query, or for a typo the word unswapped
};

struct KnownItemOptions {
  uint64_t seed = 11;
  int perKind = 40;
  // Only files with these extensions are drawn; empty: every file.
  std::set<std::string> extensions;
};

// Reads the files and the content vocabulary of the index at `database` (a files database
// written by a scan) and re-reads drawn files' texts with the default extractor, as the scan did.
// Throws std::runtime_error when the database cannot be read.
std::vector<KnownItem> knownItems(const std::string& database, const KnownItemOptions& options);

}  // namespace quorvale::bench
