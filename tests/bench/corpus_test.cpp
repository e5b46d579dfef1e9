#include "corpus/corpus.h"

#include <gtest/gtest.h>
#include <poppler-document.h>
#include <poppler-page.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace quorvale::bench {
namespace {

constexpr CorpusOptions kOptions{.files = 2000, .seed = 7};

std::vector<GeneratedFile> generate(const CorpusOptions& options) {
  std::vector<GeneratedFile> files;
  forEachGeneratedFile(options, [&](const GeneratedFile& file) { files.push_back(file); });
  return files;
}

std::vector<std::string> components(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t slash; (slash = path.find('/', start)) != std::string::npos; start = slash + 1) {
    parts.push_back(path.substr(start, slash - start));
  }
  parts.push_back(path.substr(start));
  return parts;
}

std::string extensionOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return path.substr(dot + 1);
}

// The skip rules of a default scan, applied to the generated paths alone: excluded names
// anywhere, build output folders directly inside a folder that holds a project marker.
class PruneRules {
 public:
  explicit PruneRules(const std::vector<GeneratedFile>& files) {
    for (const auto& file : files) {
      const auto parts = components(file.relativePath);
      if (kMarkers.contains(parts.back())) {
        projects_.insert(file.relativePath.substr(0, file.relativePath.rfind('/')));
      }
    }
  }

  bool pruned(const std::string& path) const {
    const auto parts = components(path);
    std::string folder;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
      if (kExcluded.contains(parts[i])) return true;
      if (kBuildOutput.contains(parts[i]) && projects_.contains(folder)) return true;
      folder += (folder.empty() ? "" : "/") + parts[i];
    }
    return false;
  }

 private:
  inline static const std::set<std::string> kMarkers = {"package.json", "CMakeLists.txt",
                                                        "Cargo.toml", "go.mod", "pyproject.toml"};
  inline static const std::set<std::string> kExcluded = {".git", "node_modules", "venv",
                                                         "__pycache__"};
  inline static const std::set<std::string> kBuildOutput = {"build", "dist", "target", "out"};
  std::set<std::string> projects_;
};

class CorpusTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    files_ = std::make_unique<std::vector<GeneratedFile>>(generate(kOptions));
  }
  static void TearDownTestSuite() { files_.reset(); }
  static const std::vector<GeneratedFile>& files() { return *files_; }

  std::vector<const GeneratedFile*> withExtension(const std::string& extension) const {
    std::vector<const GeneratedFile*> out;
    for (const auto& file : files()) {
      if (extensionOf(file.relativePath) == extension) out.push_back(&file);
    }
    return out;
  }

 private:
  inline static std::unique_ptr<std::vector<GeneratedFile>> files_;
};

TEST_F(CorpusTest, SameOptionsGiveIdenticalFiles) {
  EXPECT_EQ(generate(kOptions), files());
}

TEST_F(CorpusTest, AnotherSeedGivesAnotherCorpus) {
  const auto other = generate({.files = 200, .seed = 8});
  const std::vector<GeneratedFile> head(files().begin(), files().begin() + 200);
  EXPECT_NE(other, head);
}

TEST_F(CorpusTest, HasTheRequestedNumberOfDistinctFiles) {
  std::set<std::string> paths;
  for (const auto& file : files()) paths.insert(file.relativePath);
  EXPECT_EQ(files().size(), kOptions.files);
  EXPECT_EQ(paths.size(), kOptions.files);
}

TEST_F(CorpusTest, AboutOneFileInTenSitsInAFolderToPrune) {
  const PruneRules rules(files());
  const auto pruned = std::count_if(files().begin(), files().end(), [&](const auto& file) {
    return rules.pruned(file.relativePath);
  });
  const double share = static_cast<double>(pruned) / static_cast<double>(files().size());
  EXPECT_GT(share, 0.07);
  EXPECT_LT(share, 0.13);
}

TEST_F(CorpusTest, FileNamesAreTheFilesAScanIndexes) {
  const PruneRules rules(files());
  std::vector<std::string> expected;
  for (const auto& file : files()) {
    if (!rules.pruned(file.relativePath)) expected.push_back(file.relativePath);
  }
  EXPECT_EQ(corpusFileNames(kOptions), expected);
}

TEST_F(CorpusTest, PdfsOpenAndGiveBackTheirText) {
  const auto pdfs = withExtension("pdf");
  ASSERT_GT(pdfs.size(), 10u);
  for (const auto* file : pdfs) {
    std::vector<char> data(file->bytes.begin(), file->bytes.end());
    std::unique_ptr<poppler::document> document(
        poppler::document::load_from_raw_data(data.data(), static_cast<int>(data.size())));
    ASSERT_TRUE(document) << file->relativePath;
    ASSERT_GE(document->pages(), 1) << file->relativePath;
    std::unique_ptr<poppler::page> page(document->create_page(0));
    ASSERT_TRUE(page);
    const auto utf8 = page->text().to_utf8();
    const std::string text(utf8.begin(), utf8.end());
    EXPECT_GT(text.size(), 40u) << file->relativePath;
  }
}

TEST_F(CorpusTest, WritesTheFilesWithTheirTimes) {
  testing::TempDir dir;
  const CorpusOptions options{.files = 300, .seed = 7};
  const CorpusStats stats = writeCorpus(dir / "corpus", options);
  const auto expected = generate(options);
  int64_t bytes = 0;
  for (const auto& file : expected) {
    const std::string path = dir / ("corpus/" + file.relativePath);
    ASSERT_EQ(testing::readFile(path), file.bytes) << path;
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(static_cast<double>(info.st_mtime), file.modified);
    bytes += static_cast<int64_t>(file.bytes.size());
  }
  EXPECT_EQ(stats.files, 300);
  EXPECT_EQ(stats.bytes, bytes);
  EXPECT_GT(stats.folders, 10);
  EXPECT_GT(stats.prunedFiles, 0);
  EXPECT_GT(stats.indexedEntries, stats.files - stats.prunedFiles);
}

}  // namespace
}  // namespace quorvale::bench
