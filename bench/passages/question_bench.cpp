// The engine's passage work, as a small driver:
//   question to rows  PassageWork::answer and PassageRows::place for generated questions over a
//                     passage database of at least 100,000 passages that all have vectors of the
//                     encoder: one query embedding, the hybrid passage search, the rows;
//   indexing          PassageIndexer::catchUp over generated Markdown documents on disk, in
//                     documents per second (without the pipeline's pause between documents);
//   embedding         PassageEmbedPass::run in batches of 32, in passages per second;
//   memory            resident memory of the process with the encoder loaded and after the idle
//                     unload.
// The encoder is the real one when a model folder is given or the encoder benchmark's model
// (/tmp/quorvale-encoder-bench-F32, full size with random weights) exists; otherwise a fake
// encoder of 384 components, and the figures say so.
//
// Run: build/release/bench/quorvale_question_bench [--passages N] [--questions N]
//      [--documents N] [--embed N] [--model DIR]
#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "corpus/corpus.h"
#include "corpus/prose.h"
#include "corpus/random.h"
#include "corpus/vocabulary.h"
#include "index/file_index.h"
#include "models/modern_bert_embedder.h"
#include "passage_work.h"
#include "passages/passage_chunker.h"
#include "passages/passage_embed_pass.h"
#include "passages/passage_indexer.h"
#include "passages/passage_rows.h"
#include "passages/passage_store.h"
#include "support/fake_embedder.h"
#include "support/latency.h"

namespace quorvale::bench {
namespace {

namespace fs = std::filesystem;

struct Options {
  int64_t passages = 100'000;
  int questions = 300;
  int documents = 1000;
  int embed = 256;
  std::string model = "/tmp/quorvale-encoder-bench-F32";
};

Options parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string flag = argv[i];
    long long value = std::atoll(argv[i + 1]);
    if (flag == "--passages") options.passages = value;
    if (flag == "--questions") options.questions = static_cast<int>(value);
    if (flag == "--documents") options.documents = static_cast<int>(value);
    if (flag == "--embed") options.embed = static_cast<int>(value);
    if (flag == "--model") options.model = argv[i + 1];
  }
  return options;
}

// A fake encoder as wide as the real one, so the dense search costs what it would.
class WideFake final : public BatchEmbedder {
 public:
  std::string identifier() const override { return "fake-384"; }
  std::size_t dimension() const override { return 384; }
  std::optional<std::vector<float>> embed(std::string_view text) const override {
    std::optional<std::vector<float>> narrow = small_.embed(text);
    if (!narrow) return std::nullopt;
    std::vector<float> wide(384, 0.0f);
    for (std::size_t i = 0; i < 384; ++i) wide[i] = (*narrow)[i % 16] / std::sqrt(24.0f);
    return wide;
  }
  std::vector<std::optional<std::vector<float>>> embedBatch(
      const std::vector<std::string>& texts) const override {
    std::vector<std::optional<std::vector<float>>> out;
    for (const auto& text : texts) out.push_back(embed(text));
    return out;
  }

 private:
  testing::FakeEmbedder small_;
};

std::vector<std::string> questions(int count) {
  const std::vector<std::string>& vocabulary = corpusVocabulary();
  Random random(2024);
  const char* frames[] = {"which file mentions ", "where did i write about ", "what is the ",
                          "how do i ", "?"};
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i) {
    std::string q = frames[random.below(std::size(frames))];
    const int words = static_cast<int>(random.between(1, 4));
    for (int w = 0; w < words; ++w)
      q += (w ? " " : "") + vocabulary[random.below(vocabulary.size())];
    out.push_back(q + "?");
  }
  return out;
}

long residentKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with("VmRSS:")) return std::atol(line.c_str() + 6);
  }
  return -1;
}

// Fills the database with passages and gives each a random unit vector of the encoder.
void buildDatabase(const std::string& path, int64_t passages, const BatchEmbedder& encoder) {
  PassageStore store(path);
  if (store.count() >= passages && store.vectorCount(encoder.identifier()) >= store.count()) return;
  store.clear();
  int64_t files = 0;
  while (store.count() < passages) {
    ChunkedText chunked =
        PassageChunker::chunk(markdownDocument(static_cast<uint64_t>(files)), true);
    store.upsert("/bench/notes/doc" + std::to_string(files) + ".md", 1.7e9, 1, chunked.chunks,
                 chunked.truncated);
    ++files;
  }
  std::mt19937 random(7);
  std::normal_distribution<float> normal;
  while (true) {
    std::vector<PassageStore::ChunkText> batch =
        store.chunksWithoutVectors(encoder.identifier(), 2000);
    if (batch.empty()) break;
    std::vector<PassageStore::VectorItem> items;
    for (const auto& chunk : batch) {
      std::vector<float> vector(encoder.dimension());
      for (float& value : vector) value = normal(random);
      items.push_back({.chunkID = chunk.id, .vector = std::move(vector)});
    }
    store.storeVectors(encoder.identifier(), items);
  }
  std::printf("database: %lld files, %lld passages with vectors\n", static_cast<long long>(files),
              static_cast<long long>(store.count()));
}

void questionToRows(const Options& options, const std::string& dir,
                    const std::shared_ptr<const BatchEmbedder>& encoder) {
  buildDatabase(dir + "/passages.db", options.passages, *encoder);
  PassageWork work({.supportDir = dir,
                    .guard = nullptr,
                    .clock = Clock::steady(),
                    .energy = nullptr,
                    .encoder = {.identifier = encoder->identifier(),
                                .installedFolder = [] { return std::optional<std::string>("m"); },
                                .load = [encoder](const std::string&) { return encoder; }},
                    .onPassageStatus = nullptr,
                    .fileExists = [](const std::string&) { return true; },
                    .limits = {}});
  QuorvaleSettings settings;
  settings.questionSearch = true;
  std::vector<std::string> set = questions(options.questions);
  for (int i = 0; i < 20; ++i) work.answer(set[static_cast<std::size_t>(i)], true, settings);
  std::vector<double> wall, cpu, embedding;
  std::size_t answered = 0;
  for (const std::string& question : set) {
    auto start = std::chrono::steady_clock::now();
    double cpuStart = threadCpuMilliseconds();
    std::optional<QuestionAnswer> answer = work.answer(question, true, settings);
    std::vector<Suggestion> rows =
        answer ? PassageRows::place(answer->rows, answer->weak, {}, 8) : std::vector<Suggestion>{};
    wall.push_back(millisecondsSince(start));
    cpu.push_back(threadCpuMilliseconds() - cpuStart);
    answered += rows.size() > 1 ? 1 : 0;
    start = std::chrono::steady_clock::now();
    encoder->embed(question);
    embedding.push_back(millisecondsSince(start));
  }
  std::printf("question to rows: %zu questions, %zu with passage rows\n", set.size(), answered);
  printSummary("answer + rows (one query embedding), wall", wall);
  printSummary("answer + rows, thread CPU", cpu);
  printSummary("of which the query embedding alone, wall", embedding);
}

void indexing(const Options& options, const std::string& dir) {
  std::string folder = dir + "/documents";
  fs::create_directories(folder);
  FileIndex files(std::nullopt);
  for (int i = 0; i < options.documents; ++i) {
    std::string path = folder + "/doc" + std::to_string(i) + ".md";
    std::string text = markdownDocument(500'000 + static_cast<uint64_t>(i));
    std::ofstream(path) << text;
    files.upsert(
        FileRecord::make(
            {.path = path, .size = static_cast<int64_t>(text.size()), .modified = 1.7e9 + i}),
        std::nullopt, {});
  }
  PassageStore store(dir + "/indexing.db");
  store.clear();
  ExtractionGuard guard(dir);
  PassageIndexer indexer(store, guard, {.pauseSeconds = 0});
  auto start = std::chrono::steady_clock::now();
  PassageIndexer::Summary summary = indexer.catchUp(files, nullptr, nullptr, nullptr);
  double seconds = millisecondsSince(start) / 1000;
  std::printf(
      "indexing: %lld documents (%lld passages) in %.2f s: %.0f documents/s without the pause "
      "(the pipeline's 0.02 s pause caps it at 50/s)\n",
      static_cast<long long>(summary.written), static_cast<long long>(store.count()), seconds,
      static_cast<double>(summary.written) / seconds);
}

void embedding(const Options& options, const std::string& dir, const BatchEmbedder& encoder) {
  PassageStore store(dir + "/embedding.db");
  store.clear();
  int64_t files = 0;
  while (store.count() < options.embed) {
    ChunkedText chunked =
        PassageChunker::chunk(markdownDocument(900'000 + static_cast<uint64_t>(files)), true);
    store.upsert("/bench/e" + std::to_string(files++) + ".md", 1, 1, chunked.chunks, false);
  }
  auto start = std::chrono::steady_clock::now();
  PassageEmbedPass::Result result =
      PassageEmbedPass::run(store, encoder, PassageWork::kEmbedBatch, nullptr, nullptr, nullptr);
  double seconds = millisecondsSince(start) / 1000;
  std::printf("embedding: %lld passages in %.2f s: %.1f passages/s (batches of 32)\n",
              static_cast<long long>(result.embedded), seconds,
              static_cast<double>(result.embedded) / seconds);
}

double megabytes(long kilobytes) {
  return static_cast<double>(kilobytes) / 1024.0;
}

void memory(const std::string& dir, const EncoderSource& source) {
  auto clock = std::make_shared<ManualClock>();
  PassageWork work({.supportDir = dir,
                    .guard = nullptr,
                    .clock = clock,
                    .energy = nullptr,
                    .encoder = source,
                    .onPassageStatus = nullptr,
                    .fileExists = nullptr,
                    .limits = {}});
  long before = residentKilobytes();
  work.modelEmbedder()->embed("warm the encoder up");
  long loaded = residentKilobytes();
  clock->advance(std::chrono::seconds(301));
  work.waitUntilIdle();
  long unloaded = residentKilobytes();
  malloc_trim(0);
  long trimmed = residentKilobytes();
  std::printf(
      "memory: resident %.1f MB before loading, %.1f MB with the encoder loaded, %.1f MB after "
      "the idle unload (%.1f MB after malloc_trim); encoder %s\n",
      megabytes(before), megabytes(loaded), megabytes(unloaded), megabytes(trimmed),
      work.encoderLoaded() ? "still loaded" : "unloaded");
}

}  // namespace
}  // namespace quorvale::bench

int main(int argc, char** argv) {
  using namespace quorvale;
  using namespace quorvale::bench;
  Options options = parse(argc, argv);
  std::string dir = "/tmp/quorvale-question-bench";
  fs::create_directories(dir);

  bool real = fs::exists(options.model + "/model.safetensors");
  EncoderSource source{
      .identifier = real ? ModernBertEmbedder::kIdentifier : "fake-384",
      .installedFolder = [&] { return std::optional<std::string>(options.model); },
      .load = [real](const std::string& folder) -> std::shared_ptr<const BatchEmbedder> {
        if (real) return std::make_shared<ModernBertEmbedder>(folder, 256);
        return std::make_shared<WideFake>();
      }};
  std::printf("encoder: %s\n", real ? ("the real encoder from " + options.model).c_str()
                                    : "a fake encoder of 384 components (no model found)");
  // Memory first, while the process holds nothing else.
  memory(dir, source);
  std::shared_ptr<const BatchEmbedder> encoder = source.load(options.model);
  questionToRows(options, dir, encoder);
  if (options.documents > 0) indexing(options, dir);
  if (options.embed > 0) embedding(options, dir, *encoder);
  return 0;
}
