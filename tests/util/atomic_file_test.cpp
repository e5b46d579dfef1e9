#include "util/atomic_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <system_error>

#include "support/test_support.h"

namespace quorvale {
namespace {

using testing::readFile;
using testing::TempDir;

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
