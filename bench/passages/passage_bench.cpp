// Passage benchmarks, as a small driver (one database build is too long for Google Benchmark's
// repetitions):
//   chunking     PassageChunker::chunk over generated Markdown documents, in MB/s of input;
//   word search  PassageSearch::search (limit 4, expansion on) for generated questions over a
//                file database of at least 100,000 passages: p50/p95/p99 per question;
//   dense        DenseIndex::nearest (k = 50) over 100,000 x 384 int8 rows, with the bytes
//                streamed per second against this machine's plain memory read bandwidth.
//
// Run: build/release/bench/quorvale_passage_bench [--passages N] [--questions N] [--dense-rows N]
//      [--db FILE]   (keeps the built database in FILE and reuses it on the next run)
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "corpus/corpus.h"
#include "corpus/prose.h"
#include "corpus/random.h"
#include "corpus/vocabulary.h"
#include "passages/dense_index.h"
#include "passages/passage_chunker.h"
#include "passages/passage_search.h"
#include "passages/passage_store.h"
#include "passages/passage_terms.h"
#include "passages/question_detector.h"
#include "support/latency.h"

namespace quorvale::bench {
namespace {

struct Options {
  int64_t passages = 100'000;
  int questions = 1000;
  std::size_t denseRows = 100'000;
  std::size_t dimension = 384;
  // A database kept from an earlier run (built there when missing); a scratch one otherwise.
  std::string database;
};

Options parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string flag = argv[i];
    long long value = std::atoll(argv[i + 1]);
    if (flag == "--passages") options.passages = value;
    if (flag == "--questions") options.questions = static_cast<int>(value);
    if (flag == "--dense-rows") options.denseRows = static_cast<std::size_t>(value);
    if (flag == "--db") options.database = argv[i + 1];
  }
  return options;
}

void buildDatabase(PassageStore& store, const Options& options) {
  int64_t bytes = 0, passages = 0, files = 0;
  while (passages < options.passages) {
    std::string text = markdownDocument(static_cast<uint64_t>(files));
    ChunkedText chunked = PassageChunker::chunk(text, true);
    bytes += static_cast<int64_t>(text.size());
    passages += static_cast<int64_t>(chunked.chunks.size());
    store.upsert("/home/user/notes/doc" + std::to_string(files) + ".md", 1.7e9, 1, chunked.chunks,
                 chunked.truncated);
    ++files;
  }
  std::printf("database: %lld files, %lld passages, %.1f MB of text\n",
              static_cast<long long>(files), static_cast<long long>(store.count()),
              static_cast<double>(bytes) / 1e6);
}

// Chunking throughput over generated documents and over one 2 MB line of words, by thread CPU
// time (the wall time on a shared machine measures the neighbours).
void chunking() {
  std::vector<std::string> documents;
  std::size_t bytes = 0;
  for (uint64_t i = 0; i < 3000; ++i) {
    documents.push_back(markdownDocument(1'000'000 + i));
    bytes += documents.back().size();
  }
  std::vector<double> perDocument;
  double total = 0;
  for (const std::string& text : documents) {
    double start = threadCpuMilliseconds();
    ChunkedText chunked = PassageChunker::chunk(text, true);
    double ms = threadCpuMilliseconds() - start;
    perDocument.push_back(ms);
    total += ms;
  }
  std::printf("chunking: %.1f MB/s over %zu documents of %zu bytes on average (thread CPU)\n",
              static_cast<double>(bytes) / 1e3 / total, documents.size(), bytes / documents.size());
  printSummary("PassageChunker::chunk per document, CPU", perDocument);

  std::string line;
  while (line.size() < 2'000'000) line += "lorem ipsum dolor sit amet ";
  std::vector<double> times;
  for (int r = 0; r < 5; ++r) {
    double start = threadCpuMilliseconds();
    PassageChunker::chunk(line, true);
    times.push_back(threadCpuMilliseconds() - start);
  }
  std::printf("chunking one 2 MB line: %.1f MB/s at the median (thread CPU)\n",
              static_cast<double>(line.size()) / 1e3 / summarize(times).p50);
}

// Questions of one to four content words, a fifth of them with a quoted phrase. `head` draws the
// words from the 300 most frequent of the vocabulary (questions whose words are in most
// passages: the slow case of an OR search ranked by bm25); otherwise from the whole vocabulary.
std::vector<std::string> questions(int count, bool head) {
  const std::vector<std::string>& vocabulary = corpusVocabulary();
  Random random(2024);
  const char* frames[] = {"which file mentions ",
                          "where did i write about ",
                          "what is the ",
                          "how do i ",
                          "find the document that ",
                          "?"};
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i) {
    std::string q = frames[random.below(std::size(frames))];
    const int words = static_cast<int>(random.between(1, 4));
    for (int w = 0; w < words; ++w) {
      std::size_t range = head ? 300 : vocabulary.size();
      q += (w ? " " : "") + vocabulary[random.below(range)];
    }
    if (random.below(5) == 0) {
      q += " \"" + zipfWord(random) + " " + zipfWord(random) + "\"";
    }
    out.push_back(q + "?");
  }
  return out;
}

void wordSearch(PassageStore& store, const std::vector<std::string>& set, const char* name) {
  PassageSearchOptions searchOptions{.limit = 4, .expand = true};
  for (std::size_t i = 0; i < std::min<std::size_t>(50, set.size()); ++i) {
    PassageSearch::search(store, set[i], searchOptions);
  }
  std::vector<double> wall, cpu, match;
  std::size_t answered = 0;
  for (const std::string& question : set) {
    auto start = std::chrono::steady_clock::now();
    double cpuStart = threadCpuMilliseconds();
    PassageResult result = PassageSearch::search(store, question, searchOptions);
    cpu.push_back(threadCpuMilliseconds() - cpuStart);
    wall.push_back(millisecondsSince(start));
    answered += result.hits.empty() ? 0 : 1;

    // The full-text statement alone, for the share of the search that SQLite takes.
    QuestionTerms terms = QuestionDetector::contentWords(question);
    std::optional<std::string> expression =
        PassageTerms::matchExpression(terms.words, terms.phrases);
    if (!expression) continue;
    cpuStart = threadCpuMilliseconds();
    store.matchChunkIDs(*expression, PassageSearch::kLexicalLimit);
    match.push_back(threadCpuMilliseconds() - cpuStart);
  }
  std::printf("word search, %s: %zu questions, %zu answered\n", name, set.size(), answered);
  printSummary("PassageSearch::search wall", wall);
  printSummary("PassageSearch::search thread CPU", cpu);
  printSummary("of which matchChunkIDs, thread CPU", match);
}

// Streams a buffer four times larger than the index through a plain sum: what this machine's
// memory gives a single thread.
double memoryReadGBs(std::size_t bytes) {
  std::vector<int64_t> buffer(bytes / 8, 1);
  std::vector<double> times;
  volatile int64_t sink = 0;
  for (int r = 0; r < 7; ++r) {
    auto start = std::chrono::steady_clock::now();
    int64_t sum = 0;
    for (int64_t v : buffer) sum += v;
    sink = sink + sum;
    times.push_back(millisecondsSince(start));
  }
  return static_cast<double>(bytes) / 1e6 / summarize(times).p50;
}

void dense(const Options& options) {
  std::mt19937 random(5);
  std::uniform_int_distribution<int> byte(-127, 127);
  std::uniform_real_distribution<float> unit(-1, 1);
  std::vector<int64_t> ids(options.denseRows);
  std::vector<float> scales(options.denseRows);
  std::vector<int8_t> matrix(options.denseRows * options.dimension);
  for (std::size_t i = 0; i < ids.size(); ++i) {
    ids[i] = static_cast<int64_t>(i + 1);
    scales[i] = 0.001f + 0.01f * std::abs(unit(random));
  }
  for (int8_t& b : matrix) b = static_cast<int8_t>(byte(random));
  const double matrixMB = static_cast<double>(matrix.size()) / 1e6;
  DenseIndex index(options.dimension, std::move(ids), std::move(scales), std::move(matrix));

  std::vector<double> times, cpu;
  for (int q = 0; q < 120; ++q) {
    std::vector<float> query(options.dimension);
    for (float& x : query) x = unit(random);
    auto start = std::chrono::steady_clock::now();
    double cpuStart = threadCpuMilliseconds();
    auto nearest = index.nearest(query, 50);
    double cpuMs = threadCpuMilliseconds() - cpuStart;
    double ms = millisecondsSince(start);
    if (q >= 20) {  // the first calls fault in the scratch block
      times.push_back(ms);
      cpu.push_back(cpuMs);
    }
  }
  Summary s = summarize(times);
  std::printf("dense: %zu x %zu int8 (%.1f MB), k = 50\n", options.denseRows, options.dimension,
              matrixMB);
  printSummary("DenseIndex::nearest wall", times);
  printSummary("DenseIndex::nearest thread CPU", cpu);
  std::printf(
      "  streamed %.2f GB/s at the median wall time, %.2f GB/s at the median CPU time;\n"
      "  plain single-thread memory read %.2f GB/s\n",
      matrixMB / s.p50, matrixMB / summarize(cpu).p50,
      memoryReadGBs(static_cast<std::size_t>(matrixMB * 4e6)));
}

}  // namespace
}  // namespace quorvale::bench

int main(int argc, char** argv) {
  using namespace quorvale;
  bench::Options options = bench::parse(argc, argv);
  char folder[] = "/tmp/quorvale-passage-bench-XXXXXX";
  const bool scratch = options.database.empty();
  if (scratch && mkdtemp(folder) == nullptr) return 1;
  const std::string path = scratch ? std::string(folder) + "/passages.db" : options.database;
  {
    PassageStore store(path);
    if (store.count() < options.passages) bench::buildDatabase(store, options);
    std::printf("database on disk: %.1f MB, %lld passages\n",
                static_cast<double>(store.diskBytes()) / 1e6,
                static_cast<long long>(store.count()));
    bench::wordSearch(store, bench::questions(options.questions, false), "any words");
    bench::wordSearch(store, bench::questions(options.questions, true), "frequent words");
  }
  if (scratch) {
    for (const char* suffix : {"", "-wal", "-shm"}) unlink((path + suffix).c_str());
    rmdir(folder);
  }
  bench::chunking();
  bench::dense(options);
  return 0;
}
