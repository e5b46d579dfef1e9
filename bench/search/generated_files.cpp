#include "search/generated_files.h"

#include <array>
#include <cmath>
#include <string_view>
#include <unordered_set>

#include "search/split_mix.h"

namespace quorvale::bench {
namespace {

// splitmix64: small, fast and the same on every platform (std distributions are not).
constexpr std::string_view kCommonWords[] = {
    "the",   "of",    "and",   "to",      "in",      "is",     "that",  "for",     "it",
    "as",    "with",  "be",    "on",      "not",     "this",   "are",   "or",      "from",
    "at",    "which", "have",  "an",      "they",    "you",    "were",  "their",   "one",
    "all",   "we",    "can",   "has",     "there",   "if",     "more",  "when",    "will",
    "would", "who",   "so",    "no",      "other",   "its",    "may",   "these",   "what",
    "than",  "some",  "time",  "into",    "only",    "new",    "also",  "two",     "any",
    "up",    "first", "could", "our",     "then",    "most",   "see",   "should",  "after",
    "said",  "your",  "very",  "between", "made",    "many",   "over",  "like",    "those",
    "now",   "such",  "how",   "where",   "each",    "before", "must",  "through", "back",
    "years", "much",  "well",  "because", "down",    "still",  "here",  "however", "both",
    "while", "under", "never", "same",    "another", "know",   "last",  "might",   "great",
    "since", "right", "three", "during",  "without", "again",  "place", "around",  "small",
    "found", "every", "next",  "better",  "today"};

constexpr std::string_view kNameWords[] = {
    "account",   "agenda",      "agreement", "album",       "analysis",   "annual",
    "api",       "application", "approval",  "archive",     "article",    "audit",
    "backlog",   "backup",      "balance",   "bank",        "benchmark",  "bill",
    "board",     "book",        "booking",   "brief",       "budget",     "build",
    "business",  "cache",       "calendar",  "campaign",    "candidate",  "card",
    "catalog",   "chapter",     "chart",     "checklist",   "client",     "cluster",
    "code",      "collection",  "company",   "component",   "config",     "contact",
    "contract",  "cost",        "course",    "cover",       "customer",   "dashboard",
    "data",      "database",    "deadline",  "delivery",    "demo",       "deploy",
    "design",    "diagram",     "diary",     "draft",       "driver",     "editor",
    "email",     "employee",    "engine",    "estimate",    "event",      "expense",
    "export",    "family",      "feature",   "feedback",    "final",      "finance",
    "flight",    "form",        "garden",    "guide",       "handbook",   "health",
    "holiday",   "hotel",       "image",     "import",      "index",      "insurance",
    "interview", "inventory",   "invoice",   "issue",       "itinerary",  "journal",
    "kitchen",   "label",       "lecture",   "letter",      "library",    "license",
    "list",      "loan",        "logo",      "manual",      "map",        "marketing",
    "meeting",   "memo",        "menu",      "migration",   "minutes",    "model",
    "module",    "monthly",     "mortgage",  "network",     "newsletter", "notes",
    "offer",     "onboarding",  "order",     "outline",     "packing",    "parser",
    "passport",  "payment",     "payroll",   "performance", "photo",      "pipeline",
    "plan",      "planning",    "policy",    "portfolio",   "poster",     "presentation",
    "price",     "profile",     "project",   "proposal",    "prototype",  "purchase",
    "quarterly", "query",       "quote",     "receipt",     "recipe",     "record",
    "release",   "renovation",  "rental",    "report",      "request",    "research",
    "resume",    "review",      "roadmap",   "salary",      "sample",     "schedule",
    "schema",    "script",      "server",    "service",     "session",    "settings",
    "shopping",  "sketch",      "slides",    "spec",        "sprint",     "statement",
    "status",    "strategy",    "summary",   "survey",      "syllabus",   "task",
    "tax",       "template",    "test",      "thesis",      "ticket",     "timeline",
    "training",  "travel",      "trip",      "tutorial",    "update",     "upgrade",
    "vacation",  "vendor",      "version",   "video",       "wedding",    "weekly",
    "workshop",  "worksheet",   "wiki"};

constexpr std::string_view kOnsets[] = {
    "b", "br", "c",  "ch", "cl", "d", "dr", "f",  "fl", "g",  "gr", "h",  "j",  "k", "l", "m",
    "n", "p",  "pl", "pr", "qu", "r", "s",  "sh", "sl", "st", "t",  "th", "tr", "v", "w", "z"};
constexpr std::string_view kVowels[] = {"a", "e", "i", "o", "u", "ai", "ea", "io", "ou", "y"};
constexpr std::string_view kCodas[] = {"", "n", "r", "s", "t", "l", "m", "nd", "rk", "st", "x"};

constexpr int kMadeUpWords = 12000;

std::string madeUpWord(SplitMix& random) {
  std::string word;
  std::size_t syllables = 2 + random.below(2);
  for (std::size_t i = 0; i < syllables; ++i) {
    word += kOnsets[random.below(std::size(kOnsets))];
    word += kVowels[random.below(std::size(kVowels))];
  }
  word += kCodas[random.below(std::size(kCodas))];
  return word;
}

// Rank r is drawn with probability proportional to 1 / (r + 2.7), by inverting the integral.
std::size_t zipfRank(SplitMix& random, std::size_t count) {
  double low = std::log(2.7), high = std::log(static_cast<double>(count) + 2.7);
  double r = std::exp(low + random.fraction() * (high - low)) - 2.7;
  auto rank = static_cast<std::size_t>(r);
  return rank < count ? rank : count - 1;
}

const std::string& zipfWord(SplitMix& random) {
  const auto& words = generatedWords();
  return words[zipfRank(random, words.size())];
}

std::string nameWord(SplitMix& random) {
  return std::string(kNameWords[zipfRank(random, std::size(kNameWords))]);
}

std::string capitalised(std::string word) {
  if (!word.empty() && word[0] >= 'a' && word[0] <= 'z') word[0] = static_cast<char>(word[0] - 32);
  return word;
}

struct Shape {
  std::string_view folder;
  std::array<std::string_view, 4> extensions;
  double contentChance;
};

constexpr Shape kShapes[] = {
    {"Documents", {"pdf", "docx", "odt", "rtf"}, 0.9},
    {"Documents", {"md", "txt", "org", "log"}, 0.95},
    {"Projects", {"cpp", "py", "ts", "rs"}, 0.95},
    {"Projects", {"h", "json", "yaml", "sh"}, 0.9},
    {"Pictures", {"jpg", "png", "heic", "svg"}, 0.0},
    {"Music", {"mp3", "flac", "m4a", "ogg"}, 0.0},
    {"Videos", {"mp4", "mkv", "mov", "webm"}, 0.0},
    {"Downloads", {"zip", "pdf", "xlsx", "pptx"}, 0.5},
    {"Desktop", {"csv", "xlsx", "key", "md"}, 0.6},
};
constexpr double kShapeWeights[] = {0.16, 0.14, 0.2, 0.12, 0.14, 0.06, 0.03, 0.08, 0.07};

const Shape& pickShape(SplitMix& random) {
  double roll = random.fraction();
  for (std::size_t i = 0; i < std::size(kShapes); ++i) {
    roll -= kShapeWeights[i];
    if (roll < 0) return kShapes[i];
  }
  return kShapes[0];
}

std::string joinedName(SplitMix& random, std::size_t words, int style) {
  std::string name;
  for (std::size_t i = 0; i < words; ++i) {
    std::string word = (i > 0 && random.chance(0.3)) ? zipfWord(random) : nameWord(random);
    switch (style) {
      case 0:
        name += (i ? " " : "") + capitalised(word);
        break;
      case 1:
        name += (i ? "-" : "") + word;
        break;
      case 2:
        name += (i ? "_" : "") + word;
        break;
      default:
        name += i ? capitalised(word) : word;
        break;
    }
  }
  if (random.chance(0.25))
    name += (style == 0 ? " " : "_") + std::to_string(2015 + random.below(11));
  if (random.chance(0.1)) name += (style == 0 ? " v" : "_v") + std::to_string(1 + random.below(5));
  return name;
}

std::string fileName(SplitMix& random, const Shape& shape, std::string_view ext) {
  if (shape.folder == "Pictures" && random.chance(0.5)) {
    return "IMG_" + std::to_string(1000 + random.below(9000)) + "." + std::string(ext);
  }
  return joinedName(random, 1 + random.below(3), static_cast<int>(random.below(4))) + "." +
         std::string(ext);
}

std::string folderPath(SplitMix& random, const Shape& shape, const std::string& root) {
  std::string path = root + "/" + std::string(shape.folder);
  std::size_t depth = random.below(4);
  for (std::size_t i = 0; i < depth; ++i) {
    // Few distinct folders near the top, more further down, as in real trees.
    SplitMix folderRandom(random.below(6 * (i + 1) * (i + 1)) + 977 * i);
    path += "/" + joinedName(folderRandom, 1 + folderRandom.below(2), 0);
  }
  return path;
}

std::string contentText(SplitMix& random) {
  std::size_t words = 20 + zipfRank(random, 1100);
  std::string text;
  for (std::size_t i = 0; i < words; ++i) {
    if (i) text += (i % 13 == 0) ? ". " : " ";
    text += random.chance(0.15) ? nameWord(random) : zipfWord(random);
  }
  return text;
}

std::string stem(const std::string& name) {
  auto dot = name.rfind('.');
  std::string base = name.substr(0, dot);
  if (auto open = base.rfind(" ("); open != std::string::npos && base.ends_with(')')) {
    base.resize(open);
  }
  return base;
}

FileRecord appRecord(SplitMix& random, int64_t index, double now, const std::string& root) {
  std::string name = capitalised(nameWord(random)) + " " + capitalised(zipfWord(random));
  std::string path = root + "/.local/share/applications/app" + std::to_string(index) + ".desktop";
  return FileRecord{.path = path,
                    .name = name,
                    .ext = "desktop",
                    .kind = FileKind::app,
                    .size = 4000,
                    .modified = now - 86400.0 * static_cast<double>(random.below(900))};
}

}  // namespace

const std::vector<std::string>& generatedWords() {
  static const std::vector<std::string> words = [] {
    std::vector<std::string> out;
    for (auto word : kCommonWords) out.emplace_back(word);
    for (auto word : kNameWords) out.emplace_back(word);
    SplitMix random(0x5eed);
    for (int i = 0; i < kMadeUpWords; ++i) out.push_back(madeUpWord(random));
    return out;
  }();
  return words;
}

std::vector<std::string> generatedNameWords() {
  return std::vector<std::string>(std::begin(kNameWords), std::end(kNameWords));
}

void generateFiles(uint64_t seed, int64_t count, double now, const std::string& root,
                   const std::function<void(const GeneratedFile&)>& visit) {
  SplitMix random(seed);
  std::unordered_set<std::string> paths;
  for (int64_t i = 0; i < count; ++i) {
    GeneratedFile file;
    if (i % 500 == 0) {
      file.record = appRecord(random, i, now, root);
      file.alternateNames = {file.record.name};
      visit(file);
      continue;
    }
    const Shape& shape = pickShape(random);
    std::string_view ext = shape.extensions[random.below(shape.extensions.size())];
    std::string name = fileName(random, shape, ext);
    std::string folder = folderPath(random, shape, root);
    std::string path = folder + "/" + name;
    for (int copy = 2; !paths.insert(path).second; ++copy) {
      name = stem(name) + " (" + std::to_string(copy) + ")." + std::string(ext);
      path = folder + "/" + name;
    }
    double age = std::pow(random.fraction(), 3.0) * 1100.0 * 86400.0;
    auto size = static_cast<int64_t>(std::exp(random.fraction() * 18.0));
    file.record =
        FileRecord::make({.path = path, .name = name, .size = size, .modified = now - age});
    if (random.chance(shape.contentChance)) file.content = contentText(random);
    visit(file);
  }
}

}  // namespace quorvale::bench
