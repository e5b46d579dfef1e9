// The walk reuses the entries of finished folders: an entry whose attributes cannot be read must
// not show the attributes of the entry that held its place before.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "scan/directory_walk.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

TEST(DirectoryWalkReuseTest, UnreadableEntriesCarryNoEarlierAttributes) {
  testing::TempDir dir;
  const std::string root = dir / "root";
  // "a" is walked first and finished; the entries of "z" then take the places of its entries.
  for (const char* file : {"a/1.txt", "a/2.txt", "a/3.txt", "z/1.txt", "z/2.txt"}) {
    testing::writeFile(root + "/" + file, "x");
    testing::setModified(root + "/" + file, 1'000'000);
  }
  // Listed but not searchable: names without attributes.
  ASSERT_EQ(chmod((root + "/z").c_str(), 0444), 0);
  chmod(dir.path().c_str(), 0755);
  chmod(root.c_str(), 0755);
  chmod((root + "/a").c_str(), 0755);
  EXPECT_TRUE(testing::asUnprivilegedUser([&] {
    auto walk = DirectoryWalk::open(root, [](const std::string&) {});
    if (!walk) return false;
    int withAttributes = 0;
    int without = 0;
    while (const WalkEntry* entry = walk->next()) {
      const bool inZ = entry->path.starts_with(root + "/z/");
      if (inZ && (entry->hasAttributes || entry->modified || entry->size || entry->isRegularFile))
        return false;
      ++(inZ ? without : withAttributes);
    }
    return withAttributes == 5 && without == 2;  // a, its 3 files, z; z's 2 files
  }));
  chmod((root + "/z").c_str(), 0755);
}

}  // namespace
}  // namespace quorvale
