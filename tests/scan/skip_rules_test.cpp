#include "scan/skip_rules.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/test_support.h"

namespace quorvale {
namespace {

class SkipRulesTest : public ::testing::Test {
 protected:
  SkipRulesTest() {
    testing::makeDirs(dir_ / "project");
    testing::writeFile(dir_ / "project/Makefile", "all:\n");
    config_ = ScanConfig::make({dir_.path()});
    config_.excludedPaths = {dir_ / "private"};
  }

  WalkEntry entry(const std::string& relative, bool directory, int level = 1) const {
    WalkEntry walked;
    walked.name = lastPathComponent(relative);
    walked.path = dir_ / relative;
    walked.level = level;
    walked.isDirectory = directory;
    walked.isRegularFile = !directory;
    return walked;
  }

  testing::TempDir dir_;
  ScanConfig config_;
};

// The full scan and the watcher decide the same entries the same way, and say why.
TEST_F(SkipRulesTest, ScanAndWatcherAgreeOnEveryNameRule) {
  // The entry below the root, whether it is a folder, and how the scan admits it.
  const std::tuple<const char*, bool, std::optional<SkipRules::Skip>> cases[] = {
      {"notes.txt", false, std::nullopt},
      {".secret", false, SkipRules::Skip{SkipRules::Reason::hidden, false}},
      {".config", true, SkipRules::Skip{SkipRules::Reason::hidden, true}},
      {"node_modules", true, SkipRules::Skip{SkipRules::Reason::excludedName, true}},
      {"project/build", true, SkipRules::Skip{SkipRules::Reason::buildOutput, true}},
      {"build", true, std::nullopt},  // not inside a project
      {"private", true, SkipRules::Skip{SkipRules::Reason::excludedPath, true}},
      {"private/a.txt", false, SkipRules::Skip{SkipRules::Reason::excludedPath, false}},
      {"bad\xff.txt", false, SkipRules::Skip{SkipRules::Reason::notUtf8, false}},
  };
  const SkipRules rules(config_);
  for (const auto& [relative, directory, admission] : cases) {
    SCOPED_TRACE(relative);
    WalkEntry walked = entry(relative, directory);
    EXPECT_EQ(rules.admission(walked, false), admission);
    std::string parent = deletingLastPathComponent(walked.path);
    auto named = rules.named(
        {.name = walked.name, .path = walked.path, .parent = parent, .isDirectory = directory});
    EXPECT_EQ(named, admission ? std::optional(admission->reason) : std::nullopt);
  }
}

TEST_F(SkipRulesTest, LinksSpecialFilesAndApplicationFolders) {
  const SkipRules rules(config_);
  WalkEntry link = entry("elsewhere", false);
  link.isSymbolicLink = true;
  EXPECT_EQ(rules.admission(link, false), (SkipRules::Skip{SkipRules::Reason::link, true}));
  link.name = "Tool.app";
  EXPECT_EQ(rules.admission(link, false), std::nullopt);

  WalkEntry fifo = entry("pipe", false);
  fifo.isSpecialFile = true;
  EXPECT_EQ(rules.changedEntry(fifo, false), SkipRules::Reason::specialFile);

  // Applications are sought three levels down; loose folders deeper are not entered.
  EXPECT_EQ(rules.admission(entry("Utilities", true, 1), true),
            (SkipRules::Skip{SkipRules::Reason::notApplication, false}));
  EXPECT_EQ(rules.admission(entry("a/b/c", true, 3), true),
            (SkipRules::Skip{SkipRules::Reason::notApplication, true}));
  EXPECT_EQ(rules.changedEntry(entry("a/b/c/d/Deep.app", true, 4), true),
            SkipRules::Reason::tooDeep);
  EXPECT_EQ(rules.entered({.name = "c", .path = dir_ / "a/b/c", .parent = dir_ / "a/b"}, 3, true),
            SkipRules::Reason::tooDeep);
  EXPECT_EQ(
      rules.entered({.name = "Foo.app", .path = dir_ / "Foo.app", .parent = dir_.path()}, 1, false),
      SkipRules::Reason::bundle);
}

TEST_F(SkipRulesTest, BundlesComeFromThePlatformProfile) {
  PlatformProfile noBundles = kLinuxProfile;
  noBundles.bundleSuffix = "";
  EXPECT_TRUE(SkipRules::isApplicationName("Foo.APP", kMacProfile));
  EXPECT_FALSE(SkipRules::isApplicationName("Foo.app", noBundles));
  EXPECT_TRUE(SkipRules::isApplicationName("org.gnome.Maps.desktop", noBundles));
  const SkipRules rules(config_, noBundles);
  EXPECT_EQ(
      rules.entered({.name = "Foo.app", .path = dir_ / "Foo.app", .parent = dir_.path()}, 1, false),
      std::nullopt);
}

TEST_F(SkipRulesTest, ChangedPathsFollowTheNamesBelowTheRoot) {
  const std::string hiddenRoot = dir_ / ".local/share/applications";
  config_.roots = {hiddenRoot};
  const SkipRules rules(config_);
  EXPECT_EQ(rules.changedPath(hiddenRoot + "/app.desktop", hiddenRoot), std::nullopt);
  EXPECT_EQ(rules.changedPath(hiddenRoot + "/.git/x", hiddenRoot), SkipRules::Reason::excludedName);
  EXPECT_EQ(rules.changedPath(dir_ / "private/y", dir_.path()), SkipRules::Reason::excludedPath);
}

}  // namespace
}  // namespace quorvale
