#include "util/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "support/test_support.h"

namespace quorvale {
namespace {

using testing::readFile;
using testing::TempDir;

mode_t modeOf(const std::string& path) {
  struct stat info {};
  stat(path.c_str(), &info);
  return info.st_mode & 0777;
}

TEST(AtomicFile, WritesAndReplacesWithTheGivenMode) {
  TempDir dir;
  std::string path = dir / "settings.json";
  writeFileAtomically(path, "first");
  EXPECT_EQ(readFile(path), "first");
  EXPECT_EQ(modeOf(path), 0600u);

  writeFileAtomically(path, "second, longer", {.mode = 0644, .durable = false});
  EXPECT_EQ(readFile(path), "second, longer");
  EXPECT_EQ(modeOf(path), 0644u);
  EXPECT_EQ(testing::filesIn(dir.path()).size(), 1u);  // no temporary file left behind
}

TEST(AtomicFile, AFailedWriteThrowsAndKeepsTheOldFile) {
  TempDir dir;
  EXPECT_THROW(writeFileAtomically(dir / "missing/folder/file", "x"), std::system_error);

  std::string path = dir / "kept.txt";
  writeFileAtomically(path, "old");
  std::filesystem::create_directory(dir / "blocker");
  // Renaming a file over a folder fails after the temporary file was written.
  EXPECT_THROW(writeFileAtomically(dir / "blocker", "new"), std::system_error);
  EXPECT_EQ(readFile(path), "old");
  EXPECT_EQ(testing::filesIn(dir.path()).size(), 2u);
}

}  // namespace
}  // namespace quorvale
