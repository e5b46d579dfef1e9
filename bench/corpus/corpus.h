// A deterministic benchmark corpus: a tree of files that looks like a person's home folder
// (software projects with node_modules/.git/build output to prune, documents, invoices, notes,
// logs, pictures, downloads, web sites, data sets) in text, markdown, code, CSV, JSON, YAML,
// HTML, PDF and Word formats, written in a Zipf-distributed vocabulary.
//
// The same options give the same files, byte for byte, on every run: the generator uses its own
// random numbers and never the clock. The functions here hold no state and may be called from
// any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quorvale::bench {

struct CorpusOptions {
  std::size_t files = 10000;
  uint64_t seed = 1;
};

struct GeneratedFile {
  std::string relativePath;  // "/"-separated, relative to the corpus root
  std::string bytes;         // the whole file (for PDF and Word files, the binary file)
  double modified = 0;       // seconds since 1970

  bool operator==(const GeneratedFile&) const = default;
};

struct CorpusStats {
  int64_t files = 0;
  int64_t folders = 0;  // below the root, the root itself not counted
  int64_t bytes = 0;
  int64_t prunedFiles = 0;     // files inside node_modules/, .git/, build output and the like
  int64_t indexedEntries = 0;  // files and folders that a scan with default settings visits

  bool operator==(const CorpusStats&) const = default;
};

// Calls `visit` for each file, in the same order every time.
void forEachGeneratedFile(const CorpusOptions& options,
                          const std::function<void(const GeneratedFile&)>& visit);

// Writes the corpus below `root` (created when missing) with each file's modification time;
// folders get a fixed time too. Throws std::runtime_error when a file cannot be written.
CorpusStats writeCorpus(const std::string& root, const CorpusOptions& options);

// The relative paths of the files that a scan indexes (pruned folders left out), in generation
// order, computed without rendering any file; for drawing realistic name queries.
std::vector<std::string> corpusFileNames(const CorpusOptions& options);

// The content words, most frequent first; for drawing realistic content queries.
const std::vector<std::string>& corpusVocabulary();

}  // namespace quorvale::bench
