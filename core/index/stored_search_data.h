// Search data kept in the database file itself, for processes that start afresh (every
// `--query`, every start of the launcher): the best rows of one-letter prefixes, the name-column
// vocabulary by first character, the document counts of split one-letter groups, the
// non-ASCII second characters of words and the matches of one-letter prefixes by id. Each item is
// stored with the generation of the data it was worked out for (the counter every change of `files`
// raises, see file_index.cpp), and is read only by a snapshot that holds that same generation; a
// reader never trusts an item of another one.
//
// Table: search_cache(key TEXT PRIMARY KEY, generation INTEGER NOT NULL, data BLOB NOT NULL).
// The writer fills it (FileIndex::warmUp with `store`), replacing the items of every other
// generation; readers look items up one at a time, the first time a search needs one. Items are
// varints, front-coded words or a byte per file, with one format byte in front. Functions of the
// index's connection, on its owner's thread; reads never throw.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "index/full_text_rank.h"
#include "index/shared_search_data.h"
#include "util/sqlite.h"

namespace quorvale {

class FileIndex;

namespace StoredSearchData {

// Creates the table when missing (best effort: a read-only database goes without it).
void createTable(sql::Connection& db);

// The items stored for `generation`; nothing when there is none, it belongs to another
// generation, or it cannot be read. Call inside the read snapshot that holds the generation.
std::optional<std::vector<FullTextRank::Ranked>> ranking(FileIndex& index, const std::string& key,
                                                         int64_t generation);
std::optional<std::vector<NameWord>> vocabulary(FileIndex& index, char32_t first,
                                                int64_t generation);
std::optional<int64_t> groupCount(FileIndex& index, const std::string& group, int64_t generation);
std::optional<std::vector<std::string>> secondCharacters(FileIndex& index, char letter,
                                                         int64_t generation);
std::optional<LetterMatches> letterMatches(FileIndex& index, const std::string& key,
                                           int64_t generation);

// How many items are stored for the generation.
int64_t count(FileIndex& index, int64_t generation);

// Stores every item of `data` for its generation and drops the items of other generations, in
// one transaction; false when the database is busy (the call never waits for another writer)
// or the write failed. Not inside a transaction of the caller's.
bool store(FileIndex& index, const SharedSearchData::Published& data);

// The encoded forms (for the tests of the round trip).
std::string encodeRanking(const std::vector<FullTextRank::Ranked>& rows);
std::optional<std::vector<FullTextRank::Ranked>> decodeRanking(std::string_view data);
std::string encodeVocabulary(const std::vector<NameWord>& words);
std::optional<std::vector<NameWord>> decodeVocabulary(std::string_view data);
std::string encodeLetterMatches(const LetterMatches& matches);
std::optional<LetterMatches> decodeLetterMatches(std::string_view data);

}  // namespace StoredSearchData
}  // namespace quorvale
