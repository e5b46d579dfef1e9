#include "scan/directory_walk.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace quorvale {
namespace {

// Every entry the walk returns as "level path-below-root" lines, marked " link" or " special"
// when it is one; `skip` names folders whose contents are skipped.
std::vector<std::string> walked(const std::string& root, const std::string& skip = "",
                                std::vector<std::string>* errors = nullptr) {
  auto walk = DirectoryWalk::open(root, [&](const std::string& path) {
    if (errors) errors->push_back(path.substr(root.size()));
  });
  std::vector<std::string> out;
  if (!walk) out.push_back("not opened");
  while (walk) {
    auto entry = walk->next();
    if (!entry) break;
    out.push_back(std::to_string(entry->level) + " " + entry->path.substr(root.size() + 1) +
                  (entry->isSymbolicLink ? " link" : "") +
                  (entry->isSpecialFile ? " special" : ""));
    if (entry->name == skip) walk->skipDescendants();
  }
  return out;
}

TEST(DirectoryWalkTest, PreOrderInByteOrderWithSkippedFolders) {
  testing::TempDir dir;
  for (const char* file : {"b/z.txt", "b/a.txt", "a.txt", "B.txt", "skip/inner/deep.txt"}) {
    testing::writeFile(dir / file, "x");
  }
  EXPECT_EQ(
      walked(dir.path(), "skip"),
      (std::vector<std::string>{"1 B.txt", "1 a.txt", "1 b", "2 b/a.txt", "2 b/z.txt", "1 skip"}));
}

TEST(DirectoryWalkTest, LinksAreReportedNeverFollowed) {
  testing::TempDir dir;
  testing::writeFile(dir / "real/file.txt", "x");
  ASSERT_EQ(symlink(dir.path().c_str(), (dir / "real/loop").c_str()), 0);
  ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
  // The loop is not entered.
  EXPECT_EQ(walked(dir.path()), (std::vector<std::string>{"1 pipe special", "1 real",
                                                          "2 real/file.txt", "2 real/loop link"}));
}

TEST(DirectoryWalkTest, UnreadableFolderIsReportedAndTheWalkGoesOn) {
  testing::TempDir dir;
  testing::writeFile(dir / "closed/secret.txt", "x");
  testing::writeFile(dir / "open/file.txt", "x");
  ASSERT_EQ(chmod((dir / "closed").c_str(), 0), 0);
  chmod(dir.path().c_str(), 0755);
  const std::string root = dir.path();
  // As root every folder is readable; the walk must run unprivileged to meet a closed one.
  EXPECT_TRUE(testing::asUnprivilegedUser([&] {
    std::vector<std::string> errors;
    auto entries = walked(root, "", &errors);
    return entries == std::vector<std::string>{"1 closed", "1 open", "2 open/file.txt"} &&
           errors == std::vector<std::string>{"/closed"};
  }));
  chmod((dir / "closed").c_str(), 0755);
}

}  // namespace
}  // namespace quorvale
