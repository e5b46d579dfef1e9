#include "index/file_diagnosis.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "support/test_support.h"

namespace quorvale {
namespace {

using testing::writeFile;

const std::string kHidden = "You hid this result. Show it again in Settings under Hidden results.";
const std::string kNotYet =
    "Nothing blocks it, but it is not in the index yet. A scan may still be running, or the file "
    "is new.";
const std::string kOtherType =
    "Quorvale reads the text of documents, PDFs and plain-text files. For this type only the name "
    "is searchable.";

class FileDiagnosisTest : public ::testing::Test {
 protected:
  std::vector<std::string> reasons(const std::string& relative, bool contents = true,
                                   std::vector<std::string> hidden = {}) {
    return why(relative, contents, hidden).reasons;
  }
  FileDiagnosis::Finding why(const std::string& relative, bool contents = true,
                             std::vector<std::string> hidden = {}) {
    return FileDiagnosis::why(dir_ / relative, config_, contents, hidden, &index_);
  }

  testing::TempDir dir_;
  ScanConfig config_ = ScanConfig::make({dir_.path()});
  FileIndex index_{std::nullopt};
};

TEST_F(FileDiagnosisTest, NameRulesNameTheComponentThatBlocks) {
  writeFile(dir_ / "web/node_modules/left-pad/index.js", "x");
  writeFile(dir_ / "web/package.json", "{}");
  writeFile(dir_ / "web/dist/app.js", "x");
  writeFile(dir_ / "loose/dist/app.js", "x");
  writeFile(dir_ / ".config/tool/settings.txt", "x");
  writeFile(dir_ / "notes/.draft.txt", "x");

  EXPECT_EQ(reasons("web/node_modules/left-pad/index.js"),
            std::vector<std::string>{"Folders and files named “node_modules” are skipped "
                                     "everywhere (build tools and caches)."});
  EXPECT_EQ(reasons("web/dist/app.js"),
            std::vector<std::string>{"“dist” sits inside a software project, so it is treated as "
                                     "build output and skipped."});
  EXPECT_EQ(reasons("loose/dist/app.js"), std::vector<std::string>{kNotYet});
  EXPECT_EQ(reasons(".config/tool/settings.txt"),
            std::vector<std::string>{"“.config” starts with a dot, so it is a hidden folder, and "
                                     "hidden items are not indexed."});
  EXPECT_EQ(reasons("notes/.draft.txt"),
            std::vector<std::string>{"“.draft.txt” starts with a dot, so it is a hidden file, and "
                                     "hidden items are not indexed."});
  config_.includeHidden = true;
  EXPECT_EQ(reasons("notes/.draft.txt"), std::vector<std::string>{kNotYet});
}

TEST_F(FileDiagnosisTest, HiddenByUserAndInsideExcludedFolderGivesBoth) {
  writeFile(dir_ / "private/plan.txt", "x");
  config_.excludedPaths = {dir_ / "private"};
  auto finding = why("private/plan.txt", true, {dir_ / "private/plan.txt"});
  EXPECT_EQ(finding.reasons,
            (std::vector<std::string>{kHidden, "You left out the folder “" + (dir_ / "private") +
                                                   "”."}));
  EXPECT_EQ(finding.summary(), finding.reasons[0] + "\n" + finding.reasons[1]);
}

TEST_F(FileDiagnosisTest, ReadingRulesFollowTheExtractor) {
  writeFile(dir_ / "passwords.txt", "x");
  writeFile(dir_ / "photo.xyz", "x");
  writeFile(dir_ / "small.log", "x");
  writeFile(dir_ / "big.log", "");
  std::filesystem::resize_file(dir_ / "big.log", 4'000'001);

  EXPECT_EQ(reasons("passwords.txt")[0],
            "The name looks like it holds a password or key, so only the name is searchable. The "
            "contents are never read.");
  EXPECT_EQ(reasons("photo.xyz")[0], kOtherType);
  EXPECT_EQ(reasons("small.log", false)[0],
            "Search inside files is off, so only the name is searchable.");
  EXPECT_EQ(reasons("big.log")[0],
            "The file is too large to read inside (limit 4 MB for text, 80 MB for documents). Its "
            "name is searchable.");
}

TEST_F(FileDiagnosisTest, LinksAndApplicationOnlyRoots) {
  writeFile(dir_ / "real.txt", "x");
  std::filesystem::create_symlink(dir_ / "real.txt", dir_ / "shortcut.txt");
  EXPECT_EQ(reasons("shortcut.txt")[0],
            "“shortcut.txt” is a link to somewhere else. Quorvale indexes the real file where it "
            "lives.");

  const std::string apps = dir_ / "applications";
  config_.roots.push_back(apps);
  config_.appOnlyRoots = {apps};
  writeFile(apps + "/editor.desktop", "[Desktop Entry]\nType=Application\nName=Editor\nExec=ed\n");
  writeFile(apps + "/site.desktop", "[Desktop Entry]\nType=Link\nName=Site\nURL=https://x\n");
  writeFile(apps + "/readme.txt", "x");
  const std::string appsOnly = "That folder is searched for applications only, not for other files.";
  EXPECT_EQ(reasons("applications/editor.desktop"), (std::vector<std::string>{kOtherType, kNotYet}));
  EXPECT_EQ(reasons("applications/site.desktop")[0], appsOnly);
  EXPECT_EQ(reasons("applications/readme.txt")[0], appsOnly);
}

TEST_F(FileDiagnosisTest, SummariesForIndexedUnknownAndMissingFiles) {
  writeFile(dir_ / "a.txt", "x");
  index_.upsert(FileRecord::make(dir_ / "a.txt", std::nullopt, std::nullopt, 1, 1, false),
                std::nullopt, {});
  auto indexed = why("./sub/../a.txt");
  EXPECT_TRUE(indexed.indexed);
  EXPECT_EQ(indexed.summary(), "This file is in the index and should be found.");

  auto noIndex = FileDiagnosis::why(dir_ / "a.txt", config_, true, {}, nullptr);
  EXPECT_EQ(noIndex, FileDiagnosis::Finding{});
  EXPECT_EQ(noIndex.summary(), "Nothing blocks this file. It may not be indexed yet.");

  EXPECT_EQ(FileDiagnosis::why("/nowhere/at/all.txt", config_, true, {}, &index_).reasons,
            (std::vector<std::string>{"There is no file or folder at this path.",
                                      "It is not inside any of the folders Quorvale searches."}));
  EXPECT_FALSE(FileDiagnosis::why("", config_, true, {}, &index_).reasons.empty());
}

}  // namespace
}  // namespace quorvale
