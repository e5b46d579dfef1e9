// The on-device encoder at full size with random weights (12 layers, 384 wide, 12 heads, 1536
// intermediate, vocabulary 50368): forward-pass tokens per second on 256-token inputs at one
// and two OpenBLAS threads, batch throughput for 32 texts over all cores, the memory of the
// loaded model, and the tokenizer's throughput in MB/s.
//
//   quorvale_encoder_bench [--dtype F32|F16|BF16] [--runs N] [--model DIR]
//
// The model is written once into DIR (default: a folder under /tmp, reused when present) by a
// child process, so that the figures of memory count only the loaded model. OpenBLAS reads
// OPENBLAS_CORETYPE at start: run once as set and once with it unset to compare kernels.
#include <cblas.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "models/bpe_tokenizer.h"
#include "models/modern_bert_embedder.h"
#include "support/latency.h"
#include "support/model_files.h"

namespace {

using quorvale::bench::millisecondsSince;
using quorvale::bench::summarize;
using Clock = std::chrono::steady_clock;

// A line of /proc/self/status in kB ("VmRSS", "VmHWM").
long statusKilobytes(const std::string& key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(key + ":", 0) == 0) return std::atol(line.c_str() + key.size() + 1);
  }
  return -1;
}

void makeModel(const std::string& directory, const std::string& dtype) {
  if (std::filesystem::exists(directory + "/model.safetensors")) return;
  pid_t child = fork();
  if (child == 0) {
    quorvale::testing::writeRandomModel(directory, {.layers = 12,
                                                    .hidden = 384,
                                                    .heads = 12,
                                                    .intermediate = 1536,
                                                    .vocab = 50368,
                                                    .localWindow = 128,
                                                    .globalEvery = 3,
                                                    .dtype = dtype,
                                                    .seed = 5});
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "could not write the model\n");
    std::exit(1);
  }
}

std::vector<std::int32_t> randomIds(std::mt19937& random, int count) {
  std::uniform_int_distribution<std::int32_t> id(0, 50367);
  std::vector<std::int32_t> ids(static_cast<std::size_t>(count));
  for (auto& value : ids) value = id(random);
  return ids;
}

// CPU time of the whole process (all threads), in milliseconds.
double processCpuMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Wall-clock time says what a user waits on an idle machine; on a shared, busy machine the CPU
// time of the process is the steadier measure of the work itself.
// Wall and process CPU milliseconds of each of `runs` calls of `work`.
template <typename Work>
std::pair<std::vector<double>, std::vector<double>> timedRuns(int runs, Work&& work) {
  std::vector<double> wall, cpu;
  for (int i = 0; i < runs; ++i) {
    auto start = Clock::now();
    double cpuStart = processCpuMilliseconds();
    work(i);
    cpu.push_back(processCpuMilliseconds() - cpuStart);
    wall.push_back(millisecondsSince(start));
  }
  return {wall, cpu};
}

void forwardRate(const quorvale::ModernBertEmbedder& encoder, int threads, int runs) {
  openblas_set_num_threads(threads);
  std::mt19937 random(1);
  auto ids = randomIds(random, 256);
  encoder.forward(ids);  // warm-up
  auto [wall, cpu] = timedRuns(runs, [&](int) { encoder.forward(ids); });
  auto w = summarize(wall);
  auto c = summarize(cpu);
  std::printf(
      "forward 256 tokens, %d BLAS thread(s): wall p50 %.1f ms p99 %.1f ms -> %.0f "
      "tokens/s; CPU p50 %.1f ms p99 %.1f ms -> %.0f tokens per CPU-second\n",
      threads, w.p50, w.p99, 256.0 / (w.p50 / 1000.0), c.p50, c.p99, 256.0 / (c.p50 / 1000.0));
}

// Words of English-like text, repeated up to `bytes`.
std::string sampleText(std::size_t bytes) {
  const char* words[] = {"the",   "quick",   "brown",  "fox",   "jumps",  "over",  "lazy",
                         "dog",   "report",  "2024",   "café",  "don't",  "it's",  "meeting",
                         "notes", "invoice", "12,500", "naïve", "search", "files", "résumé"};
  std::mt19937 random(3);
  std::string text;
  while (text.size() < bytes) {
    text += words[random() % std::size(words)];
    text += random() % 9 == 0 ? ".\n" : " ";
  }
  return text;
}

void batchRate(const quorvale::ModernBertEmbedder& encoder, int runs) {
  // 32 texts of about 254 body tokens each (the byte tokenizer gives about one id per byte).
  std::vector<std::string> texts;
  for (int i = 0; i < 32; ++i) texts.push_back(sampleText(300 + static_cast<std::size_t>(i)));
  encoder.embedBatch({texts[0]});
  auto [times, cpu] = timedRuns(runs, [&](int) { encoder.embedBatch(texts); });
  auto s = summarize(times);
  auto c = summarize(cpu);
  std::printf(
      "batch of 32 texts x 256 tokens over the cores: wall p50 %.0f ms p99 %.0f ms -> "
      "%.1f texts/s, %.0f tokens/s; CPU p50 %.0f ms -> %.0f tokens per CPU-second\n",
      s.p50, s.p99, 32.0 / (s.p50 / 1000.0), 32.0 * 256.0 / (s.p50 / 1000.0), c.p50,
      32.0 * 256.0 / (c.p50 / 1000.0));
}

// One typed query as the panel embeds it on a keystroke (about 20 ids with the benchmark's
// byte-level tokenizer), with OpenBLAS at the thread count the engine leaves it at.
void queryRate(const quorvale::ModernBertEmbedder& encoder, int runs) {
  const char* queries[] = {"renew passport trip", "invoice march taxes", "meeting notes budget"};
  encoder.embed(queries[0]);
  auto [wall, cpu] = timedRuns(runs, [&](int i) { encoder.embed(queries[i % 3]); });
  auto w = summarize(wall);
  auto c = summarize(cpu);
  std::printf(
      "one query embedding (%zu ids): wall p50 %.1f ms p99 %.1f ms; process CPU p50 %.1f ms "
      "p99 %.1f ms\n",
      encoder.tokenizer().encode(queries[0], encoder.maxTokens()).size(), w.p50, w.p99, c.p50,
      c.p99);
}

void tokenizerRate(const std::string& tokenizerFile, int runs) {
  std::string text = sampleText(1 << 20);
  std::vector<double> cold, warm;
  for (int i = 0; i < runs; ++i) {
    quorvale::BPETokenizer tokenizer(tokenizerFile);
    auto start = Clock::now();
    tokenizer.encodeBody(text);
    cold.push_back(millisecondsSince(start));
    start = Clock::now();
    tokenizer.encodeBody(text);
    warm.push_back(millisecondsSince(start));
  }
  double megabytes = static_cast<double>(text.size()) / 1e6;
  std::printf(
      "tokenizer, 1 MiB of text: fresh cache p50 %.1f ms (%.1f MB/s), warm cache p50 "
      "%.1f ms (%.1f MB/s)\n",
      summarize(cold).p50, megabytes / (summarize(cold).p50 / 1000.0), summarize(warm).p50,
      megabytes / (summarize(warm).p50 / 1000.0));
}

}  // namespace

int main(int argc, char** argv) {
  std::string dtype = "F32";
  std::string directory;
  int runs = 15;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string flag = argv[i];
    if (flag == "--dtype") dtype = argv[i + 1];
    if (flag == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
    if (flag == "--model") directory = argv[i + 1];
  }
  if (directory.empty()) directory = "/tmp/quorvale-encoder-bench-" + dtype;
  const char* core = std::getenv("OPENBLAS_CORETYPE");
  std::printf("model %s (%s), OPENBLAS_CORETYPE=%s, %u cores\n", directory.c_str(), dtype.c_str(),
              core ? core : "(unset)", std::thread::hardware_concurrency());
  makeModel(directory, dtype);

  long before = statusKilobytes("VmRSS");
  auto start = Clock::now();
  quorvale::ModernBertEmbedder encoder(directory, 256);
  double loadMs = millisecondsSince(start);
  long loaded = statusKilobytes("VmRSS");
  std::printf("load %.0f ms; resident memory of the loaded model %.1f MB\n", loadMs,
              static_cast<double>(loaded - before) / 1024.0);

  queryRate(encoder, std::max(50, runs * 4));
  forwardRate(encoder, 1, runs);
  forwardRate(encoder, 2, runs);
  batchRate(encoder, std::max(3, runs / 5));
  std::printf(
      "peak resident memory of the process after the forward passes: %.1f MB (%.1f MB "
      "before loading)\n",
      static_cast<double>(statusKilobytes("VmHWM")) / 1024.0, static_cast<double>(before) / 1024.0);
  tokenizerRate(std::string(QUORVALE_TEST_DATA_DIR) + "/models/tokenizer.json", 5);
  return 0;
}
