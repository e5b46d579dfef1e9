#include "scan/file_diagnosis.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_support.h"

namespace quorvale {
namespace {

using testing::writeFile;
using Reasons = std::vector<std::string>;

const std::string kNotYet =
    "Nothing blocks it, but it is not in the index yet. A scan may still be running, or the file "
    "is new.";
const std::string kOtherType =
    "Quorvale reads the text of documents, PDFs and plain-text files. For this type only the name "
    "is searchable.";

class FileDiagnosisTest : public ::testing::Test {
 protected:
  FileDiagnosis::Finding why(const std::string& relative, bool contents = true,
                             const Reasons& hidden = {}) {
    return FileDiagnosis::why(dir_ / relative, config_, contents, hidden, &index_);
  }
  Reasons reasons(const std::string& relative, bool contents = true) {
    return why(relative, contents).reasons;
  }

  testing::TempDir dir_;
  ScanConfig config_ = ScanConfig::make({dir_.path()});
  FileIndex index_{std::nullopt};
};

TEST_F(FileDiagnosisTest, NameRulesNameTheComponentThatBlocks) {
  for (auto file : {"web/node_modules/pad/index.js", "web/package.json", "web/dist/app.js",
                    ".config/tool/settings.txt", "notes/.draft.txt"}) {
    writeFile(dir_ / file, "x");
  }
  EXPECT_EQ(reasons("web/node_modules/pad/index.js"),
            Reasons{"Folders and files named “node_modules” are skipped everywhere (build tools "
                    "and caches)."});
  EXPECT_EQ(reasons("web/dist/app.js"), Reasons{"“dist” sits inside a software project, so it "
                                                "is treated as build output and skipped."});
  EXPECT_EQ(reasons(".config/tool/settings.txt"),
            Reasons{"“.config” starts with a dot, so it is a hidden folder, and hidden items are "
                    "not indexed."});
  EXPECT_EQ(reasons("notes/.draft.txt"), Reasons{"“.draft.txt” starts with a dot, so it is a "
                                                 "hidden file, and hidden items are not indexed."});
  config_.includeHidden = true;
  EXPECT_EQ(reasons("notes/.draft.txt"), Reasons{kNotYet});
}

TEST_F(FileDiagnosisTest, HiddenByUserAndInsideExcludedFolderGivesBoth) {
  writeFile(dir_ / "private/plan.txt", "x");
  config_.excludedPaths = {dir_ / "private"};
  auto finding = why("private/plan.txt", true, {dir_ / "private/plan.txt"});
  EXPECT_EQ(finding.summary(),
            "You hid this result. Show it again in Settings under Hidden results.\nYou left out "
            "the folder “" +
                (dir_ / "private") + "”.");
}

TEST_F(FileDiagnosisTest, ReadingRulesFollowTheExtractor) {
  for (auto file : {"passwords.txt", "photo.xyz", "small.log", "big.log"})
    writeFile(dir_ / file, "x");
  std::filesystem::resize_file(dir_ / "big.log", 4'000'001);
  EXPECT_EQ(reasons("passwords.txt")[0],
            "The name looks like it holds a password or key, so only the name is searchable. The "
            "contents are never read.");
  EXPECT_EQ(reasons("photo.xyz")[0], kOtherType);
  EXPECT_EQ(reasons("small.log", false)[0],
            "Search inside files is off, so only the name is searchable.");
  EXPECT_EQ(reasons("big.log")[0],
            "The file is too large to read inside (limit 4 MB for text, "
            "80 MB for documents). Its name is searchable.");
}

TEST_F(FileDiagnosisTest, LinksAndApplicationOnlyRoots) {
  writeFile(dir_ / "real.txt", "x");
  std::filesystem::create_symlink(dir_ / "real.txt", dir_ / "shortcut.txt");
  EXPECT_EQ(reasons("shortcut.txt")[0],
            "“shortcut.txt” is a link to somewhere else. Quorvale "
            "indexes the real file where it lives.");

  config_.appOnlyRoots = {dir_ / "apps"};
  config_.roots.push_back(dir_ / "apps");
  writeFile(dir_ / "apps/editor.desktop", "[Desktop Entry]\nType=Application\nName=Ed\nExec=ed\n");
  writeFile(dir_ / "apps/site.desktop", "[Desktop Entry]\nType=Link\nName=Site\nURL=https://x\n");
  writeFile(dir_ / "apps/readme.txt", "x");
  const std::string appsOnly =
      "That folder is searched for applications only, not for other files.";
  EXPECT_EQ(reasons("apps/editor.desktop"), (Reasons{kOtherType, kNotYet}));
  EXPECT_EQ(reasons("apps/site.desktop")[0], appsOnly);
  EXPECT_EQ(reasons("apps/readme.txt")[0], appsOnly);
}

TEST_F(FileDiagnosisTest, SummariesForIndexedUnknownAndMissingFiles) {
  writeFile(dir_ / "a.txt", "x");
  index_.upsert(FileRecord::make({.path = dir_ / "a.txt", .size = 1, .modified = 1}), std::nullopt,
                {});
  EXPECT_EQ(why("./sub/../a.txt").summary(), "This file is in the index and should be found.");

  auto noIndex = FileDiagnosis::why(dir_ / "a.txt", config_, true, {}, nullptr);
  EXPECT_EQ(noIndex, FileDiagnosis::Finding{});
  EXPECT_EQ(noIndex.summary(), "Nothing blocks this file. It may not be indexed yet.");

  EXPECT_EQ(FileDiagnosis::why("/nowhere/at/all.txt", config_, true, {}, &index_).reasons,
            (Reasons{"There is no file or folder at this path.",
                     "It is not inside any of the folders Quorvale searches."}));
  EXPECT_FALSE(FileDiagnosis::why("", config_, true, {}, &index_).indexed);
}

}  // namespace
}  // namespace quorvale
